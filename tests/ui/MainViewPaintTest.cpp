// Pixels of the drawn view at the geometry the drawing defines. Every point
// checked lies away from text, so font rendering cannot move it.
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "ViewFixture.h"

namespace vh {
namespace {

using test::hasColour;
using namespace colours;

constexpr int kAdverts = 1;  // the first listed station of the default catalogue
constexpr int kCH = 4;
constexpr int kX = geometry::kCdLeft;

int rowY(int row) { return 29 + 17 * row; }
int slotY(int slot) { return 38 + 65 * slot; }

class MainViewPaint : public test::ViewFixture {
protected:
    int song = 0, chSong = 0, chAd = 0, chChatter = 0, adChatter = 0;
    void SetUp() override {
        // Browsed station: a song, then one clip of every other class.
        song = catalogue.addSong(kAdverts, {"Tune", "Band", {"Hi", ""}, {"Bye"}});
        for (int cls = 1; cls < 8; ++cls) catalogue.add(kAdverts, {cls, "T", "", 4});
        adChatter = 3 + 2;  // the class 2 clip: after the song's 3 variants and class 1
        chSong = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {""}});
        chAd = catalogue.add(kCH, {Commercial, "Buy", "", 4});
        chChatter = catalogue.add(kCH, {Chatter, "Talk", "", 4});
    }
    int slotWidth() const { return view->width() - 16 - kX; }
};

TEST_F(MainViewPaint, BannerArrowBoxesAndSeparators) {
    makeView();
    const QImage img = draw();
    EXPECT_TRUE(hasColour(img, 100, 0, kBlack));  // top line
    EXPECT_TRUE(hasColour(img, 1, 2, kArrowBox));
    EXPECT_TRUE(hasColour(img, 27, 28, kArrowBox));
    EXPECT_TRUE(hasColour(img, 28, 10, kBlack));
    EXPECT_TRUE(hasColour(img, 29, 2, kBanner));
    EXPECT_TRUE(hasColour(img, 226, 28, kBanner));
    EXPECT_TRUE(hasColour(img, 227, 10, kBlack));
    EXPECT_TRUE(hasColour(img, 228, 2, kArrowBox));
    EXPECT_TRUE(hasColour(img, 255, 28, kArrowBox));

    // Vertical separator: black, white, black, two pixels each.
    for (int y : {5, 300, 599}) {
        EXPECT_TRUE(hasColour(img, 256, y, kBlack));
        EXPECT_TRUE(hasColour(img, 257, y, kBlack));
        EXPECT_TRUE(hasColour(img, 258, y, kWhite));
        EXPECT_TRUE(hasColour(img, 259, y, kWhite));
        EXPECT_TRUE(hasColour(img, 260, y, kBlack));
        EXPECT_TRUE(hasColour(img, 261, y, kBlack));
    }
    // Horizontal separator below the transport, from x = 260 to the edge.
    for (int x : {261, 500, 799}) {
        EXPECT_TRUE(hasColour(img, x, 32, kBlack));
        EXPECT_TRUE(hasColour(img, x, 33, kBlack));
        EXPECT_TRUE(hasColour(img, x, 34, kWhite));
        EXPECT_TRUE(hasColour(img, x, 35, kWhite));
        EXPECT_TRUE(hasColour(img, x, 36, kBlack));
        EXPECT_TRUE(hasColour(img, x, 37, kBlack));
    }
}

TEST_F(MainViewPaint, ClipRowsTakeTheirClassColour) {
    makeView();
    const QImage img = draw();
    ASSERT_EQ(view->clipRowCount(), 8);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(row);
        const int y = rowY(row);
        const Rgb c = kClassColours[row];
        EXPECT_TRUE(hasColour(img, 120, y, kBlack));   // row's top line
        EXPECT_TRUE(hasColour(img, 1, y + 2, c));      // play button
        EXPECT_TRUE(hasColour(img, 10, y + 8, kBlack));
        EXPECT_TRUE(hasColour(img, 4, y + 9, kBlack));  // play symbol, centre row
        EXPECT_TRUE(hasColour(img, 7, y + 9, kBlack));  // its tip
        EXPECT_TRUE(hasColour(img, 8, y + 9, c));
        EXPECT_TRUE(hasColour(img, 2, y + 5, kBlack));  // top row: 2 pixels from the base
        EXPECT_TRUE(hasColour(img, 3, y + 5, kBlack));
        EXPECT_TRUE(hasColour(img, 4, y + 5, c));
        EXPECT_TRUE(hasColour(img, 1, y + 9, c));
        EXPECT_TRUE(hasColour(img, 238, y + 15, c));
    }
    // A song splits artist and title at x = 112.
    EXPECT_TRUE(hasColour(img, 112, rowY(0) + 8, kBlack));
    EXPECT_TRUE(hasColour(img, 113, rowY(0) + 2, kClassColours[Song]));
    EXPECT_TRUE(hasColour(img, 112, rowY(1) + 8, kClassColours[Commercial]));
}

TEST_F(MainViewPaint, PlayingRowHasADarkBlueButtonWithAWhiteSymbol) {
    makeView();
    auto preview = view->playlist().createTrack(kAdverts, clip(kAdverts, adChatter));
    view->playlist().currentTrack = preview.get();
    const QImage img = draw();
    const int y = rowY(2);
    EXPECT_TRUE(hasColour(img, 1, y + 2, kPlaying));
    EXPECT_TRUE(hasColour(img, 4, y + 9, kWhite));
    EXPECT_TRUE(hasColour(img, 7, y + 9, kWhite));
    EXPECT_TRUE(hasColour(img, 8, y + 9, kPlaying));
    EXPECT_TRUE(hasColour(img, 238, y + 15, kClassColours[Chatter]));
    // Other rows are not playing.
    EXPECT_TRUE(hasColour(img, 1, rowY(1) + 2, kClassColours[Commercial]));
    EXPECT_TRUE(hasColour(img, 4, rowY(3) + 9, kBlack));
}

TEST_F(MainViewPaint, AreaBelowTheLastRowIsBlackAndTheThumbOutgrowsTheTravel) {
    makeView(800, 600);
    const QImage img = draw();
    EXPECT_TRUE(hasColour(img, 100, rowY(8), kBlack));
    EXPECT_TRUE(hasColour(img, 100, rowY(8) + 30, kBlack));
    EXPECT_TRUE(hasColour(img, 239, 599, kBlack));
    const ScrollGeometry& g = view->scrollGeometry(MainView::kClipList);
    EXPECT_EQ(g.top, 29);
    EXPECT_EQ(g.bottom, 600);
    EXPECT_EQ(g.visibleRows, 33);
    EXPECT_GT(g.thumbBottom - g.thumbTop, 600 - 1 - 29);
    // The list's scrollbar is thumb from its top down.
    EXPECT_TRUE(hasColour(img, 248, 29, kBlack));
    EXPECT_TRUE(hasColour(img, 248, 100, kThumb));
    EXPECT_TRUE(hasColour(img, 240, 100, kBlack));
    // The fills span L + 1 to R − 1 and so cover the right-hand line.
    EXPECT_TRUE(hasColour(img, 255, 100, kThumb));
}

TEST_F(MainViewPaint, EmptyPlaylistShowsGreyNumberedSlotsAndItsScrollbar) {
    makeView(800, 600);
    const QImage img = draw();
    for (int slot = 0; slot < 8; ++slot) {
        SCOPED_TRACE(slot);
        const int y = slotY(slot);
        EXPECT_TRUE(hasColour(img, 500, y, kBlack));
        EXPECT_TRUE(hasColour(img, 500, y + 5, kEmptySlot));
        EXPECT_TRUE(hasColour(img, 500, y + 58, kEmptySlot));
        EXPECT_TRUE(hasColour(img, kX + 2, y + 3, kEmptySlot));  // number box
        EXPECT_TRUE(hasColour(img, kX + 31, y + 30, kBlack));
        EXPECT_TRUE(hasColour(img, 500, y + 59, kBlack));  // gap
        EXPECT_TRUE(hasColour(img, 500, y + 64, kBlack));
    }
    const ScrollGeometry& g = view->scrollGeometry(MainView::kPlaylist);
    EXPECT_EQ(g.top, 38);
    EXPECT_EQ(g.visibleRows, 8);
    EXPECT_EQ(g.thumbTop, 38);
    EXPECT_EQ(g.thumbBottom, 38 + 561 * 8 / 99);
    EXPECT_TRUE(hasColour(img, 791, 40, kThumb));
    EXPECT_TRUE(hasColour(img, 791, g.thumbBottom, kBlack));
    EXPECT_TRUE(hasColour(img, 791, g.thumbBottom + 1, kTrough));
    EXPECT_TRUE(hasColour(img, 791, 597, kTrough));
    EXPECT_TRUE(hasColour(img, 791, 599, kBlack));
    EXPECT_TRUE(hasColour(img, 784, 300, kBlack));
    EXPECT_TRUE(hasColour(img, 799, 300, kTrough));
}

TEST_F(MainViewPaint, SongSlotHasIntroAndOutroBandsChoiceArrowsAndASplitNumberBox) {
    makeView();
    append(kCH, chSong);
    const QImage img = draw();
    const int y = slotY(0);
    const int right = kX + slotWidth();
    EXPECT_TRUE(hasColour(img, kX + 300, y + 1, kIntroOutro));
    EXPECT_TRUE(hasColour(img, kX + 300, y + 14, kIntroOutro));
    EXPECT_TRUE(hasColour(img, kX + 300, y + 15, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 300, y + 44, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 300, y + 45, kIntroOutro));
    EXPECT_TRUE(hasColour(img, kX + 300, y + 58, kIntroOutro));
    EXPECT_TRUE(hasColour(img, right - 1, y + 5, kIntroOutro));
    // Station-name column, its rule, and the title band in the song colour.
    EXPECT_TRUE(hasColour(img, kX + 33, y + 16, kBanner));
    EXPECT_TRUE(hasColour(img, kX + 158, y + 43, kBanner));
    EXPECT_TRUE(hasColour(img, kX + 159, y + 30, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 160, y + 16, kClassColours[Song]));
    EXPECT_TRUE(hasColour(img, right - 1, y + 43, kClassColours[Song]));
    EXPECT_TRUE(hasColour(img, right, y + 30, kBlack));  // scrollbar's left line
    // Number box with its lowest 14 pixels marked off.
    EXPECT_TRUE(hasColour(img, kX + 2, y + 3, kNumberBox));
    EXPECT_TRUE(hasColour(img, kX + 10, y + 44, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 31, y + 44, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 2, y + 50, kNumberBox));
    EXPECT_TRUE(hasColour(img, kX + 31, y + 10, kBlack));
    // Choice arrows: left-pointing centred at x + 39, right-pointing at x + 51.
    for (int row : {y + 8, y + 52}) {
        SCOPED_TRACE(row - y);
        EXPECT_TRUE(hasColour(img, kX + 35, row, kIntroOutro));
        EXPECT_TRUE(hasColour(img, kX + 36, row, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 41, row, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 40, row - 4, kBlack));  // 2 pixels at the base
        EXPECT_TRUE(hasColour(img, kX + 39, row - 4, kIntroOutro));
        EXPECT_TRUE(hasColour(img, kX + 49, row, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 54, row, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 55, row, kIntroOutro));
        EXPECT_TRUE(hasColour(img, kX + 50, row + 4, kBlack));
        EXPECT_TRUE(hasColour(img, kX + 51, row + 4, kIntroOutro));
    }
    EXPECT_TRUE(hasColour(img, kX + 300, y + 60, kBlack));
    // The slot after the last track is empty.
    EXPECT_TRUE(hasColour(img, kX + 300, slotY(1) + 5, kEmptySlot));
}

TEST_F(MainViewPaint, CurrentTracksNumberBoxIsDarkBlue) {
    makeView();
    append(kCH, chChatter);
    PlaylistTrack* second = append(kCH, chChatter);
    view->playlist().currentTrack = second;
    const QImage img = draw();
    EXPECT_TRUE(hasColour(img, kX + 2, slotY(0) + 3, kNumberBox));
    EXPECT_TRUE(hasColour(img, kX + 2, slotY(1) + 3, kPlaying));
    EXPECT_TRUE(hasColour(img, kX + 2, slotY(1) + 57, kPlaying));
}

TEST_F(MainViewPaint, CommercialsAndTheCommercialStationHaveNoStationColumn) {
    makeView();
    append(kCH, chAd);
    append(kCH, chChatter);
    append(kAdverts, adChatter);
    const QImage img = draw();
    // A commercial of another station: its colour from x + 32 on, no rule.
    EXPECT_TRUE(hasColour(img, kX + 33, slotY(0) + 5, kClassColours[Commercial]));
    EXPECT_TRUE(hasColour(img, kX + 159, slotY(0) + 5, kClassColours[Commercial]));
    // Chatter of a music station: the station-name column and its rule.
    EXPECT_TRUE(hasColour(img, kX + 33, slotY(1) + 5, kBanner));
    EXPECT_TRUE(hasColour(img, kX + 159, slotY(1) + 5, kBlack));
    EXPECT_TRUE(hasColour(img, kX + 160, slotY(1) + 5, kClassColours[Chatter]));
    // Anything from the commercial station: no column either.
    EXPECT_TRUE(hasColour(img, kX + 33, slotY(2) + 5, kClassColours[Chatter]));
    EXPECT_TRUE(hasColour(img, kX + 159, slotY(2) + 5, kClassColours[Chatter]));
}

TEST_F(MainViewPaint, ScrolledPlaylistStartsAtItsScrollPosition) {
    makeView();
    append(kCH, chAd);
    append(kCH, chChatter);
    view->playlist().playlistScroll = 1;
    const QImage img = draw();
    EXPECT_TRUE(hasColour(img, kX + 33, slotY(0) + 5, kBanner));  // track 2 comes first
    EXPECT_TRUE(hasColour(img, kX + 33, slotY(1) + 5, kEmptySlot));
    // Near the end the pane stops after slot 99 and is black below it.
    view->playlist().playlistScroll = 97;
    const QImage end = draw();
    EXPECT_TRUE(hasColour(end, kX + 300, slotY(1) + 5, kEmptySlot));  // slot 99
    EXPECT_TRUE(hasColour(end, kX + 300, slotY(2) + 5, kBlack));
    EXPECT_TRUE(hasColour(end, kX + 300, 599, kBlack));
}

TEST_F(MainViewPaint, TransportTextIsGreenOnBlack) {
    makeView();
    const QImage img = draw();
    int green = 0, red = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = kX; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c == QColor(0, 192, 0)) ++green;
            if (c.red() > 0 && c.green() == 0) ++red;
        }
    }
    EXPECT_GT(green, 20);
    EXPECT_EQ(red, 0);
    EXPECT_TRUE(hasColour(img, kX, 0, kBlack));
    EXPECT_TRUE(hasColour(img, 799, 31, kBlack));
    EXPECT_EQ(view->transportText().text, "-- --:--");
}

TEST_F(MainViewPaint, CopyProgressDrawsOnlyWhenThePercentChanges) {
    makeView();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    QSignalSpy drawn(view.get(), &MainView::drawn);
    view->setCopyActive(true);
    view->onCopyProgress("CO.PAK", 0.2f);  // still 0: nothing new to show
    EXPECT_EQ(drawn.count(), 0);
    view->onCopyProgress("CO.PAK", 41.6f);
    EXPECT_EQ(drawn.count(), 1);
    EXPECT_EQ(view->transportText().text, "Copying CO.PAK : 42%");
    view->onCopyProgress("CO.PAK", 42.4f);
    EXPECT_EQ(drawn.count(), 1);
    view->onCopyProgress("CO.PAK", 100.0f);
    EXPECT_EQ(drawn.count(), 2);
    EXPECT_EQ(view->transportText().text, "Copying CO.PAK : OK ");
    view->onCopyProgress("CR.PAK", 0.0f);
    EXPECT_EQ(drawn.count(), 3);
    EXPECT_EQ(view->transportText().text, "Copying CR.PAK : 00%");
}

class EmptyCatalogue : public test::ViewFixture {};

TEST_F(EmptyCatalogue, ListedStationWithoutClipsDrawsAnAllTroughScrollbar) {
    makeView();
    ASSERT_EQ(view->currentStation(), kAdverts);
    const QImage img = draw();
    EXPECT_EQ(view->clipRowCount(), 0);
    const ScrollGeometry& g = view->scrollGeometry(MainView::kClipList);
    EXPECT_EQ(g.rowsPerPixel, 0.0f);
    EXPECT_EQ(g.thumbTop, 29);
    EXPECT_TRUE(hasColour(img, 248, 31, kTrough));
    EXPECT_TRUE(hasColour(img, 248, 300, kTrough));
    EXPECT_TRUE(hasColour(img, 248, 597, kTrough));
    EXPECT_TRUE(hasColour(img, 248, 599, kBlack));
    EXPECT_TRUE(hasColour(img, 100, 100, kBlack));
}

TEST_F(EmptyCatalogue, NoListedStationLeavesAnEmptyBrowser) {
    catalogue.load();
    for (Station& s : catalogue.data().table().stations) s.listed = 0;
    view = std::make_unique<MainView>(catalogue.data());
    view->resize(800, 600);
    EXPECT_EQ(view->currentStation(), -1);
    const QImage img = draw();
    EXPECT_EQ(view->clipRowCount(), 0);
    EXPECT_TRUE(hasColour(img, 1, 2, kArrowBox));
    EXPECT_TRUE(hasColour(img, 100, 10, kBanner));
    EXPECT_TRUE(hasColour(img, 100, 100, kBlack));
    EXPECT_TRUE(hasColour(img, 500, slotY(0) + 5, kEmptySlot));
}

TEST(ViewFonts, CellsFitTheirHeights) {
    const ViewFonts fonts = ViewFonts::create();
    struct Expect {
        const QFont& font;
        int cell;
        const char* family;
    };
    for (const Expect& e : {Expect{fonts.banner, 28, "Arial"}, Expect{fonts.clipRow, 16, "Arial"},
                            Expect{fonts.introOutro, 14, "Arial"}, Expect{fonts.slot, 28, "Arial"},
                            Expect{fonts.transport, 33, "Lucida Console"}}) {
        SCOPED_TRACE(e.cell);
        EXPECT_EQ(e.font.families().front(), QString::fromLatin1(e.family));
        const int height = QFontMetrics(e.font).height();
        EXPECT_LE(height, e.cell);
        EXPECT_GE(height, e.cell - 3);
    }
    EXPECT_EQ(fonts.clipRow.weight(), QFont::Bold);
    // The transport keeps a fixed pitch whatever face stands in.
    const QFontMetrics mono(fonts.transport);
    EXPECT_EQ(mono.horizontalAdvance(QStringLiteral("1")), mono.horizontalAdvance(QStringLiteral("-")));
}

}  // namespace
}  // namespace vh

namespace vh {
namespace {

// What the window system shows of a top-level view, not a fresh rendering.
QImage onScreen(QWidget& widget) {
    return widget.screen()->grabWindow(widget.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

class ImmediateDrawing : public test::ViewFixture {
protected:
    int chatter = 0;
    void SetUp() override {
        chatter = catalogue.add(kCH, {Chatter, "Talk", "", 4});
        makeView();
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        QCoreApplication::processEvents();
    }
};

TEST_F(ImmediateDrawing, TransportNowRepaintsSynchronouslyAndNeverLeavesOtherDamageStale) {
    QSignalSpy drawn(view.get(), &MainView::drawn);
    view->drawTransportNow(true);
    EXPECT_EQ(drawn.count(), 1);

    // A track added and the view invalidated, then an immediate transport
    // drawing before the deferred repaint had its turn: what the screen shows
    // must already include the new slot.
    append(kCH, chatter);
    view->invalidate();
    view->drawTransportNow(false);
    const QImage shown = onScreen(*view);
    if (shown.isNull()) GTEST_SKIP() << "the platform cannot grab windows";
    EXPECT_TRUE(test::hasColour(shown, kX + 300, slotY(0) + 5, kClassColours[Chatter]));
}

TEST_F(ImmediateDrawing, ViewNowRepaintsEverythingAtOnce) {
    QSignalSpy drawn(view.get(), &MainView::drawn);
    append(kCH, chatter);
    view->drawViewNow();
    EXPECT_EQ(drawn.count(), 1);
    const QImage shown = onScreen(*view);
    if (shown.isNull()) GTEST_SKIP() << "the platform cannot grab windows";
    EXPECT_TRUE(test::hasColour(shown, kX + 300, slotY(0) + 5, kClassColours[Chatter]));
    EXPECT_TRUE(test::hasColour(shown, kX + 300, slotY(1) + 5, kEmptySlot));
}

}  // namespace
}  // namespace vh
