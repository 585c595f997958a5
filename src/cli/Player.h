#pragma once

#include <memory>

#include "audio/ClipPlayer.h"
#include "playlist/Playlist.h"

namespace vh {

// The owner of the one clip player on the command line: created on first
// use, its reports handed to the playlist, attached to the running engine.
class CliPlayer : public PlaybackControl {
public:
    explicit CliPlayer(Playlist& playlist) : playlist_(playlist) {}

    void playTrack(PlaylistTrack* track, int32_t startPart) override;
    // Hands a fresh preview track over to the player and plays it.
    void playPreview(std::unique_ptr<PlaylistTrack> track);
    PositionCallback callback();

private:
    ClipPlayer& player();

    Playlist& playlist_;
    std::unique_ptr<ClipPlayer> player_;
};

}  // namespace vh
