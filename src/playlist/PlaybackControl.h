#pragma once

#include <cstdint>

namespace vh {

struct PlaylistTrack;

// The owner of the one clip player (the view, or vhradio). The playlist asks
// it to stop playback before removing or clearing tracks, and to restart the
// current track after its intro or outro changed.
class PlaybackControl {
public:
    virtual ~PlaybackControl() = default;
    // Plays `track` from start part 0 (intro), 1 (main clip) or 2 (outro);
    // null stops playback.
    virtual void playTrack(PlaylistTrack* track, int32_t startPart) = 0;
};

}  // namespace vh
