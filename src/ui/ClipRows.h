#pragma once

#include <cstdint>
#include <vector>

#include "gamedata/Catalogue.h"

namespace vh {

// The clips the browser lists for a station, in slot order: its top-level
// clips (a song's intros and outros are reached only through their song).
std::vector<const Clip*> topLevelClips(const Station& station);

// The list scroll kept within [0, rows − visibleRows], 0 when all rows fit.
int32_t clampScroll(int32_t scroll, int32_t rowCount, int32_t visibleRows);

}  // namespace vh
