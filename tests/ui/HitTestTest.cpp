#include <gtest/gtest.h>

#include "ui/HitTest.h"

namespace vh {
namespace {

// An 800 × 600 view: the clip list scrolled to row 10 of 60 with its thumb
// at 100..300, the playlist scrolled to slot 3 with its thumb at 60..120.
HitState state() {
    HitState s;
    s.width = 800;
    s.height = 600;
    s.clipScroll = 10;
    s.clipRowCount = 60;
    s.playlistScroll = 3;
    s.list = {29, 600, 100, 300, 33, 0.1f};
    s.playlist = {38, 600, 60, 120, 8, 0.17f};
    return s;
}

struct HitCase {
    const char* name;
    int32_t x, y;
    HitRegion region;
    int32_t index = -1;
    TrackZone zone = TrackZone::None;
    bool playButton = false;
};

class HitTestCases : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitTestCases, FindsTheRegion) {
    const HitCase& c = GetParam();
    const Hit hit = hitTest(state(), c.x, c.y);
    EXPECT_EQ(hit.region, c.region);
    EXPECT_EQ(hit.index, c.index);
    EXPECT_EQ(hit.zone, c.zone);
    EXPECT_EQ(hit.playButton, c.playButton);
}

using R = HitRegion;
using Z = TrackZone;

INSTANTIATE_TEST_SUITE_P(
    Points, HitTestCases,
    ::testing::Values(
        HitCase{"LeftArrow", 27, 28, R::PreviousStation}, HitCase{"BannerStart", 28, 0, R::Banner},
        HitCase{"BannerEnd", 227, 28, R::Banner}, HitCase{"RightArrow", 228, 0, R::NextStation},
        // The banner row wins over the scrollbar column.
        HitCase{"ArrowAboveScrollbar", 250, 10, R::NextStation},
        HitCase{"ListPageUp", 240, 99, R::ListPageUp}, HitCase{"ListThumbTop", 255, 100, R::ListThumb},
        HitCase{"ListThumbBottom", 245, 300, R::ListThumb}, HitCase{"ListPageDown", 245, 301, R::ListPageDown},
        HitCase{"FirstVisibleRow", 100, 29, R::ClipRow, 10},
        HitCase{"SecondRow", 100, 46, R::ClipRow, 11},
        HitCase{"PlayButton", 9, 29, R::ClipRow, 10, Z::None, true},
        HitCase{"BeyondTheLastRow", 100, 29 + 17 * 50, R::Nothing},
        HitCase{"Separator", 256, 300, R::Separator},
        HitCase{"Transport", 262, 0, R::Transport}, HitCase{"SeparatorBelowTransport", 799, 37, R::Transport},
        HitCase{"PlaylistPageUp", 784, 59, R::PlaylistPageUp}, HitCase{"PlaylistThumb", 799, 120, R::PlaylistThumb},
        HitCase{"PlaylistPageDown", 790, 121, R::PlaylistPageDown},
        HitCase{"NumberTop", 262, 38, R::Slot, 3, Z::NumberTop},
        HitCase{"NumberBottom", 293, 38 + 44, R::Slot, 3, Z::NumberBottom},
        HitCase{"IntroPrevious", 262 + 32, 38 + 14, R::Slot, 3, Z::IntroPrevious},
        HitCase{"IntroNext", 262 + 57, 38, R::Slot, 3, Z::IntroNext},
        HitCase{"IntroText", 262 + 58, 38, R::Slot, 3, Z::IntroText},
        HitCase{"TitleBand", 262 + 32, 38 + 15, R::Slot, 3, Z::TitleBand},
        HitCase{"OutroPrevious", 262 + 44, 38 + 44, R::Slot, 3, Z::OutroPrevious},
        HitCase{"OutroNext", 262 + 45, 38 + 58, R::Slot, 3, Z::OutroNext},
        HitCase{"OutroText", 600, 38 + 58, R::Slot, 3, Z::OutroText},
        HitCase{"GapBelowSlot", 500, 38 + 59, R::SlotGap, 3},
        HitCase{"NextSlot", 500, 38 + 65, R::Slot, 4, Z::IntroText},
        HitCase{"LastPixel", 783, 599, R::Slot, 11, Z::TitleBand},
        // Outside the window nothing is hit, even where slots would go on.
        HitCase{"BelowTheWindow", 500, 600, R::Nothing}, HitCase{"RightOfTheWindow", 800, 300, R::Nothing}, HitCase{"AboveTheWindow", 10, -1, R::Nothing}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vh

namespace vh {
namespace {

// The region table read literally, row by row, the first row that matches
// winning: left pane before right, each top to bottom.
Hit tableHit(const HitState& s, int32_t x, int32_t y) {
    Hit h;
    const int32_t W = s.width;
    auto slot = [&](HitRegion region) {
        h.region = region;
        h.index = s.playlistScroll + (y - 38) / 65;
        return h;
    };
    if (x < 256 && y < 29 && x < 28) h.region = HitRegion::PreviousStation;
    else if (x < 256 && y < 29 && x >= 228) h.region = HitRegion::NextStation;
    else if (x < 256 && y < 29) h.region = HitRegion::Banner;
    else if (x >= 240 && x < 256 && y < s.list.thumbTop) h.region = HitRegion::ListPageUp;
    else if (x >= 240 && x < 256 && y <= s.list.thumbBottom) h.region = HitRegion::ListThumb;
    else if (x >= 240 && x < 256) h.region = HitRegion::ListPageDown;
    else if (x < 240 && s.clipScroll + (y - 29) / 17 < s.clipRowCount) {
        h.region = HitRegion::ClipRow;
        h.index = s.clipScroll + (y - 29) / 17;
        h.playButton = x < 10;
    } else if (x < 240) h.region = HitRegion::Nothing;
    else if (x < 262) h.region = HitRegion::Separator;
    else if (y < 38) h.region = HitRegion::Transport;
    else if (x >= W - 16 && y < s.playlist.thumbTop) h.region = HitRegion::PlaylistPageUp;
    else if (x >= W - 16 && y <= s.playlist.thumbBottom) h.region = HitRegion::PlaylistThumb;
    else if (x >= W - 16) h.region = HitRegion::PlaylistPageDown;
    else if ((y - 38) % 65 >= 59) return slot(HitRegion::SlotGap);
    else {
        slot(HitRegion::Slot);
        const int32_t u = x - 262, v = (y - 38) % 65;
        using Z = TrackZone;
        if (u < 32) h.zone = v < 44 ? Z::NumberTop : Z::NumberBottom;
        else if (v < 15) h.zone = u < 45 ? Z::IntroPrevious : u < 58 ? Z::IntroNext : Z::IntroText;
        else if (v < 44) h.zone = Z::TitleBand;
        else h.zone = u < 45 ? Z::OutroPrevious : u < 58 ? Z::OutroNext : Z::OutroText;
    }
    return h;
}

struct GridCase {
    const char* name;
    HitState state;
};

class HitGrid : public ::testing::TestWithParam<GridCase> {};

TEST_P(HitGrid, EveryPointAgreesWithTheTable) {
    const HitState& s = GetParam().state;
    // Every pixel of the rows and columns where regions meet, and a coarse
    // grid in between.
    std::vector<int32_t> xs, ys;
    for (int32_t x = 0; x < s.width; x += 7) xs.push_back(x);
    for (int32_t x : {9, 10, 27, 28, 227, 228, 239, 240, 255, 256, 261, 262, 293, 294, 306, 307, 319, 320})
        xs.push_back(x);
    for (int32_t x = s.width - 17; x < s.width; ++x) xs.push_back(x);
    for (int32_t y = 0; y < s.height; y += 5) ys.push_back(y);
    for (int32_t y = 25; y < 110; ++y) ys.push_back(y);
    for (int32_t y : {s.list.thumbTop - 1, s.list.thumbTop, s.list.thumbBottom, s.list.thumbBottom + 1,
                      s.playlist.thumbTop - 1, s.playlist.thumbTop, s.playlist.thumbBottom, s.playlist.thumbBottom + 1,
                      s.height - 1})
        ys.push_back(y);
    int checked = 0;
    for (int32_t y : ys) {
        for (int32_t x : xs) {
            if (y < 0 || y >= s.height) continue;  // the table speaks of the window only
            const Hit expected = tableHit(s, x, y);
            const Hit hit = hitTest(s, x, y);
            ASSERT_EQ(hit.region, expected.region) << x << ", " << y;
            ASSERT_EQ(hit.index, expected.index) << x << ", " << y;
            ASSERT_EQ(hit.zone, expected.zone) << x << ", " << y;
            ASSERT_EQ(hit.playButton, expected.playButton) << x << ", " << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10000);
}

HitState gridState(int32_t clipScroll, int32_t rows, int32_t playlistScroll, ScrollGeometry list,
                   ScrollGeometry playlist) {
    HitState s;
    s.width = 800;
    s.height = 600;
    s.clipScroll = clipScroll;
    s.clipRowCount = rows;
    s.playlistScroll = playlistScroll;
    s.list = list;
    s.playlist = playlist;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    States, HitGrid,
    ::testing::Values(
        // The list's thumb reaching up into the banner row: the banner wins.
        GridCase{"ThumbUnderTheBanner", gridState(0, 60, 0, {29, 600, 0, 320, 33, 0.1f}, {38, 600, 38, 83, 8, 0.17f})},
        // Scrolled: the same pixels name later rows and slots.
        GridCase{"Scrolled", gridState(10, 60, 3, {29, 600, 100, 300, 33, 0.1f}, {38, 600, 60, 120, 8, 0.17f})},
        GridCase{"ScrolledToTheEnd",
                 gridState(27, 60, 91, {29, 600, 286, 599, 33, 0.1f}, {38, 600, 554, 599, 8, 0.17f})},
        // Fewer rows than fit: the list ends in Nothing.
        GridCase{"ShortList", gridState(0, 5, 0, {29, 600, 29, 29, 33, 0.0f}, {38, 600, 38, 83, 8, 0.17f})}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vh
