// The drag outline: exclusive-ored dots that leave the view exactly as it
// was, on the grabbed widget and in the window's own backing store.
#include <QScreen>
#include <QWindow>
#include <set>

#include "ui/DragOutline.h"
#include "ViewFixture.h"

namespace vh {
namespace {

using test::clipRowPoint;
using test::titlePoint;

constexpr int kAdverts = 1;
constexpr int kCH = 4;

class Outline : public test::ViewFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i) catalogue.add(kAdverts, {Commercial, "Ad", "", 4});
        const int talk = catalogue.add(kCH, {Chatter, "Talk", "", 4});
        const int song = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {"Bye"}});
        makeView();
        append(kCH, talk);
        append(kCH, song);
        append(kCH, talk);
        showView();
    }
    // What the window really shows: its backing store, painted piece by
    // piece as the outline moves, not drawn afresh as grab() does.
    QImage shown() {
        flush();
        return view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Every pixel of `now` equals `before`, except the outline's dots, which
    // are exclusive-ored with yellow.
    void expectOutlineOver(const QImage& before, const QImage& now, const QRect& outline) {
        std::set<std::pair<int, int>> dots;
        for (const QPoint& d : dragOutlineDots(outline)) dots.insert({d.x(), d.y()});
        int differing = 0, dotted = 0;
        for (int y = 0; y < before.height(); ++y) {
            for (int x = 0; x < before.width(); ++x) {
                const QRgb b = before.pixel(x, y);
                const QRgb n = now.pixel(x, y);
                const bool dot = dots.count({x, y}) != 0;
                const QRgb expected = dot ? qRgb(qRed(b) ^ 255, qGreen(b) ^ 255, qBlue(b)) : b;
                if (n != expected) ++differing;
                if (dot) ++dotted;
            }
        }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(dotted, 100);
    }
};

TEST_F(Outline, ATrackDragLeavesNoTraceOnTheWindow) {
    const QImage before = draw();
    const QImage beforeShown = shown();
    ASSERT_EQ(before, beforeShown);

    QTest::mousePress(view.get(), Qt::LeftButton, {}, titlePoint(1));
    // The slot's body from the separator to the right edge.
    const QRect start(256, 38 + 65, 800 - 256, 59);
    ASSERT_EQ(view->dragOutline(), start);
    expectOutlineOver(before, shown(), start);
    expectOutlineOver(before, draw(), start);

    // Moving repaints the old place and dots the new one, also over the
    // transport line while that is redrawn on its own.
    QTest::mouseMove(view.get(), titlePoint(1) + QPoint(-7, 3));
    expectOutlineOver(before, shown(), start.translated(-7, 3));
    QTest::mouseMove(view.get(), QPoint(400, 12));
    const QRect overTransport = start.translated(400 - titlePoint(1).x(), 12 - titlePoint(1).y());
    ASSERT_EQ(view->dragOutline(), overTransport);
    expectOutlineOver(before, shown(), overTransport);
    view->drawTransportNow(false);
    expectOutlineOver(before, shown(), overTransport);
    QTest::mouseMove(view.get(), titlePoint(1) + QPoint(3, -1));

    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, titlePoint(1) + QPoint(3, -1));  // onto itself
    EXPECT_EQ(view->dragOutline(), QRect());
    EXPECT_EQ(shown(), beforeShown);
    EXPECT_EQ(draw(), before);
}

TEST_F(Outline, ARefusedClipDragLeavesNoTraceOnTheWindow) {
    const QImage before = shown();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, clipRowPoint(2));
    const QRect start(11, 29 + 17 * 2, 229, 17);
    ASSERT_EQ(view->dragOutline(), start);
    expectOutlineOver(before, shown(), start);
    for (int step = 1; step <= 5; ++step) QTest::mouseMove(view.get(), clipRowPoint(2) + QPoint(13 * step, 5 * step));
    expectOutlineOver(before, shown(), start.translated(65, 25));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, clipRowPoint(2) + QPoint(65, 25));  // on the clip list
    EXPECT_EQ(view->playlist().trackCount, 3);
    EXPECT_EQ(shown(), before);
}

}  // namespace
}  // namespace vh
