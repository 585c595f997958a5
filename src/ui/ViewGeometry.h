#pragma once

#include <cstdint>

namespace vh {

// The view's fixed pixel geometry, in client pixels of the MainView.
namespace geometry {

// Clip browser (left pane).
constexpr int kBrowserWidth = 256;     // banner width and the left edge of the separator
constexpr int kBannerHeight = 29;      // the clip list starts below it
constexpr int kArrowBoxWidth = 28;
constexpr int kClipRowWidth = 240;     // the list scrollbar takes 240..255
constexpr int kClipRowHeight = 17;
constexpr int kSongColumnSplit = 112;  // artist | title
constexpr int kPlayButtonWidth = 10;

// CD side (right pane).
constexpr int kCdLeft = 262;           // right of the 6-pixel vertical separator
constexpr int kTransportHeight = 32;
constexpr int kPlaylistTop = 38;       // below the 6-pixel horizontal separator
constexpr int kSlotHeight = 65;        // 1 line, 58 body, 6 gap
constexpr int kSlotBodyHeight = 58;
constexpr int kSlotGapTop = 59;        // offset of the black gap inside a slot
constexpr int kNumberBoxWidth = 31;
constexpr int kStationColumnRight = 159;
constexpr int kSlotCount = 99;         // the pane always numbers up to 99

constexpr int kScrollbarWidth = 16;

}  // namespace geometry

// An RGB colour as the drawing defines it.
struct Rgb {
    uint8_t r, g, b;
    constexpr bool operator==(const Rgb&) const = default;
};

namespace colours {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kArrowBox{96, 144, 96};
constexpr Rgb kBanner{128, 192, 128};        // also the playlist's station-name column
constexpr Rgb kPlaying{0, 0, 128};           // playing clip's button, current track's number box
constexpr Rgb kNumberBox{128, 128, 255};
constexpr Rgb kIntroOutro{224, 112, 112};
constexpr Rgb kEmptySlot{128, 128, 128};
constexpr Rgb kTrough{64, 64, 64};
constexpr Rgb kThumb{128, 128, 128};
constexpr Rgb kTransportGreen{0, 192, 0};
constexpr Rgb kTransportRed{192, 0, 0};

// Background of a clip row or playlist title by ClipClass 0 to 7.
constexpr Rgb kClassColours[8] = {
    {255, 128, 128}, {192, 192, 128}, {128, 128, 192}, {128, 128, 255},
    {128, 128, 255}, {128, 192, 192}, {128, 192, 255}, {255, 128, 192},
};

// A damaged catalogue could carry any class number; such a clip is drawn
// like an empty slot rather than read outside the table.
constexpr Rgb classColour(int32_t clipClass) {
    return clipClass >= 0 && clipClass < 8 ? kClassColours[clipClass] : kEmptySlot;
}

}  // namespace colours

}  // namespace vh
