// The drag outline: dots exclusive-ored in yellow that leave the window
// exactly as it was, in the window's own backing store (what the screen
// shows, painted piece by piece as the outline moves).
#include <QScreen>

#include "ViewFixture.h"

namespace vh {
namespace {

class Outline : public test::ViewFixture {
protected:
    QImage shown() {
        flush();
        return view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Every pixel that differs from `before` lies on the outline's border and
    // is the old one exclusive-ored with yellow; returns how many do.
    int dotsOver(const QImage& before, const QImage& now, const QRect& outline) {
        int dots = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const QRgb b = before.pixel(x, y), n = now.pixel(x, y);
                if (n == b) continue;
                const bool border = outline.contains(x, y) && !outline.adjusted(1, 1, -1, -1).contains(x, y);
                EXPECT_TRUE(border && n == qRgb(qRed(b) ^ 255, qGreen(b) ^ 255, qBlue(b))) << x << ", " << y;
                ++dots;
            }
        return dots;
    }
};

TEST_F(Outline, ATrackDraggedOverTheViewAndTheTransportLeavesNoTrace) {
    catalogue.add(4, {Chatter, "Talk", "", 4});
    const int song = catalogue.addSong(4, {"Tune", "Band", {"Hi"}, {"Bye"}});
    makeView();
    append(4, 0);
    append(4, song);
    append(4, 0);
    view->invalidate();
    const QImage before = shown();
    ASSERT_EQ(before, draw());

    QTest::mousePress(view.get(), Qt::LeftButton, {}, test::titlePoint(1));
    const QRect start(256, 38 + 65, 800 - 256, 59);  // the slot's body from the separator to the right edge
    ASSERT_EQ(view->dragOutline(), start);
    EXPECT_GT(dotsOver(before, shown(), start), 100);
    QTest::mouseMove(view.get(), test::titlePoint(1) + QPoint(-7, 3));
    QTest::mouseMove(view.get(), QPoint(400, 12));  // over the transport line, redrawn on its own
    const QRect moved = view->dragOutline();
    view->drawTransportNow(false);
    EXPECT_GT(dotsOver(before, shown(), moved), 100);
    EXPECT_EQ(moved, start.translated(400 - test::titlePoint(1).x(), 12 - test::titlePoint(1).y()));
    QTest::mouseMove(view.get(), test::titlePoint(1) + QPoint(3, -1));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, test::titlePoint(1) + QPoint(3, -1));  // onto itself
    EXPECT_EQ(view->dragOutline(), QRect());
    EXPECT_EQ(shown(), before);
}

}  // namespace
}  // namespace vh
