// Pixels of the drawn view at the geometry the drawing defines. Every point
// checked lies away from text, so font rendering cannot move it.
#include <QScreen>
#include <QSignalSpy>

#include "ViewFixture.h"

namespace vh {
namespace {

using test::Colour;
using test::rowY;
using test::slotY;

constexpr int kAdverts = 1, kCH = 4, kX = 262;
constexpr Colour kBlack{0, 0, 0}, kWhite{255, 255, 255}, kArrowBox{96, 144, 96}, kBanner{128, 192, 128},
    kPlaying{0, 0, 128}, kNumberBox{128, 128, 255}, kIntroOutro{224, 112, 112}, kEmpty{128, 128, 128},
    kTrough{64, 64, 64}, kThumb{128, 128, 128};
// By clip class 0 to 7.
constexpr Colour kClass[8] = {{255, 128, 128}, {192, 192, 128}, {128, 128, 192}, {128, 128, 255},
                              {128, 128, 255}, {128, 192, 192}, {128, 192, 255}, {255, 128, 192}};

struct Point { int x, y; Colour colour; };

void expectPoints(const QImage& img, std::initializer_list<Point> points) {
    for (const Point& p : points) EXPECT_TRUE(test::hasColour(img, p.x, p.y, p.colour));
}

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
    // Banner: arrow boxes 28 wide either side of the centre, black rules
    // between; separators black, white, black, two pixels each; a song's row
    // split at x = 112; black below the last row; the list's thumb longer than
    // its travel (33 rows fit).
    expectPoints(img, {{1, 20, kArrowBox}, {27, 20, kArrowBox}, {28, 20, kBlack}, {29, 20, kBanner},
                       {226, 20, kBanner}, {227, 20, kBlack}, {228, 20, kArrowBox}, {255, 20, kArrowBox},
                       {257, 300, kBlack}, {258, 300, kWhite}, {259, 300, kWhite}, {260, 300, kBlack},
                       {500, 33, kBlack}, {500, 34, kWhite}, {500, 35, kWhite}, {500, 36, kBlack},
                       {112, rowY(0) + 8, kBlack}, {112, rowY(1) + 8, kClass[1]}, {100, rowY(8) + 30, kBlack},
                       {248, 100, kThumb}});
    ASSERT_EQ(view->clipRowCount(), 8);
    for (int row = 0; row < 8; ++row) {
        const int y = rowY(row);  // top line, play button, its rule, the symbol's tip, the body
        expectPoints(img, {{120, y, kBlack}, {1, y + 2, kClass[row]}, {10, y + 8, kBlack}, {7, y + 9, kBlack},
                           {8, y + 9, kClass[row]}, {238, y + 15, kClass[row]}});
    }
    // Grey numbered slots all the way down; 8 of 99 fit, so the thumb is 561 × 8 / 99 long.
    for (int slot = 0; slot < 8; ++slot)
        expectPoints(img, {{500, slotY(slot) + 5, kEmpty}, {kX + 2, slotY(slot) + 3, kEmpty},
                           {kX + 31, slotY(slot) + 30, kBlack}, {500, slotY(slot) + 59, kBlack}});
    const ScrollGeometry& g = view->scrollGeometry(MainView::kPlaylist);
    EXPECT_EQ(g.thumbBottom, 38 + 561 * 8 / 99);
    expectPoints(img, {{791, 40, kThumb}, {791, g.thumbBottom + 1, kTrough}, {784, 300, kBlack}});
}

TEST_F(MainViewPaint, SlotsOfASongACommercialAndTheCurrentTrackAndThePlayingClipRow) {
    append(kCH, chSong);
    append(kCH, chAd);
    view->playlist().currentTrack = append(kCH, chTalk);
    const int y = slotY(0);
    // The song: intro and outro bands, the station-name column and its rule,
    // the title band, the number box with its lowest 14 pixels marked off,
    // the choice arrows (left-pointing from x + 36, right-pointing to x + 54).
    // The commercial has no station-name column; the current track's number
    // box is dark blue.
    expectPoints(draw(), {{kX + 300, y + 1, kIntroOutro}, {kX + 300, y + 14, kIntroOutro}, {kX + 300, y + 15, kBlack},
                          {kX + 300, y + 45, kIntroOutro}, {kX + 300, y + 58, kIntroOutro}, {kX + 33, y + 16, kBanner},
                          {kX + 159, y + 30, kBlack}, {kX + 160, y + 16, kClass[0]}, {kX + 2, y + 3, kNumberBox},
                          {kX + 10, y + 44, kBlack}, {kX + 2, y + 50, kNumberBox}, {kX + 35, y + 8, kIntroOutro},
                          {kX + 36, y + 8, kBlack}, {kX + 54, y + 52, kBlack}, {kX + 55, y + 52, kIntroOutro},
                          {kX + 33, slotY(1) + 5, kClass[1]}, {kX + 159, slotY(1) + 5, kClass[1]},
                          {kX + 2, slotY(2) + 3, kPlaying}, {kX + 160, slotY(2) + 5, kClass[2]}});
    // A preview of the browser's chatter row: dark blue button, white symbol.
    auto preview = view->playlist().createTrack(kAdverts, view->clipRows()[2]);
    view->playlist().currentTrack = preview.get();
    expectPoints(draw(), {{1, rowY(2) + 2, kPlaying}, {7, rowY(2) + 9, kWhite}, {1, rowY(1) + 2, kClass[1]},
                          {kX + 2, slotY(2) + 3, kNumberBox}});
    view->playlist().currentTrack = nullptr;
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
    expectPoints(shown, {{kX + 300, slotY(0) + 5, kClass[2]}, {kX + 300, slotY(1) + 5, kEmpty}});
}

}  // namespace
}  // namespace vh
