// Pixels of the drawn view at the geometry the drawing defines. Every point
// checked lies away from text, so font rendering cannot move it.
#include <QScreen>
#include <QSignalSpy>

#include "ViewFixture.h"

namespace vh {
namespace {

using test::hasColour;
using test::rowY;
using test::slotY;

constexpr int kAdverts = 1, kCH = 4, kX = 262;
constexpr test::Colour kBlack{0, 0, 0}, kWhite{255, 255, 255}, kArrowBox{96, 144, 96}, kBanner{128, 192, 128},
    kPlaying{0, 0, 128}, kNumberBox{128, 128, 255}, kIntroOutro{224, 112, 112}, kEmpty{128, 128, 128},
    kTrough{64, 64, 64}, kThumb{128, 128, 128};
// By clip class 0 to 7.
constexpr test::Colour kClass[8] = {{255, 128, 128}, {192, 192, 128}, {128, 128, 192}, {128, 128, 255},
                                    {128, 128, 255}, {128, 192, 192}, {128, 192, 255}, {255, 128, 192}};

class MainViewPaint : public test::ViewFixture {
protected:
    int chSong = 0, chAd = 0, chTalk = 0;
    void SetUp() override {
        // Browsed: a song, then one clip of every other class.
        catalogue.addSong(kAdverts, {"Tune", "Band", {"Hi", ""}, {"Bye"}});
        for (int cls = 1; cls < 8; ++cls) catalogue.add(kAdverts, {cls, "T", "", 4});
        chSong = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {""}});
        chAd = catalogue.add(kCH, {Commercial, "Buy", "", 4});
        chTalk = catalogue.add(kCH, {Chatter, "Talk", "", 4});
        makeView(false);
    }
};

TEST_F(MainViewPaint, TheBrowserAndAnEmptyPlaylist) {
    const QImage img = draw();
    // Banner: arrow boxes 28 wide either side of the centre, black rules between.
    for (auto [x, c] : {std::pair{1, kArrowBox}, {27, kArrowBox}, {28, kBlack}, {29, kBanner}, {226, kBanner},
                        {227, kBlack}, {228, kArrowBox}, {255, kArrowBox}})
        EXPECT_TRUE(hasColour(img, x, 20, c));
    // Separators: black, white, black, two pixels each.
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(hasColour(img, 256 + i, 300, i / 2 == 1 ? kWhite : kBlack));
        EXPECT_TRUE(hasColour(img, 500, 32 + i, i / 2 == 1 ? kWhite : kBlack));
    }
    ASSERT_EQ(view->clipRowCount(), 8);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(row);
        const int y = rowY(row);
        EXPECT_TRUE(hasColour(img, 120, y, kBlack));          // the row's top line
        EXPECT_TRUE(hasColour(img, 1, y + 2, kClass[row]));   // play button
        EXPECT_TRUE(hasColour(img, 10, y + 8, kBlack));
        EXPECT_TRUE(hasColour(img, 7, y + 9, kBlack));        // the play symbol's tip
        EXPECT_TRUE(hasColour(img, 8, y + 9, kClass[row]));
        EXPECT_TRUE(hasColour(img, 238, y + 15, kClass[row]));
    }
    EXPECT_TRUE(hasColour(img, 112, rowY(0) + 8, kBlack));  // a song splits artist and title
    EXPECT_TRUE(hasColour(img, 112, rowY(1) + 8, kClass[1]));
    EXPECT_TRUE(hasColour(img, 100, rowY(8) + 30, kBlack));  // black below the last row
    // 33 rows fit: the list's thumb is longer than its travel, the trough unseen.
    EXPECT_EQ(view->scrollGeometry(MainView::kClipList).visibleRows, 33);
    EXPECT_TRUE(hasColour(img, 248, 100, kThumb));
    // Grey numbered slots all the way down; 8 of 99 fit, so the thumb is 561 × 8 / 99 long.
    for (int slot = 0; slot < 8; ++slot) {
        EXPECT_TRUE(hasColour(img, 500, slotY(slot) + 5, kEmpty));
        EXPECT_TRUE(hasColour(img, kX + 2, slotY(slot) + 3, kEmpty));
        EXPECT_TRUE(hasColour(img, kX + 31, slotY(slot) + 30, kBlack));
        EXPECT_TRUE(hasColour(img, 500, slotY(slot) + 59, kBlack));
    }
    const ScrollGeometry& g = view->scrollGeometry(MainView::kPlaylist);
    EXPECT_EQ(g.thumbBottom, 38 + 561 * 8 / 99);
    EXPECT_TRUE(hasColour(img, 791, 40, kThumb));
    EXPECT_TRUE(hasColour(img, 791, g.thumbBottom + 1, kTrough));
    EXPECT_TRUE(hasColour(img, 784, 300, kBlack));
}

TEST_F(MainViewPaint, SlotsOfASongACommercialAndTheCurrentTrackAndThePlayingClipRow) {
    append(kCH, chSong);
    append(kCH, chAd);
    view->playlist().currentTrack = append(kCH, chTalk);
    const QImage img = draw();
    const int y = slotY(0);
    // Intro and outro bands, the station-name column and its rule, the title band.
    for (int band : {1, 14, 45, 58}) EXPECT_TRUE(hasColour(img, kX + 300, y + band, kIntroOutro));
    EXPECT_TRUE(hasColour(img, kX + 300, y + 15, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 33, y + 16, kBanner));
    EXPECT_TRUE(hasColour(img, kX + 159, y + 30, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 160, y + 16, kClass[0]));
    // The number box with its lowest 14 pixels marked off.
    EXPECT_TRUE(hasColour(img, kX + 2, y + 3, kNumberBox));
    EXPECT_TRUE(hasColour(img, kX + 10, y + 44, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 2, y + 50, kNumberBox));
    // Choice arrows: left-pointing from x + 36, right-pointing to x + 54.
    for (int row : {y + 8, y + 52}) {
        EXPECT_TRUE(hasColour(img, kX + 35, row, kIntroOutro));
        EXPECT_TRUE(hasColour(img, kX + 36, row, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 54, row, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 55, row, kIntroOutro));
    }
    // A commercial has no station-name column.
    EXPECT_TRUE(hasColour(img, kX + 33, slotY(1) + 5, kClass[1]));
    EXPECT_TRUE(hasColour(img, kX + 159, slotY(1) + 5, kClass[1]));
    // The current track's number box is dark blue.
    EXPECT_TRUE(hasColour(img, kX + 2, slotY(2) + 3, kPlaying));
    EXPECT_TRUE(hasColour(img, kX + 160, slotY(2) + 5, kClass[2]));

    // A preview of the browser's chatter row: dark blue button, white symbol.
    auto preview = view->playlist().createTrack(kAdverts, view->clipRows()[2]);
    view->playlist().currentTrack = preview.get();
    const QImage playing = draw();
    EXPECT_TRUE(hasColour(playing, 1, rowY(2) + 2, kPlaying));
    EXPECT_TRUE(hasColour(playing, 7, rowY(2) + 9, kWhite));
    EXPECT_TRUE(hasColour(playing, 1, rowY(1) + 2, kClass[1]));
    EXPECT_TRUE(hasColour(playing, kX + 2, slotY(2) + 3, kNumberBox));
    view->playlist().currentTrack = nullptr;
}

TEST_F(MainViewPaint, CopyProgressDrawsTheTransportLineOnlyWhenThePercentChanges) {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    flush();
    QSignalSpy drawn(view.get(), &MainView::drawn);
    view->setCopyActive(true);
    view->onCopyProgress("CO.PAK", 0.2f);  // still 0: nothing new to show
    EXPECT_EQ(drawn.count(), 0);
    view->onCopyProgress("CO.PAK", 41.6f);
    EXPECT_EQ(view->transportText().text, "Copying CO.PAK : 42%");
    view->onCopyProgress("CO.PAK", 42.4f);
    EXPECT_EQ(drawn.count(), 1);
    view->onCopyProgress("CO.PAK", 100.0f);
    EXPECT_EQ(view->transportText().text, "Copying CO.PAK : OK ");
    view->onCopyProgress("CR.PAK", 0.0f);
    EXPECT_EQ(drawn.count(), 3);
    EXPECT_EQ(view->transportText().text, "Copying CR.PAK : 00%");
}

// An immediate transport drawing before a pending repaint had its turn must
// not leave the rest of the window stale on the screen.
TEST_F(MainViewPaint, DrawingNowPaintsAtOnceAndLeavesNothingStale) {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    flush();
    QSignalSpy drawn(view.get(), &MainView::drawn);
    append(kCH, chTalk);
    view->invalidate();
    view->drawTransportNow(false);
    EXPECT_EQ(drawn.count(), 1);
    const QImage shown = view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(hasColour(shown, kX + 300, slotY(0) + 5, kClass[2]));
    EXPECT_TRUE(hasColour(shown, kX + 300, slotY(1) + 5, kEmpty));
}

}  // namespace
}  // namespace vh
