#include "ui/ClipRows.h"

namespace vh {

std::vector<const Clip*> topLevelClips(const Station& station) {
    std::vector<const Clip*> rows;
    const int count = station.clipCount < kMaxClips ? station.clipCount : kMaxClips;
    // nextTopLevel always moves forward for sane counts; the guard keeps a
    // negative introCount + outroCount from walking backwards.
    for (int i = 0; i >= 0 && i < count;) {
        rows.push_back(&station.clips[i]);
        int next = nextTopLevel(station, i);
        i = next > i ? next : i + 1;
    }
    return rows;
}

int32_t clampScroll(int32_t scroll, int32_t rowCount, int32_t visibleRows) {
    if (scroll > rowCount - visibleRows) scroll = rowCount - visibleRows;
    if (scroll < 0) scroll = 0;
    return scroll;
}

}  // namespace vh
