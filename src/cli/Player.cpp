#include "cli/Player.h"

#include "audio/PlaybackEngine.h"

namespace vh {

PositionCallback CliPlayer::callback() {
    return [this](PlaylistTrack* track, int32_t frames) {
        ++reports_;
        playlist_.reportPosition(track, frames);
    };
}

ClipPlayer& CliPlayer::player() {
    if (!player_) {
        player_ = std::make_unique<ClipPlayer>();
        player_->setCallback(callback());
    }
    // Loading a playlist file stops playback before the engine runs, which
    // makes the player already; so it joins the mix whenever it is not in it.
    if (!player_->isLinked())
        if (PlaybackEngine* engine = PlaybackEngine::instance()) engine->attachSource(*player_);
    return *player_;
}

void CliPlayer::playTrack(PlaylistTrack* track, int32_t startPart) { player().startTrack(track, startPart); }

void CliPlayer::playPreview(std::unique_ptr<PlaylistTrack> track) {
    player().startTrack(PreviewTrack(track.release()), 0);
}

}  // namespace vh
