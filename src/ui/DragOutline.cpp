#include "ui/DragOutline.h"

namespace vh {

namespace {

void addDot(std::vector<QPoint>& dots, int x, int y) {
    if (((x + y) & 1) == 0) dots.emplace_back(x, y);
}

}  // namespace

std::vector<QPoint> dragOutlineDots(const QRect& outline) {
    std::vector<QPoint> dots;
    const int x = outline.x();
    const int y = outline.y();
    const int w = outline.width();
    const int h = outline.height();
    if (w <= 0 || h <= 0) return dots;
    const int right = x + w - 1;
    const int bottom = y + h - 1;
    for (int i = x; i <= right; ++i) {
        addDot(dots, i, y);
        if (bottom != y) addDot(dots, i, bottom);
    }
    for (int j = y + 1; j < bottom; ++j) {
        addDot(dots, x, j);
        if (right != x) addDot(dots, right, j);
    }
    return dots;
}

QRegion dragOutlineRegion(const QRect& outline) {
    if (outline.width() <= 0 || outline.height() <= 0) return {};
    const int x = outline.x();
    const int y = outline.y();
    const int w = outline.width();
    const int h = outline.height();
    QRegion region(x, y, w, 1);
    region += QRect(x, y + h - 1, w, 1);
    region += QRect(x, y, 1, h);
    region += QRect(x + w - 1, y, 1, h);
    return region;
}

}  // namespace vh
