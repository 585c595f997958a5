#pragma once

#include <cstdint>

#include "ui/ScrollGeometry.h"

namespace vh {

// What lies under a point of the view.
enum class HitRegion {
    Nothing,          // outside the window, or below the last clip row
    PreviousStation,  // the banner's "<" box
    NextStation,      // the banner's ">" box
    Banner,
    ListPageUp,
    ListThumb,
    ListPageDown,
    ClipRow,          // index: the row in clipRows
    Separator,
    Transport,        // the transport line and the separator below it
    PlaylistPageUp,
    PlaylistThumb,
    PlaylistPageDown,
    SlotGap,          // index: the slot; the black gap below its body
    Slot,             // index: the slot; zone: where in the slot
};

// Zones of a playlist slot. Every slot has them; what they do depends on the
// track in the slot.
enum class TrackZone {
    None,
    NumberTop,
    NumberBottom,
    IntroPrevious,
    IntroNext,
    IntroText,
    TitleBand,
    OutroPrevious,
    OutroNext,
    OutroText,
};

struct Hit {
    HitRegion region = HitRegion::Nothing;
    int32_t index = -1;
    TrackZone zone = TrackZone::None;
    bool playButton = false;  // a ClipRow hit on its play button
};

// The view state that hit testing reads: the window size, the scroll
// positions and the scrollbars as last drawn.
struct HitState {
    int32_t width = 0;
    int32_t height = 0;
    int32_t clipScroll = 0;
    int32_t clipRowCount = 0;
    int32_t playlistScroll = 0;
    ScrollGeometry list;
    ScrollGeometry playlist;
};

// The left pane is tested before the right one, each top to bottom: the
// banner row wins over the scrollbar column, the scrollbar over the rows.
Hit hitTest(const HitState& state, int32_t x, int32_t y);

}  // namespace vh
