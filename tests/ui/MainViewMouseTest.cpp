// The view's mouse handling driven by real QTest mouse events on a shown
// view: drops and moves in the playlist, previews, the number box and the
// choice arrows, station arrows, paging and thumb drags.
#include "ViewFixture.h"

namespace vh {
namespace {

using test::clipRowPoint;
using test::gapPoint;
using test::rowY;
using test::slotY;
using test::titlePoint;

constexpr int kAdverts = 1;  // the first listed station of the default catalogue
constexpr int kCH = 4;
constexpr int kX = 262;

// A view browsing ADVERTS, whose clip rows 0..5 are commercials, with five
// distinct chatter tracks of CH in the playlist.
class Mouse : public test::ViewFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 6; ++i) catalogue.add(kAdverts, {Commercial, "Ad " + std::to_string(i), "", 200});
        for (int i = 0; i < 5; ++i) catalogue.add(kCH, {Chatter, "Talk " + std::to_string(i), "", 200});
    }
    void makeShownView(int tracks) {
        makeView();
        for (int i = 0; i < tracks; ++i) append(kCH, i);
        view->invalidate();
        flush();
    }
    // The playlist as one character per track: '0'-'4' the chatter tracks, 'A'-'F' the ads.
    std::string order() {
        std::string s;
        for (const Clip* c : playlistClips())
            s += c->clipClass == Commercial ? char('A' + (c - clip(kAdverts, 0))) : char('0' + (c - clip(kCH, 0)));
        return s;
    }
};

struct DropCase {
    const char* name;
    int fromTrack;  // -1: clip row 2 (ad C) is dragged
    QPoint to;
    const char* order;
};

class DragAndDrop : public Mouse, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DragAndDrop, InsertsMovesRemovesOrLeavesThePlaylist) {
    const DropCase& c = GetParam();
    makeShownView(5);
    drag(c.fromTrack < 0 ? clipRowPoint(2) : titlePoint(c.fromTrack), c.to);
    EXPECT_EQ(order(), c.order);
    EXPECT_EQ(view->playlist().trackCount, int32_t(std::string(c.order).size()));
    EXPECT_FALSE(view->dragging());
    for (PlaylistTrack* t = view->playlist().first(); t != view->playlist().sentinel(); t = t->next)
        EXPECT_NE(t->mainAudio, nullptr);  // a dropped clip's audio is read at once
}

// A clip goes before the slot it is released on, after the one whose gap it
// is released in; a track moves the same way, stays when dropped onto itself
// or a neighbour's edge, and goes when dropped outside the window.
INSTANTIATE_TEST_SUITE_P(Points, DragAndDrop,
                         ::testing::Values(DropCase{"ClipOnTrack3", -1, titlePoint(2), "01C234"},
                                           DropCase{"ClipOnTrack3sNumber", -1, QPoint(kX + 5, slotY(2) + 5), "01C234"},
                                           DropCase{"ClipInTrack3sGap", -1, gapPoint(2), "012C34"},
                                           DropCase{"ClipBelowTheLast", -1, titlePoint(7), "01234C"},
                                           DropCase{"ClipOnTheClipList", -1, clipRowPoint(4), "01234"},
                                           DropCase{"ClipOnTheScrollbar", -1, QPoint(790, 300), "01234"},
                                           DropCase{"ClipOutsideTheWindow", -1, QPoint(900, 200), "01234"},
                                           DropCase{"Track2OntoTrack5", 1, titlePoint(4), "02314"},
                                           DropCase{"Track2IntoTrack5sGap", 1, gapPoint(4), "02341"},
                                           DropCase{"Track4OntoTrack1", 3, titlePoint(0), "30124"},
                                           DropCase{"OntoItsSuccessor", 1, titlePoint(2), "01234"},
                                           DropCase{"BelowTheLast", 0, titlePoint(6), "12340"},
                                           DropCase{"OntoTheClipList", 1, clipRowPoint(1), "01234"},
                                           DropCase{"OffTheRight", 1, QPoint(805, 100), "0234"},
                                           DropCase{"OffTheLeft", 4, QPoint(-1, 300), "0123"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mouse, AFullPlaylistRefusesAHundredthTrackAndAScrolledOneDropsAtTheSlotShown) {
    makeView();
    for (int i = 0; i < 98; ++i) append(kCH, i % 5);
    view->playlist().playlistScroll = 3;
    flush();
    drag(clipRowPoint(0), gapPoint(0));  // the top slot shown is track 4: the new one is fifth
    ASSERT_EQ(view->playlist().trackCount, 99);
    EXPECT_EQ(view->playlist().trackAt(4)->clip, clip(kAdverts, 0));
    drag(clipRowPoint(1), titlePoint(0));
    drag(clipRowPoint(1), gapPoint(3));
    EXPECT_EQ(view->playlist().trackCount, 99);
    EXPECT_EQ(int(playlistClips().size()), 99);
}

TEST_F(Mouse, ThePlayButtonAndADoubleClickPreviewTheClip) {
    makeShownView(0);
    click(QPoint(4, rowY(3) + 8));
    tick();
    const PlaylistTrack* preview = view->playlist().currentTrack;
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->clip, clip(kAdverts, 3));
    EXPECT_EQ(preview->next, nullptr);  // free-standing, not in the playlist
    EXPECT_EQ(view->transportText().text, "-- 00:00");
    // A double click anywhere on a row previews it; its first click's drag adds nothing.
    doubleClick(clipRowPoint(1));
    tick();
    EXPECT_EQ(view->playlist().currentTrack->clip, clip(kAdverts, 1));
    EXPECT_EQ(view->playlist().trackCount, 0);
    view->playTrack(nullptr, 0);  // stopping lets go of the preview, and the playlist hears of it
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
}

TEST_F(Mouse, TheNumberBoxPlaysFromTheIntroOrOutroAndTheArrowsStepTheChoices) {
    const int song = catalogue.addSong(kCH, {"Tune", "Band", {"Hi", ""}, {"", "B", "C"}});  // defaults: intro 1, outro 0
    makeView();
    PlaylistTrack* songTrack = append(kCH, song);
    PlaylistTrack* adTrack = append(kAdverts, 0);
    flush();
    for (QPoint at : {QPoint(kX + 10, slotY(0) + 50), QPoint(kX + 10, slotY(0) + 43), QPoint(kX + 10, slotY(1) + 50)}) click(at);
    using Calls = std::vector<std::pair<PlaylistTrack*, int32_t>>;
    EXPECT_EQ(view->calls, (Calls{{songTrack, 2}, {songTrack, 0}, {adTrack, 0}}));
    view->playTrack(nullptr, 0);
    view->calls.clear();
    for (QPoint at : {QPoint(kX + 200, slotY(0) + 5), titlePoint(0), QPoint(kX + 10, slotY(2) + 20)}) click(at);
    EXPECT_TRUE(view->calls.empty());  // intro text, title band, an empty slot
    struct Step {
        QPoint at;  // relative to the slot
        int intro, outro;
    };
    for (const Step& s : {Step{{57, 14}, 0, 0}, Step{{32, 0}, 1, 0}, Step{{45, 44}, 1, 1}, Step{{44, 58}, 1, 0},
                          Step{{44, 58}, 1, 2}}) {
        click(QPoint(kX, slotY(0)) + s.at);
        EXPECT_EQ(std::pair(songTrack->intro, songTrack->outro), std::pair(s.intro, s.outro));
    }
    EXPECT_TRUE(songTrack->introAudio && songTrack->outroAudio && !view->playlist().pleaseWait);
}

TEST_F(Mouse, StationArrowsWrapSkipHiddenStationsAndRestoreEachStationsScroll) {
    for (int i = 0; i < 54; ++i) catalogue.add(kAdverts, {Commercial, "More", "", 2});  // 60 rows
    for (int i = 0; i < 35; ++i) catalogue.add(kCH, {Chatter, "More", "", 2});          // 40 rows
    makeView();
    const QPoint previous(10, 10), next(240, 10), pageDown(248, 590);
    click(previous);  // station 0 is hidden: from the first listed one to the last
    EXPECT_EQ(view->currentStation(), 15);
    click(next);
    click(pageDown);  // 33 rows fit: 60 rows scroll to at most 27
    flush();
    EXPECT_EQ(view->clipScroll(), 27);
    click(next);  // stations 2 and 3 are hidden
    EXPECT_EQ(std::tuple(view->currentStation(), view->clipScroll(), view->clipRowCount()), std::tuple(kCH, 0, 40));
    click(previous);
    EXPECT_EQ(std::pair(view->currentStation(), view->clipScroll()), std::pair(kAdverts, 27));
    doubleClick(next);  // moves two stations
    EXPECT_EQ(view->currentStation(), 5);
}

}  // namespace
}  // namespace vh
