#pragma once

// Clip audio written block by block for the playback tests.

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/Decoder.h"
#include "support/TestSupport.h"

namespace vh::handclips {

using test::Block;
using test::constantBlock;
using test::StereoBlock;

// Both channels constant (filter 0, shift 0): code c < 8 decodes to c × 4096.
inline std::vector<StereoBlock> constantBlocks(int count, uint8_t left, uint8_t right) {
    return std::vector<StereoBlock>(std::size_t(count), {constantBlock(left, 0), constantBlock(right, 0)});
}

// Blocks that keep every filter busy, so that a predictor reset or carried at
// the wrong moment changes the samples; other seeds give other audio.
inline std::vector<StereoBlock> busyBlocks(int count, uint32_t seed) {
    std::vector<StereoBlock> blocks(static_cast<std::size_t>(count));
    uint32_t x = seed * 2654435761u + 1;
    for (StereoBlock& sb : blocks)
        for (Block* b : {&sb.left, &sb.right}) {
            for (int i = 2; i < 16; ++i) (*b)[std::size_t(i)] = uint8_t((x = x * 1103515245u + 12345u) >> 16);
            (*b)[0] = uint8_t((1 + (x >> 8) % 4) << 4 | (8 + (x >> 4) % 3));
        }
    return blocks;
}

// `valid`: how many of its bytes were really read (all by default).
inline std::unique_ptr<ClipAudio> makeClip(const std::vector<StereoBlock>& blocks, std::size_t valid = SIZE_MAX) {
    const std::vector<uint8_t> bytes = test::clipBytes(blocks);
    auto clip = ClipAudio::allocate(bytes.size());
    std::copy(bytes.begin(), bytes.end(), clip->data());
    clip->setValidBytes(valid);
    return clip;
}

// A playable (non-sentinel) track: `clip` only needs to be non-null.
inline std::unique_ptr<PlaylistTrack> makeTrack(const Clip* clip, std::unique_ptr<ClipAudio> intro,
                                                std::unique_ptr<ClipAudio> main, std::unique_ptr<ClipAudio> outro) {
    return std::unique_ptr<PlaylistTrack>(
        new PlaylistTrack{nullptr, nullptr, 0, clip, 0, 0, std::move(intro), std::move(main), std::move(outro)});
}

// Collects what a decode pushes as 16-bit samples again (exact: v × 2^-15).
struct SampleSink : FrameSink {
    std::vector<int16_t> samples;
    void pushFrames(const float* interleaved, int32_t frames) override {
        for (int32_t i = 0; i < 2 * frames; ++i) samples.push_back(int16_t(interleaved[i] * 32768.0f));
    }
};

// A clip's samples, interleaved, decoded from fresh predictors.
inline std::vector<int16_t> decodedOf(const ClipAudio& audio) {
    SampleSink sink;
    PredictorState l, r;
    exportPart(nullptr, 0, &audio, sink, l, r, nullptr);
    return sink.samples;
}
inline std::vector<int16_t> decoded(const std::vector<StereoBlock>& blocks) { return decodedOf(*makeClip(blocks)); }

}  // namespace vh::handclips
