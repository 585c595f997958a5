#pragma once

#include <cstdint>

namespace vh {

// A scrollbar as last drawn. The mouse handling reads it for the page size,
// the thumb's hit zones and the thumb drag's scale. All 0 until the first
// drawing.
struct ScrollGeometry {
    int32_t top = 0;          // y of the scrollbar's top line
    int32_t bottom = 0;       // y just below the scrollbar
    int32_t thumbTop = 0;     // y of the line above the thumb
    int32_t thumbBottom = 0;  // y of the line below the thumb
    int32_t visibleRows = 0;  // whole rows that fit in the list area
    float rowsPerPixel = 0;   // list rows per pixel of thumb travel
};

// Everything needed to draw one scrollbar: its recorded geometry plus the
// thumb's offset and length within the travel.
struct ScrollbarLayout {
    ScrollGeometry geometry;
    int32_t thumbStart = 0;   // pixels from top to the thumb's top line
    int32_t thumbLength = 0;  // pixels from the thumb's top line to its bottom line
};

// Lays out a scrollbar spanning [top, bottom) for a list of `total` rows of
// `rowHeight` pixels scrolled to row `position`. The thumb's length is the
// travel scaled by visible / total rows (longer than the travel when every
// row fits), its start the travel scaled by position / total.
//
// An empty list (total 0) has no thumb: the bar is all trough, thumbTop and
// thumbBottom sit on its top line and rowsPerPixel is 0. A bar too short to
// have any travel also gets rowsPerPixel 0, so a thumb drag never scales by
// infinity.
ScrollbarLayout layoutScrollbar(int32_t top, int32_t bottom, int32_t position, int32_t total, int32_t rowHeight);

}  // namespace vh
