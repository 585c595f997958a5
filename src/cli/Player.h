#pragma once

#include <memory>

#include "audio/ClipPlayer.h"
#include "playlist/Playlist.h"

namespace vh {

// The owner of the one clip player on the command line: created on first
// use, its reports handed to the playlist, attached to the running engine
// (once there is one) whenever it is asked to play.
class CliPlayer : public PlaybackControl {
public:
    explicit CliPlayer(Playlist& playlist) : playlist_(playlist) {}

    void playTrack(PlaylistTrack* track, int32_t startPart) override;
    // Hands a fresh preview track over to the player and plays it.
    void playPreview(std::unique_ptr<PlaylistTrack> track);
    PositionCallback callback();
    // How many reports the player has made: one per render, so the count
    // stands still while the player is not being mixed.
    uint64_t reports() const { return reports_; }

private:
    ClipPlayer& player();

    Playlist& playlist_;
    std::unique_ptr<ClipPlayer> player_;
    uint64_t reports_ = 0;
};

}  // namespace vh
