#include "audio/Decoder.h"

#include <algorithm>

namespace vh {

const double kFilterCoefficients[5][2] = {
    {0.0, 0.0},
    {0.9375, 0.0},
    {1.796875, -0.8125},
    {1.53125, -0.859375},
    {1.90625, -0.9375},
};

void decodeBlock(const uint8_t* block, int16_t out[28], PredictorState& state) {
    int filter = block[0] >> 4;
    int shift = block[0] & 0x0F;
    if (filter > 4) filter = 0;
    const double c0 = kFilterCoefficients[filter][0];
    const double c1 = kFilterCoefficients[filter][1];
    double s0 = state.s0;
    double s1 = state.s1;
    for (int i = 0; i < 28; ++i) {
        int code = (block[2 + i / 2] >> ((i & 1) * 4)) & 0x0F;
        // The code sits in bits 12-15 of a signed 16-bit word; shifts of 13 to
        // 15 apply like any other.
        int16_t word = int16_t(uint16_t(code << 12));
        int residual = int(word) >> shift;
        double e = residual + s0 * c0 + s1 * c1;
        s1 = s0;
        s0 = e;
        // Add 0.5 and truncate toward zero: 2.5 -> 3, -2.5 -> -2.
        double rounded = e + 0.5;
        int32_t v;
        if (rounded >= 32767.0) v = 32767;
        else if (rounded <= -32768.0) v = -32768;
        else v = int32_t(rounded);
        out[i] = int16_t(v);
    }
    state.s0 = s0;
    state.s1 = s1;
}

void PartCursor::open(const ClipAudio& audio) {
    nextChunk = audio.data() + ClipAudio::kHeaderBytes;
    left = right = nullptr;
    chunkBlocks = 0;
    partBlocks = audio.blockCount();
}

void PartCursor::enterChunkIfNeeded() {
    if (chunkBlocks != 0) return;
    left = nextChunk + ClipAudio::kLeftOffset;
    right = nextChunk + ClipAudio::kRightOffset;
    nextChunk += ClipAudio::kChunkBytes;
    chunkBlocks = std::min(partBlocks, ClipAudio::kBlocksPerChunk);
}

void PartCursor::nextStereoBlock(int16_t out[56], PredictorState& leftState, PredictorState& rightState) {
    enterChunkIfNeeded();
    decodeBlock(left, out, leftState);
    decodeBlock(right, out + 28, rightState);
    left += ClipAudio::kBlockBytes;
    right += ClipAudio::kBlockBytes;
    --chunkBlocks;
    --partBlocks;
}

int32_t exportPart(PlaylistTrack* track, int32_t position, const ClipAudio* audio, FrameSink& sink,
                   PredictorState& leftState, PredictorState& rightState, const PositionCallback& callback) {
    if (!audio || audio->blockCount() == 0) return position;
    constexpr float kScale = 3.0517578125e-05f;  // 2^-15
    PartCursor cursor;
    cursor.open(*audio);
    int16_t decoded[56];
    float frames[56];
    while (!cursor.atEnd()) {
        // A new chunk: report, then about once per second of audio.
        if (callback) callback(track, position);
        int32_t mark = position + 24000;
        int32_t n = std::min(cursor.partBlocks, ClipAudio::kBlocksPerChunk);
        for (int32_t b = 0; b < n; ++b) {
            cursor.nextStereoBlock(decoded, leftState, rightState);
            for (int j = 0; j < 28; ++j) {
                frames[2 * j] = float(decoded[j]) * kScale;
                frames[2 * j + 1] = float(decoded[28 + j]) * kScale;
            }
            sink.pushFrames(frames, 28);
            position += 28;
            if (position >= mark) {
                if (callback) callback(track, position);
                mark = position + 24000;
            }
        }
    }
    return position;
}

int32_t exportTrack(PlaylistTrack& track, FrameSink& sink, const PositionCallback& callback) {
    PredictorState left, right;
    int32_t position = 0;
    position = exportPart(&track, position, track.introAudio.get(), sink, left, right, callback);
    position = exportPart(&track, position, track.mainAudio.get(), sink, left, right, callback);
    position = exportPart(&track, position, track.outroAudio.get(), sink, left, right, callback);
    return position;
}

}  // namespace vh
