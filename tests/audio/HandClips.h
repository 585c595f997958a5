#pragma once

// Clip audio made by hand for the playback tests: blocks are written byte by
// byte, so the tests need no encoder.

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/Decoder.h"
#include "audio/PlaylistTrack.h"
#include "gamedata/ClipAudio.h"

namespace vh::handclips {

// One 16-byte block: filter and shift in byte 0, 28 four-bit codes.
using Block = std::array<uint8_t, 16>;

inline Block block(int filter, int shift, const std::array<uint8_t, 28>& codes) {
    Block b{};
    b[0] = uint8_t((filter << 4) | shift);
    for (int i = 0; i < 28; ++i) b[2 + i / 2] |= uint8_t((codes[i] & 0x0F) << ((i & 1) * 4));
    return b;
}

inline Block constantBlock(int filter, int shift, uint8_t code) {
    std::array<uint8_t, 28> codes;
    codes.fill(code);
    return block(filter, shift, codes);
}

struct StereoBlock {
    Block left;
    Block right;
};

// A ClipAudio holding the given stereo blocks, laid out in chunks of 4096.
inline std::unique_ptr<ClipAudio> makeClip(const std::vector<StereoBlock>& blocks) {
    const std::size_t chunks = blocks.empty() ? 1 : (blocks.size() + 4095) / 4096;
    auto clip = ClipAudio::allocate(ClipAudio::kHeaderBytes + chunks * ClipAudio::kChunkBytes);
    uint8_t* data = clip->data();
    const uint32_t dataSize = uint32_t(blocks.size() * 16);
    for (int k = 0; k < 4; ++k) data[ClipAudio::kDataSizeOffset + k] = uint8_t(dataSize >> (8 * k));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        uint8_t* chunk = data + ClipAudio::kHeaderBytes + (i / 4096) * ClipAudio::kChunkBytes;
        std::memcpy(chunk + ClipAudio::kLeftOffset + (i % 4096) * 16, blocks[i].left.data(), 16);
        std::memcpy(chunk + ClipAudio::kRightOffset + (i % 4096) * 16, blocks[i].right.data(), 16);
    }
    return clip;
}

// `count` blocks that keep every filter busy, so a predictor that is reset or
// carried at the wrong moment changes the samples. Different seeds give
// different audio.
inline std::vector<StereoBlock> busyBlocks(int count, uint32_t seed) {
    std::vector<StereoBlock> blocks;
    uint32_t x = seed * 2654435761u + 1;
    auto nextCode = [&x]() {
        x = x * 1103515245u + 12345u;
        return uint8_t((x >> 16) & 0x0F);
    };
    for (int i = 0; i < count; ++i) {
        StereoBlock sb;
        for (Block* b : {&sb.left, &sb.right}) {
            std::array<uint8_t, 28> codes;
            for (auto& c : codes) c = nextCode();
            const int filter = 1 + int((x >> 8) % 4);
            *b = block(filter, 8 + int((x >> 4) % 3), codes);
        }
        blocks.push_back(sb);
    }
    return blocks;
}

// Both channels of every block the same constant code (filter 0, shift 0):
// code c decodes to c × 4096 for c < 8.
inline std::vector<StereoBlock> constantBlocks(int count, uint8_t leftCode, uint8_t rightCode) {
    return std::vector<StereoBlock>(size_t(count), StereoBlock{constantBlock(0, 0, leftCode), constantBlock(0, 0, rightCode)});
}

// A playable (non-sentinel) track; `clip` only needs to be non-null.
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

// Collects what a decode pushes, as 16-bit samples again (exact: the decoder
// pushes v × 2^-15).
class SampleSink : public FrameSink {
public:
    void pushFrames(const float* interleaved, int32_t frames) override {
        for (int32_t i = 0; i < 2 * frames; ++i) samples.push_back(int16_t(interleaved[i] * 32768.0f));
    }
    std::vector<int16_t> samples;
};

}  // namespace vh::handclips
