#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "audio/Decoder.h"
#include "audio/PlaylistTrack.h"
#include "audio/SoundSource.h"
#include "gamedata/ClipAudio.h"

namespace vh {

// A preview track handed over to the player, which destroys it with its audio.
using PreviewTrack = std::unique_ptr<PlaylistTrack>;

// Plays one PlaylistTrack part after part (intro, main clip, outro) by
// decoding one 28-frame ADPCM block at a time, then moves on by itself to the
// track's `next` until it meets the playlist's sentinel. Previews and the
// playlist go through the same player.
//
// Ownership: a playlist track stays with the playlist; the player only points
// at it. A preview track is handed over as a unique_ptr and then belongs to
// the player, which destroys it (with its audio) when it lets go of it: when
// another track is started, when playback is stopped, when the preview ends,
// or when the player itself is destroyed. A preview is played alone; its
// links are not followed.
//
// The callback is the only way the owner learns what plays and how far it
// has got. It is told:
//   (null, 0)            whenever the part queue is cleared (every startTrack),
//   (new current, 0)     whenever the player lets go of a track,
//   (current, position)  at the end of every startTrack, and once at the start
//                        of every render.
// During a start it may thus briefly hear of null or of a neighbouring track,
// but the last report of a start, and of moving on to the next track, always
// names the track that plays (or null), so the owner never frees it unawares.
//
// UI thread only: the engine renders it from its timer tick.
class ClipPlayer : public SoundSource {
public:
    static constexpr float kGain = 0.3f;

    ClipPlayer();
    ~ClipPlayer() override;

    void setCallback(PositionCallback callback) { callback_ = std::move(callback); }

    // Plays a track that the caller keeps owning (a playlist entry) from
    // `startPart`: 0 = intro, main, outro; 1 = from the main clip; 2 = the
    // outro only (below 0 counts as 0, above 2 as 2). Null stops playback.
    // An unlinked track passed this way plays once and is then let go of, not
    // freed. Passing the playing preview's own pointer restarts the preview.
    void startTrack(PlaylistTrack* track, int32_t startPart);
    // Adopts a fresh, unlinked preview track and plays it alone. Null stops
    // playback like startTrack(nullptr, ...).
    void startTrack(PreviewTrack preview, int32_t startPart);

    void render(float* out, int32_t frames) override;
    void renderAdd(float* out, int32_t frames) override;

private:
    struct PartQueueEntry {
        const ClipAudio* audio = nullptr;
        bool reset = false;  // zero both predictors before this part's first block
    };

    void start(PlaylistTrack* track, int32_t startPart);
    void clearQueue();
    void releaseTrack();
    void reportCurrent();
    void fetchBlock();
    int32_t reportedPosition() const;
    template <bool Add>
    void renderBlocks(float* out, int32_t frames);

    PositionCallback callback_;
    // A track has at most three parts, so the queue is a fixed ring.
    std::array<PartQueueEntry, 3> queue_{};
    int32_t queueHead_ = 0;
    int32_t queueSize_ = 0;
    PredictorState leftState_;
    PredictorState rightState_;
    PartCursor cursor_;
    int16_t decoded_[56] = {};
    int32_t remaining_ = 0;  // frames of decoded_ not yet rendered, 0 to 28
    PlaylistTrack* current_ = nullptr;
    PreviewTrack preview_;  // the adopted preview, while it plays
    // Frames into the current track. It goes on counting by 28 while the
    // player idles, so it is kept wide enough for any run length and
    // reported clamped to int32.
    int64_t position_ = 0;
};

}  // namespace vh
