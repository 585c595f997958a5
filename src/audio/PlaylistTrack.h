#pragma once

#include <cstdint>
#include <memory>

#include "gamedata/Catalogue.h"
#include "gamedata/ClipAudio.h"

namespace vh {

// One playlist entry, also used unlinked for a clip being previewed or
// dragged. The clip player and the export read its links and its three
// audio buffers (in play order: intro, main clip, outro; any may be null)
// without needing the playlist model.
struct PlaylistTrack {
    PlaylistTrack* next = nullptr;  // the sentinel after the last entry; null while unlinked
    PlaylistTrack* prev = nullptr;
    int32_t station = -1;           // -1 in the sentinel
    const Clip* clip = nullptr;     // null only in the sentinel
    int32_t intro = 0;              // chosen intro variant (0 when the clip has none)
    int32_t outro = 0;              // chosen outro variant
    std::unique_ptr<ClipAudio> introAudio;
    std::unique_ptr<ClipAudio> mainAudio;
    std::unique_ptr<ClipAudio> outroAudio;
};

}  // namespace vh
