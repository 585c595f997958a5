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
