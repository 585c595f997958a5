// The view's mouse handling driven by real QTest mouse events on a shown
// view: drops and moves in the playlist, station arrows, paging, thumb drags,
// previews, the intro and outro arrows and the number box.
#include "audio/PlaybackEngine.h"
#include "audio/TestSoundOutput.h"
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
constexpr int kTK = 15;      // the last listed one
constexpr int kX = geometry::kCdLeft;

// An 800 × 600 view browsing ADVERTS, whose clip rows 0..5 are commercials,
// with five distinct chatter tracks of CH in the playlist.
class Mouse : public test::ViewFixture {
protected:
    int ads[6] = {};
    int talk[5] = {};
    void SetUp() override {
        // Long enough (5600 frames) to go on playing over a few ticks.
        for (int i = 0; i < 6; ++i) ads[i] = catalogue.add(kAdverts, {Commercial, "Ad " + std::to_string(i), "", 200});
        for (int i = 0; i < 5; ++i) talk[i] = catalogue.add(kCH, {Chatter, "Talk " + std::to_string(i), "", 200});
    }
    void makeShownView(int tracks) {
        makeRecordingView();
        for (int i = 0; i < tracks; ++i) append(kCH, talk[i]);
        showView();
    }
    const Clip* ad(int i) { return clip(kAdverts, ads[i]); }
    const Clip* chat(int i) { return clip(kCH, talk[i]); }
};

struct DropCase {
    const char* name;
    QPoint at;
    int position;  // where the new track ends up (0-based); -1: refused
};

class ClipDrop : public Mouse, public ::testing::WithParamInterface<DropCase> {};

TEST_P(ClipDrop, InsertsWhereReleasedOrNowhere) {
    const DropCase& c = GetParam();
    makeShownView(5);
    drag(clipRowPoint(2), c.at);

    std::vector<const Clip*> expected = {chat(0), chat(1), chat(2), chat(3), chat(4)};
    if (c.position >= 0) expected.insert(expected.begin() + c.position, ad(2));
    EXPECT_EQ(playlistClips(), expected);
    EXPECT_EQ(view->playlist().trackCount, int32_t(expected.size()));
    EXPECT_EQ(view->draggedClip(), nullptr);
    EXPECT_FALSE(view->dragging());
    if (c.position >= 0) {
        // The new track's audio is read at once.
        EXPECT_NE(view->playlist().trackAt(c.position)->mainAudio, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, ClipDrop,
    ::testing::Values(DropCase{"OnTrack3", titlePoint(2), 2},                      // before it: the new track 3
                      DropCase{"OnTrack3sNumber", QPoint(kX + 5, slotY(2) + 5), 2},  // any zone of the slot
                      DropCase{"InTrack3sGap", gapPoint(2), 3},                      // after it: the new track 4
                      DropCase{"InTheLastGap", gapPoint(4), 5},
                      DropCase{"OnTheFirstEmptySlot", titlePoint(5), 5},            // below the last: appended
                      DropCase{"FarBelowTheLast", titlePoint(7), 5},
                      DropCase{"InAGapBelowTheLast", gapPoint(6), 5},
                      DropCase{"OnTheClipList", clipRowPoint(4), -1},
                      DropCase{"BelowTheClipRows", QPoint(100, 500), -1},
                      DropCase{"OnTheBanner", QPoint(120, 10), -1},
                      DropCase{"OnTheTransport", QPoint(500, 10), -1},
                      DropCase{"OnTheSeparator", QPoint(258, 300), -1},
                      DropCase{"OnThePlaylistScrollbar", QPoint(790, 300), -1},
                      DropCase{"RightOfTheWindow", QPoint(900, 200), -1},
                      DropCase{"BelowTheWindow", QPoint(500, 700), -1},
                      DropCase{"LeftOfTheWindow", QPoint(-20, 200), -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mouse, ADropOnAFullPlaylistIsRefused) {
    makeRecordingView();
    for (int i = 0; i < 98; ++i) append(kCH, talk[i % 5]);
    showView();
    // The 99th track still fits ...
    drag(clipRowPoint(0), gapPoint(0));
    ASSERT_EQ(view->playlist().trackCount, 99);
    EXPECT_EQ(view->playlist().trackAt(1)->clip, ad(0));
    // ... a 100th is refused, on a slot or in a gap.
    drag(clipRowPoint(1), titlePoint(0));
    drag(clipRowPoint(1), gapPoint(3));
    EXPECT_EQ(view->playlist().trackCount, 99);
    EXPECT_EQ(int32_t(playlistClips().size()), 99);
    EXPECT_EQ(view->playlist().first()->clip, chat(0));
    EXPECT_EQ(view->draggedClip(), nullptr);
}

struct MoveCase {
    const char* name;
    int from;
    QPoint to;
    std::vector<int> order;  // the five tracks afterwards, by their original positions
};

class TrackMove : public Mouse, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(TrackMove, MovesBeforeOrAfterOrLeavesTheOrder) {
    const MoveCase& c = GetParam();
    makeShownView(5);
    drag(titlePoint(c.from), c.to);
    std::vector<const Clip*> expected;
    for (int i : c.order) expected.push_back(chat(i));
    EXPECT_EQ(playlistClips(), expected);
    EXPECT_EQ(view->playlist().trackCount, int32_t(expected.size()));
    EXPECT_EQ(view->draggedTrackIndex(), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Points, TrackMove,
    ::testing::Values(
        // Track 2 released over track 5 goes in front of it: fourth.
        MoveCase{"Track2OntoTrack5", 1, titlePoint(4), {0, 2, 3, 1, 4}},
        MoveCase{"Track2IntoTrack5sGap", 1, gapPoint(4), {0, 2, 3, 4, 1}},
        MoveCase{"Track4OntoTrack1", 3, titlePoint(0), {3, 0, 1, 2, 4}},
        MoveCase{"Track4IntoTrack1sGap", 3, gapPoint(0), {0, 3, 1, 2, 4}},
        MoveCase{"OntoItself", 1, QPoint(kX + 5, slotY(1) + 50), {0, 1, 2, 3, 4}},
        MoveCase{"IntoItsOwnGap", 1, gapPoint(1), {0, 1, 2, 3, 4}},
        MoveCase{"IntoItsPredecessorsGap", 1, gapPoint(0), {0, 1, 2, 3, 4}},
        MoveCase{"OntoItsSuccessor", 1, titlePoint(2), {0, 1, 2, 3, 4}},
        MoveCase{"BelowTheLast", 0, titlePoint(6), {1, 2, 3, 4, 0}},
        MoveCase{"LastBelowItself", 4, gapPoint(6), {0, 1, 2, 3, 4}},
        MoveCase{"OntoTheClipList", 1, clipRowPoint(1), {0, 1, 2, 3, 4}},
        MoveCase{"OntoTheTransport", 1, QPoint(500, 5), {0, 1, 2, 3, 4}},
        MoveCase{"OntoTheScrollbar", 1, QPoint(795, 300), {0, 1, 2, 3, 4}},
        MoveCase{"OffTheRight", 1, QPoint(805, 100), {0, 2, 3, 4}},
        MoveCase{"OffTheBottom", 3, QPoint(500, 600), {0, 1, 2, 4}},
        MoveCase{"OffTheTop", 0, QPoint(500, -1), {1, 2, 3, 4}},
        MoveCase{"OffTheLeft", 4, QPoint(-1, 300), {0, 1, 2, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mouse, AScrolledPlaylistDropsAtTheSlotShown) {
    makeRecordingView();
    for (int i = 0; i < 12; ++i) append(kCH, talk[i % 5]);
    view->playlist().playlistScroll = 3;
    showView();
    // The top slot shown is track 4: its gap puts the new track fifth.
    drag(clipRowPoint(5), gapPoint(0));
    EXPECT_EQ(view->playlist().trackAt(4)->clip, ad(5));
    // Track 6 (second slot shown) dragged onto the first slot shown.
    PlaylistTrack* sixth = view->playlist().trackAt(5);
    drag(titlePoint(2), titlePoint(0));
    EXPECT_EQ(view->playlist().trackAt(3), sixth);
}

// Playback through the engine with a test sound output.
class MousePlayback : public Mouse {
protected:
    TestSoundOutput* output = nullptr;
    test::RecordingPrompts prompts;
    void SetUp() override {
        Mouse::SetUp();
        auto out = std::make_unique<TestSoundOutput>();
        output = out.get();
        ASSERT_NE(PlaybackEngine::create(std::move(out), prompts, {}), nullptr);
    }
    void TearDown() override {
        Mouse::TearDown();
        PlaybackEngine::shutdownEngine();
    }
    void tick() {
        output->advance(480);
        PlaybackEngine::onTimer();
    }
};

TEST_F(MousePlayback, ThePlayingTrackDraggedOutStopsAndGoes) {
    makeShownView(3);
    for (PlaylistTrack* t = view->playlist().first(); t != view->playlist().sentinel(); t = t->next)
        view->playlist().loadTrackAudio(*t, WaitDisplay::None);
    click(QPoint(kX + 10, slotY(1) + 20));  // track 2's number
    tick();
    PlaylistTrack* playing = view->playlist().trackAt(1);
    ASSERT_EQ(view->playlist().currentTrack, playing);

    // Dragged elsewhere inside the window but not onto the list: nothing.
    drag(titlePoint(1), QPoint(500, 10));
    tick();
    EXPECT_EQ(view->playlist().currentTrack, playing);
    EXPECT_EQ(view->playlist().trackCount, 3);

    drag(titlePoint(1), QPoint(810, 300));
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
    EXPECT_EQ(playlistClips(), (std::vector<const Clip*>{chat(0), chat(2)}));
    tick();  // the player holds nothing of the removed track
    tick();
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
}

TEST_F(MousePlayback, PlayButtonAndDoubleClickPreviewTheClip) {
    makeShownView(0);
    click(QPoint(4, rowY(3) + 8));  // the play button of row 3
    tick();
    const PlaylistTrack* preview = view->playlist().currentTrack;
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->clip, ad(3));
    EXPECT_EQ(preview->next, nullptr);  // free-standing, not in the playlist
    EXPECT_NE(preview->mainAudio, nullptr);
    EXPECT_FALSE(view->dragging());

    // A double click anywhere on a row previews it too; its first click's
    // drag adds nothing.
    doubleClick(clipRowPoint(1));
    tick();
    ASSERT_NE(view->playlist().currentTrack, nullptr);
    EXPECT_EQ(view->playlist().currentTrack->clip, ad(1));
    EXPECT_EQ(view->playlist().trackCount, 0);
    EXPECT_FALSE(view->dragging());
}

TEST_F(Mouse, NumberBoxPlaysFromTheIntroOrTheOutro) {
    const int song = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {"Bye"}});
    const int ad0 = ads[0];
    makeRecordingView();
    PlaylistTrack* songTrack = append(kCH, song);
    PlaylistTrack* adTrack = append(kAdverts, ad0);
    showView();
    using Call = test::RecordingView::Call;

    click(QPoint(kX + 10, slotY(0) + 50));  // lower part of the song's number box
    click(QPoint(kX + 10, slotY(0) + 43));  // its upper part
    click(QPoint(kX + 10, slotY(1) + 50));  // lower part on a commercial
    click(QPoint(kX + 30, slotY(1) + 5));
    EXPECT_EQ(recorder->calls,
              (std::vector<Call>{{songTrack, 2}, {songTrack, 0}, {adTrack, 0}, {adTrack, 0}}));
    // Presses elsewhere on a song play nothing.
    recorder->calls.clear();
    click(QPoint(kX + 200, slotY(0) + 5));   // intro text
    click(QPoint(kX + 200, slotY(0) + 50));  // outro text
    click(titlePoint(0));                    // title band: a drag onto itself
    click(QPoint(kX + 10, slotY(2) + 20));   // an empty slot
    EXPECT_TRUE(recorder->calls.empty());
    EXPECT_EQ(view->playlist().trackCount, 2);
}

struct StepCase {
    const char* name;
    std::vector<std::string> intros, outros;
    QPoint at;  // relative to the slot's top left
    int intro, outro;  // choices afterwards
};

class ChoiceArrows : public Mouse, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ChoiceArrows, StepTheIntroOrOutro) {
    const StepCase& c = GetParam();
    const int song = catalogue.addSong(kCH, {"Tune", "Band", c.intros, c.outros});
    makeRecordingView();
    PlaylistTrack* track = append(kCH, song);
    view->playlist().loadTrackAudio(*track, WaitDisplay::None);
    showView();
    click(QPoint(kX, slotY(0)) + c.at);
    EXPECT_EQ(track->intro, c.intro);
    EXPECT_EQ(track->outro, c.outro);
    // The chosen parts' audio is there after the step.
    EXPECT_EQ(track->introAudio != nullptr, !c.intros.empty());
    EXPECT_EQ(track->outroAudio != nullptr, !c.outros.empty());
    EXPECT_EQ(view->playlist().pleaseWait, false);
}

INSTANTIATE_TEST_SUITE_P(
    Arrows, ChoiceArrows,
    ::testing::Values(
        // A single intro is loaded again and stays chosen.
        StepCase{"SingleIntroNext", {"Hi"}, {"Bye"}, QPoint(50, 7), 0, 0},
        StepCase{"SingleIntroPrevious", {"Hi"}, {"Bye"}, QPoint(35, 3), 0, 0},
        // Default choices are the first variant without speech: intro 1, outro 0.
        StepCase{"IntroNextWraps", {"Hi", ""}, {"", "B", "C"}, QPoint(57, 14), 0, 0},
        StepCase{"IntroPrevious", {"Hi", ""}, {"", "B", "C"}, QPoint(32, 0), 0, 0},
        StepCase{"OutroNext", {"Hi", ""}, {"", "B", "C"}, QPoint(45, 44), 1, 1},
        StepCase{"OutroPreviousWraps", {"Hi", ""}, {"", "B", "C"}, QPoint(44, 58), 1, 2},
        StepCase{"NoOutros", {"Hi"}, {}, QPoint(50, 50), 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mouse, StationArrowsWrapSkipHiddenStationsAndRestoreTheScroll) {
    for (int i = 0; i < 54; ++i) catalogue.add(kAdverts, {Commercial, "More", "", 2});  // 60 rows
    for (int i = 0; i < 35; ++i) catalogue.add(kCH, {Chatter, "More", "", 2});          // 40 rows
    makeRecordingView();
    showView();
    const QPoint previous(10, 10), next(240, 10), pageDown(248, 590);
    ASSERT_EQ(view->currentStation(), kAdverts);

    // Station 0 is hidden: the left arrow on the first listed one wraps to the last.
    click(previous);
    EXPECT_EQ(view->currentStation(), kTK);
    click(next);
    EXPECT_EQ(view->currentStation(), kAdverts);

    click(pageDown);  // 33 rows fit: 60 rows scroll to at most 27
    flush();
    EXPECT_EQ(view->clipScroll(), 27);
    click(next);  // stations 2 and 3 are hidden
    flush();
    EXPECT_EQ(view->currentStation(), kCH);
    EXPECT_EQ(view->clipScroll(), 0);
    EXPECT_EQ(view->clipRowCount(), 40);
    click(pageDown);
    flush();
    EXPECT_EQ(view->clipScroll(), 7);

    click(previous);
    EXPECT_EQ(view->currentStation(), kAdverts);
    EXPECT_EQ(view->clipScroll(), 27);
    EXPECT_EQ(view->clipRowCount(), 60);
    click(next);
    EXPECT_EQ(view->clipScroll(), 7);

    // A double click on an arrow moves two stations (6 → 8: CUTSCENE is hidden).
    click(next);
    click(next);
    ASSERT_EQ(view->currentStation(), 6);
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, next);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, next);
    EXPECT_EQ(view->currentStation(), 8);
    // ... but on the banner's middle nothing.
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(128, 10));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(128, 10));
    EXPECT_EQ(view->currentStation(), 8);
}

TEST_F(Mouse, PagingStopsAtTheListsBounds) {
    for (int i = 0; i < 54; ++i) catalogue.add(kAdverts, {Commercial, "More", "", 2});
    makeRecordingView();
    showView();
    const int rows = view->scrollGeometry(MainView::kPlaylist).visibleRows;
    ASSERT_EQ(rows, 8);  // (600 - 38) / 65

    for (int i = 0; i < 20; ++i) {
        click(QPoint(792, 598));  // below the playlist's thumb
        flush();
    }
    // Slot 99 is the last one fully shown, never further.
    EXPECT_EQ(view->playlist().playlistScroll, 99 - rows);
    EXPECT_EQ(view->hitTest(500, slotY(rows - 1) + 30).index, 98);
    for (int i = 0; i < 20; ++i) {
        click(QPoint(792, 40));  // above it
        flush();
    }
    EXPECT_EQ(view->playlist().playlistScroll, 0);

    click(QPoint(248, 598));
    flush();
    click(QPoint(248, 598));
    flush();
    EXPECT_EQ(view->clipScroll(), 27);
    click(QPoint(248, 30));
    flush();
    EXPECT_EQ(view->clipScroll(), 0);
}

TEST_F(Mouse, AThumbDragFollowsTheMouseOutsideTheWindowWithinBounds) {
    for (int i = 0; i < 54; ++i) catalogue.add(kAdverts, {Commercial, "More", "", 2});
    makeRecordingView();
    showView();
    const ScrollGeometry list = view->scrollGeometry(MainView::kClipList);
    const QPoint grip(248, list.thumbTop + 5);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, grip);
    EXPECT_EQ(view->thumbDrag(), 1);

    // 60 rows over 570 pixels of travel: 19 pixels move two rows (1.99 + 0.5).
    QTest::mouseMove(view.get(), grip + QPoint(0, 19));
    EXPECT_EQ(view->clipScroll(), 2);
    QTest::mouseMove(view.get(), QPoint(-300, 3000));  // far below and left of the window
    EXPECT_EQ(view->clipScroll(), 27);
    QTest::mouseMove(view.get(), QPoint(1000, -3000));
    EXPECT_EQ(view->clipScroll(), 0);
    QTest::mouseMove(view.get(), QPoint(248, 700));
    EXPECT_EQ(view->clipScroll(), 27);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(248, 700));
    EXPECT_EQ(view->thumbDrag(), 0);
    EXPECT_EQ(view->clipScroll(), 27);

    // The playlist's thumb likewise, bounded by 99 slots.
    flush();
    const ScrollGeometry pane = view->scrollGeometry(MainView::kPlaylist);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(792, pane.thumbTop + 2));
    EXPECT_EQ(view->thumbDrag(), 2);
    QTest::mouseMove(view.get(), QPoint(792, 5000));
    EXPECT_EQ(view->playlist().playlistScroll, 91);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(792, 5000));
    EXPECT_EQ(view->playlist().playlistScroll, 91);
    EXPECT_FALSE(view->dragging());
}

TEST_F(Mouse, OtherButtonsDoNothing) {
    makeShownView(2);
    QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(240, 10));
    QTest::mousePress(view.get(), Qt::MiddleButton, {}, titlePoint(0));
    QTest::mouseMove(view.get(), QPoint(900, 100));
    QTest::mouseRelease(view.get(), Qt::MiddleButton, {}, QPoint(900, 100));
    EXPECT_EQ(view->currentStation(), kAdverts);
    EXPECT_EQ(view->playlist().trackCount, 2);
    EXPECT_FALSE(view->dragging());
}

}  // namespace
}  // namespace vh
