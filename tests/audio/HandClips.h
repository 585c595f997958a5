#pragma once

// Clip audio written block by block for the playback tests.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/Decoder.h"

namespace vh::handclips {

// One 16-byte block: filter and shift in byte 0, 28 four-bit codes.
using Block = std::array<uint8_t, 16>;
struct StereoBlock {
    Block left, right;
};

inline Block constantBlock(int filter, int shift, uint8_t code) {
    Block b{};
    b[0] = uint8_t((filter << 4) | shift);
    for (int i = 2; i < 16; ++i) b[std::size_t(i)] = uint8_t(code & 0x0F) * 0x11;
    return b;
}

// Both channels constant (filter 0, shift 0): code c < 8 decodes to c × 4096.
inline std::vector<StereoBlock> constantBlocks(int count, uint8_t left, uint8_t right) {
    return std::vector<StereoBlock>(std::size_t(count), {constantBlock(0, 0, left), constantBlock(0, 0, right)});
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

// A ClipAudio holding the stereo blocks in chunks of 4096.
inline std::unique_ptr<ClipAudio> makeClip(const std::vector<StereoBlock>& blocks) {
    const std::size_t chunks = std::max<std::size_t>(1, (blocks.size() + 4095) / 4096);
    auto clip = ClipAudio::allocate(ClipAudio::kHeaderBytes + chunks * ClipAudio::kChunkBytes);
    const uint32_t dataSize = uint32_t(blocks.size() * 16);
    std::memcpy(clip->data() + ClipAudio::kDataSizeOffset, &dataSize, 4);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        uint8_t* chunk = clip->data() + ClipAudio::kHeaderBytes + (i / 4096) * ClipAudio::kChunkBytes + (i % 4096) * 16;
        std::memcpy(chunk + ClipAudio::kLeftOffset, blocks[i].left.data(), 16);
        std::memcpy(chunk + ClipAudio::kRightOffset, blocks[i].right.data(), 16);
    }
    return clip;
}

// A playable (non-sentinel) track: `clip` only needs to be non-null.
inline std::unique_ptr<PlaylistTrack> makeTrack(const Clip* clip, std::unique_ptr<ClipAudio> intro,
                                                std::unique_ptr<ClipAudio> main, std::unique_ptr<ClipAudio> outro) {
    auto track = std::make_unique<PlaylistTrack>();
    track->station = 0;
    track->clip = clip;
    track->introAudio = std::move(intro);
    track->mainAudio = std::move(main);
    track->outroAudio = std::move(outro);
    return track;
}

// Collects what a decode pushes as 16-bit samples again (exact: v × 2^-15).
struct SampleSink : FrameSink {
    std::vector<int16_t> samples;
    void pushFrames(const float* interleaved, int32_t frames) override {
        for (int32_t i = 0; i < 2 * frames; ++i) samples.push_back(int16_t(interleaved[i] * 32768.0f));
    }
};

}  // namespace vh::handclips
