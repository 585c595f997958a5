#pragma once

#include <cstdint>
#include <functional>

#include "audio/PlaylistTrack.h"
#include "gamedata/ClipAudio.h"

namespace vh {

// Stereo 4-bit ADPCM in the PlayStation SPU block format, 24000 Hz.
//
// Block (16 bytes, one channel, 28 samples):
//   0     high nibble: filter 0-4 (5-15 act as 0); low nibble: shift 0-15
//   1     flags, not read
//   2-15  28 signed 4-bit codes, low nibble first

// Per channel: the last reconstructed value and the one before it, kept
// unrounded and unclamped.
struct PredictorState {
    double s0 = 0.0;
    double s1 = 0.0;
};

extern const double kFilterCoefficients[5][2];

// Decodes one block into 28 samples and updates the state.
void decodeBlock(const uint8_t* block, int16_t out[28], PredictorState& state);

// The walk over a clip's stereo blocks, chunk by chunk.
struct PartCursor {
    const uint8_t* nextChunk = nullptr;
    const uint8_t* left = nullptr;
    const uint8_t* right = nullptr;
    int32_t chunkBlocks = 0;  // blocks left in the current chunk
    int32_t partBlocks = 0;   // blocks left in the part

    void open(const ClipAudio& audio);
    bool atEnd() const { return partBlocks == 0; }
    // Moves into the next chunk when the current one is used up.
    void enterChunkIfNeeded();
    // Decodes the next stereo block: left samples 0-27, right samples 28-55.
    void nextStereoBlock(int16_t out[56], PredictorState& left, PredictorState& right);
};

// Told (track, frame position at 24000 Hz) as playback or the export goes on.
using PositionCallback = std::function<void(PlaylistTrack*, int32_t)>;

// Receives decoded frames, interleaved left/right, full scale ±1.0; the
// export's sink is the resampler.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void pushFrames(const float* interleaved, int32_t frames) = 0;
};

// Decodes one whole part into the sink, reporting at the start of every chunk
// and about once per second; returns position + 28 × blocks.
int32_t exportPart(PlaylistTrack* track, int32_t position, const ClipAudio* audio, FrameSink& sink,
                   PredictorState& left, PredictorState& right, const PositionCallback& callback);

// Decodes intro, main clip and outro as one continuous stream (the predictor
// runs on from part to part); returns the frames produced.
int32_t exportTrack(PlaylistTrack& track, FrameSink& sink, const PositionCallback& callback);

}  // namespace vh
