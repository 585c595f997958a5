#include "ui/ScrollGeometry.h"

namespace vh {

ScrollbarLayout layoutScrollbar(int32_t top, int32_t bottom, int32_t position, int32_t total, int32_t rowHeight) {
    ScrollbarLayout layout;
    ScrollGeometry& g = layout.geometry;
    g.top = top;
    g.bottom = bottom;
    g.visibleRows = rowHeight > 0 ? (bottom - top) / rowHeight : 0;
    const int32_t travel = bottom - 1 - top;
    if (total > 0) {
        // 64-bit products: a huge window times 99 rows must not wrap.
        layout.thumbLength = int32_t(int64_t(travel) * g.visibleRows / total);
        layout.thumbStart = int32_t(int64_t(travel) * position / total);
        g.rowsPerPixel = travel > 0 ? float(total) / float(travel) : 0.0f;
    }
    g.thumbTop = top + layout.thumbStart;
    g.thumbBottom = g.thumbTop + layout.thumbLength;
    return layout;
}

}  // namespace vh
