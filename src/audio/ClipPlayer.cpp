#include "audio/ClipPlayer.h"

#include <algorithm>
#include <limits>

namespace vh {

namespace {
constexpr int32_t kBlockFrames = ClipAudio::kFramesPerBlock;
constexpr float kSampleScale = 3.0517578125e-05f;  // 2^-15

int64_t partFrames(const std::unique_ptr<ClipAudio>& audio) {
    return audio ? int64_t(audio->blockCount()) * kBlockFrames : 0;
}
}  // namespace

ClipPlayer::ClipPlayer() {
    gainLeft = kGain;
    gainRight = kGain;
}

// The preview, if any, goes with preview_. The owner is being torn down, so
// it is not called back.
ClipPlayer::~ClipPlayer() = default;

void ClipPlayer::startTrack(PlaylistTrack* track, int32_t startPart) {
    clearQueue();
    // Restarting the preview that plays keeps it; letting go would free it.
    if (!track || track != preview_.get()) releaseTrack();
    start(track, startPart);
    reportCurrent();
}

void ClipPlayer::startTrack(PreviewTrack preview, int32_t startPart) {
    clearQueue();
    releaseTrack();
    preview_ = std::move(preview);
    start(preview_.get(), startPart);
    reportCurrent();
}

// Letting go of the old track reported its neighbour; the owner must know the
// track that really plays now, or it could free it under the player before
// the next render tells it.
void ClipPlayer::reportCurrent() {
    if (callback_) callback_(current_, reportedPosition());
}

void ClipPlayer::start(PlaylistTrack* track, int32_t startPart) {
    current_ = track;
    position_ = 0;
    if (!track) return;
    startPart = std::clamp(startPart, 0, 2);
    // Parts left out still count towards the position, so that it is always
    // measured from the start of the track.
    if (startPart > 0) position_ += partFrames(track->introAudio);
    if (startPart > 1) position_ += partFrames(track->mainAudio);
    const ClipAudio* parts[3] = {track->introAudio.get(), track->mainAudio.get(), track->outroAudio.get()};
    for (int32_t i = startPart; i < 3; ++i) {
        if (!parts[i]) continue;
        // Only the first part starts from fresh predictors; the others run on
        // from the part before, as the game plays them without a seam.
        queue_[(queueHead_ + queueSize_) % 3] = PartQueueEntry{parts[i], queueSize_ == 0};
        ++queueSize_;
    }
}

void ClipPlayer::clearQueue() {
    if (callback_) callback_(nullptr, 0);
    queueHead_ = 0;
    queueSize_ = 0;
    leftState_ = PredictorState{};
    rightState_ = PredictorState{};
    remaining_ = 0;
    cursor_.chunkBlocks = 0;
    cursor_.partBlocks = 0;
}

void ClipPlayer::releaseTrack() {
    if (!current_) return;
    if (current_ == preview_.get()) {
        // A preview is played alone and dies when playback leaves it.
        current_ = nullptr;
        preview_.reset();
    } else if (current_->next) {
        // Playlist tracks stay with the playlist; go on unless at the sentinel.
        current_ = current_->next->clip ? current_->next : nullptr;
    } else {
        // An unlinked track someone else owns: not ours to free.
        current_ = nullptr;
    }
    if (callback_) callback_(current_, 0);
}

void ClipPlayer::fetchBlock() {
    position_ += kBlockFrames;
    if (cursor_.chunkBlocks == 0) {
        while (cursor_.partBlocks == 0) {
            if (queueSize_ == 0) {
                // Moving on: releaseTrack names the next track, which is the
                // one that plays now. Queued here directly, since starting it
                // through startTrack would let go of it once more and report
                // the track after it.
                releaseTrack();
                if (current_) start(current_, 0);
            }
            if (queueSize_ == 0) {
                // Nothing to play: a block of silence keeps the clock going.
                std::fill(std::begin(decoded_), std::end(decoded_), int16_t(0));
                remaining_ = kBlockFrames;
                return;
            }
            const PartQueueEntry entry = queue_[queueHead_];
            queueHead_ = (queueHead_ + 1) % 3;
            --queueSize_;
            if (entry.reset) {
                leftState_ = PredictorState{};
                rightState_ = PredictorState{};
            }
            // A part with no blocks yields nothing; the loop takes the next.
            cursor_.open(*entry.audio);
        }
    }
    cursor_.nextStereoBlock(decoded_, leftState_, rightState_);
    remaining_ = kBlockFrames;
}

int32_t ClipPlayer::reportedPosition() const {
    const int64_t position = position_ + (remaining_ > 0 ? kBlockFrames - remaining_ : 0);
    return int32_t(std::min<int64_t>(position, std::numeric_limits<int32_t>::max()));
}

template <bool Add>
void ClipPlayer::renderBlocks(float* out, int32_t frames) {
    if (callback_) callback_(current_, reportedPosition());
    const float left = gainLeft;
    const float right = gainRight;
    int32_t i = 0;
    while (i < frames) {
        if (remaining_ == 0) fetchBlock();
        const int32_t n = std::min(remaining_, frames - i);
        const int16_t* l = decoded_ + (kBlockFrames - remaining_);
        const int16_t* r = l + kBlockFrames;
        float* o = out + 2 * i;
        for (int32_t k = 0; k < n; ++k) {
            const float lv = float(l[k]) * kSampleScale * left;
            const float rv = float(r[k]) * kSampleScale * right;
            if constexpr (Add) {
                o[2 * k] += lv;
                o[2 * k + 1] += rv;
            } else {
                o[2 * k] = lv;
                o[2 * k + 1] = rv;
            }
        }
        remaining_ -= n;
        i += n;
    }
}

void ClipPlayer::render(float* out, int32_t frames) { renderBlocks<false>(out, frames); }

void ClipPlayer::renderAdd(float* out, int32_t frames) { renderBlocks<true>(out, frames); }

}  // namespace vh
