#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <vector>

#include "ui/ViewGeometry.h"

namespace vh {

// The outline that follows the mouse while a clip or a track is dragged: a
// dotted one-pixel rectangle through the corners (x, y) and
// (x + width − 1, y + height − 1), exclusive-ored in yellow over the view.
constexpr Rgb kOutlineColour{255, 255, 0};

// The dots, every pixel of the border whose x + y is even, each listed once
// (corners included), so that exclusive-oring them twice restores the view.
std::vector<QPoint> dragOutlineDots(const QRect& outline);

// The border's pixels, dotted or not: what must be repainted when the
// outline moves or goes.
QRegion dragOutlineRegion(const QRect& outline);

}  // namespace vh
