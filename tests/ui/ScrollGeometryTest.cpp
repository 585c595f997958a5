#include <gtest/gtest.h>

#include "ui/ClipRows.h"
#include "ui/ScrollGeometry.h"

namespace vh {
namespace {

struct ScrollCase {
    int32_t top, bottom, position, total, rowHeight;
    int32_t thumbTop, thumbBottom, visibleRows;
    float rowsPerPixel;
};

class ScrollbarLayoutTest : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollbarLayoutTest, RecordsTheGeometryAsDrawn) {
    const ScrollCase& c = GetParam();
    const ScrollbarLayout layout = layoutScrollbar(c.top, c.bottom, c.position, c.total, c.rowHeight);
    const ScrollGeometry& g = layout.geometry;
    EXPECT_EQ(g.top, c.top);
    EXPECT_EQ(g.bottom, c.bottom);
    EXPECT_EQ(g.thumbTop, c.thumbTop);
    EXPECT_EQ(g.thumbBottom, c.thumbBottom);
    EXPECT_EQ(g.visibleRows, c.visibleRows);
    EXPECT_FLOAT_EQ(g.rowsPerPixel, c.rowsPerPixel);
    EXPECT_EQ(layout.thumbStart, g.thumbTop - c.top);
    EXPECT_EQ(layout.thumbLength, g.thumbBottom - g.thumbTop);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ScrollbarLayoutTest,
    ::testing::Values(
        // The clip list of a 600-pixel view: 33 rows fit, travel 570.
        ScrollCase{29, 600, 0, 100, 17, 29, 29 + 570 * 33 / 100, 33, 100.0f / 570.0f},
        ScrollCase{29, 600, 50, 100, 17, 29 + 285, 29 + 285 + 188, 33, 100.0f / 570.0f},
        // Fewer rows than fit: the thumb is longer than the travel.
        ScrollCase{29, 600, 0, 3, 17, 29, 29 + 570 * 33 / 3, 33, 3.0f / 570.0f},
        // The playlist pane: 99 slots of 65 pixels.
        ScrollCase{38, 600, 0, 99, 65, 38, 38 + 561 * 8 / 99, 8, 99.0f / 561.0f},
        ScrollCase{38, 600, 91, 99, 65, 38 + 561 * 91 / 99, 38 + 561 * 91 / 99 + 561 * 8 / 99, 8, 99.0f / 561.0f},
        // A listed station without clips: no thumb, all trough, no scale.
        ScrollCase{29, 600, 0, 0, 17, 29, 29, 33, 0.0f},
        // A view too short for any travel must not scale by infinity.
        ScrollCase{29, 30, 0, 5, 17, 29, 29, 0, 0.0f},
        ScrollCase{38, 20, 0, 99, 65, 38, 38, 0, 0.0f}));

TEST(ClampScroll, KeepsTheLastPageFullAndNeverGoesNegative) {
    EXPECT_EQ(clampScroll(50, 60, 33), 27);
    EXPECT_EQ(clampScroll(10, 60, 33), 10);
    EXPECT_EQ(clampScroll(5, 3, 33), 0);
    EXPECT_EQ(clampScroll(-4, 60, 33), 0);
    // Before the first drawing nothing is known to fit.
    EXPECT_EQ(clampScroll(70, 60, 0), 60);
}

}  // namespace
}  // namespace vh
