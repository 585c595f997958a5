#include "ui/HitTest.h"

#include "ui/ViewGeometry.h"

namespace vh {

using namespace geometry;

namespace {

HitRegion thumbRegion(const ScrollGeometry& g, int32_t y, HitRegion up, HitRegion thumb, HitRegion down) {
    if (y < g.thumbTop) return up;
    if (y <= g.thumbBottom) return thumb;
    return down;
}

// u and v are offsets from the slot's left edge and top line.
TrackZone slotZone(int32_t u, int32_t v) {
    const bool intro = v < 15;
    const bool outro = v >= 44;
    if (u < 32) return v < 44 ? TrackZone::NumberTop : TrackZone::NumberBottom;
    if (!intro && !outro) return TrackZone::TitleBand;
    if (u < 45) return intro ? TrackZone::IntroPrevious : TrackZone::OutroPrevious;
    if (u < 58) return intro ? TrackZone::IntroNext : TrackZone::OutroNext;
    return intro ? TrackZone::IntroText : TrackZone::OutroText;
}

}  // namespace

Hit hitTest(const HitState& s, int32_t x, int32_t y) {
    Hit hit;
    // Nothing outside the window: a drop there must not land on a slot that
    // happens to continue below the bottom edge.
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return hit;

    if (x < kBrowserWidth) {
        if (y < kBannerHeight) {
            if (x < kArrowBoxWidth) hit.region = HitRegion::PreviousStation;
            else if (x >= kBrowserWidth - kArrowBoxWidth) hit.region = HitRegion::NextStation;
            else hit.region = HitRegion::Banner;
        } else if (x >= kClipRowWidth) {
            hit.region = thumbRegion(s.list, y, HitRegion::ListPageUp, HitRegion::ListThumb, HitRegion::ListPageDown);
        } else {
            const int32_t row = s.clipScroll + (y - kBannerHeight) / kClipRowHeight;
            if (row < s.clipRowCount) {
                hit.region = HitRegion::ClipRow;
                hit.index = row;
                hit.playButton = x < kPlayButtonWidth;
            }
        }
        return hit;
    }
    if (x < kCdLeft) {
        hit.region = HitRegion::Separator;
        return hit;
    }
    if (y < kPlaylistTop) {
        hit.region = HitRegion::Transport;
        return hit;
    }
    if (x >= s.width - kScrollbarWidth) {
        hit.region =
            thumbRegion(s.playlist, y, HitRegion::PlaylistPageUp, HitRegion::PlaylistThumb, HitRegion::PlaylistPageDown);
        return hit;
    }
    const int32_t d = y - kPlaylistTop;
    const int32_t v = d % kSlotHeight;
    hit.index = s.playlistScroll + d / kSlotHeight;
    if (v >= kSlotGapTop) {
        hit.region = HitRegion::SlotGap;
    } else {
        hit.region = HitRegion::Slot;
        hit.zone = slotZone(x - kCdLeft, v);
    }
    return hit;
}

}  // namespace vh
