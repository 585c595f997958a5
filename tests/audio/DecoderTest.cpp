#include "audio/Decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "audio/AdpcmEncoder.h"
#include "support/HandClips.h"

namespace vh {
namespace {

std::vector<int16_t> decode(std::vector<uint8_t> block, PredictorState& state) {
    block.resize(16, 0);
    std::vector<int16_t> out(28);
    decodeBlock(block.data(), out.data(), state);
    return out;
}

TEST(DecodeBlock, LowNibbleFirstAndTheFlagsByteUnread) {
    // Filter 0, shift 12: each code decodes to itself as a signed nibble,
    // rounded by adding 0.5 and truncating (-8 gives -7, -1 gives 0).
    PredictorState state;
    auto out = decode({0x0C, 0xFF, 0x21, 0x87, 0xF0}, state);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 7), (std::vector<int16_t>{1, 2, 7, -7, 0, 0, 0}));
}

TEST(DecodeBlock, ResidualIsTheCodeShiftedArithmetically) {
    struct Case { int shift, code, expected; };
    for (auto c : {Case{0, 1, 4096}, Case{0, 7, 28672}, Case{0, 8, -32767}, Case{12, 15, 0}, Case{15, 7, 0},
                   Case{15, 8, 0}, Case{13, 8, -3}, Case{3, 15, -511}, Case{12, 12, -3}}) {
        PredictorState state;
        EXPECT_EQ(decode({uint8_t(c.shift), 0, uint8_t(c.code)}, state)[0], c.expected)
            << "shift " << c.shift << " code " << c.code;
    }
}

TEST(DecodeBlock, EachFilterPredictsFromTheLastTwoValues) {
    struct Case { int filter; double s0, s1; int16_t first, second; };
    // Code 0 throughout: the output is the prediction alone, e.g. filter 2:
    // 1000 × 1.796875 − 500 × 0.8125 = 1390.625, then 1390.625 × 1.796875 −
    // 1000 × 0.8125 = 1686.279...; filters 5 to 15 act as filter 0.
    for (auto c : {Case{1, 1000, 500, 938, 879}, Case{1, -1000, 0, -937, -878}, Case{2, 1000, 500, 1391, 1686},
                   Case{3, 1000, 500, 1102, 827}, Case{4, 1000, 500, 1438, 1803}, Case{0, 1000, 500, 0, 0},
                   Case{5, 1000, 500, 0, 0}, Case{15, 1000, 500, 0, 0}}) {
        PredictorState state{c.s0, c.s1};
        auto out = decode({uint8_t(c.filter << 4 | 12)}, state);
        EXPECT_EQ(std::pair(out[0], out[1]), std::pair(c.first, c.second)) << "filter " << c.filter;
    }
}

TEST(DecodeBlock, RoundsHalfUpByTruncationAndClampsWithoutTouchingTheState) {
    // Filter 4 with s0 = 16, s1 = 32 predicts exactly 0.5.
    PredictorState state{16.0, 32.0};
    EXPECT_EQ(decode({0x4C, 0, 2}, state)[0], 3);  // 2.5
    state = {16.0, 32.0};
    EXPECT_EQ(decode({0x4C, 0, 0x0D}, state)[0], -2);  // -2.5
    // Filter 1 with silent codes decays 0.9375 × s0 from ±40000: the output
    // clamps while the state runs on from the unclamped values.
    for (double start : {40000.0, -40000.0}) {
        state = {start / 0.9375, 0.0};
        auto out = decode({0x1C}, state);
        double e = start / 0.9375, previous = 0.0;
        for (int i = 0; i < 28; ++i) previous = std::exchange(e, e * 0.9375);
        EXPECT_EQ(out[1], start > 0 ? 32767 : -32768);  // 37500 clamps too
        EXPECT_EQ(std::pair(state.s0, state.s1), std::pair(e, previous));
    }
}

// `count` blocks of code 3 (shift 12) on both channels, with the given filter.
std::vector<test::StereoBlock> threes(int32_t count, int shift = 12, int filter = 0) {
    const test::Block b = test::constantBlock(3, shift, filter);
    return std::vector<test::StereoBlock>(std::size_t(count), {b, b});
}

TEST(PartCursor, WalksIntoTheNextChunkAfter4096Blocks) {
    std::vector<test::StereoBlock> blocks = threes(4097);
    for (std::size_t b = 0; b < blocks.size(); ++b) blocks[b].left = test::constantBlock(b == 4096 ? 7 : int(b % 5));
    auto audio = handclips::makeClip(blocks);
    PartCursor cursor;
    cursor.open(*audio);
    PredictorState l, r;
    int16_t out[56];
    int32_t n = 0;
    for (; !cursor.atEnd(); ++n) {
        cursor.nextStereoBlock(out, l, r);
        ASSERT_EQ(out[0], n == 4096 ? 7 : n % 5) << n;
        ASSERT_EQ(out[28], 3);
    }
    EXPECT_EQ(n, 4097);
}

// The demo disc's encoder: what it writes decodes close to its input, each
// channel its own, across a chunk boundary.
TEST(AdpcmEncoder, ClipsDecodeCloseToTheirInput) {
    const std::size_t frames = 4100 * 28;
    std::vector<int16_t> pcm(2 * frames);
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t ch = 0; ch < 2; ++ch)
            pcm[2 * i + ch] = int16_t(12000 * std::sin(0.0183 * double(i) * double(ch + 1)) + 4000 * std::sin(0.31 * double(i)));
    const std::vector<uint8_t> bytes = encodeClip(pcm.data(), frames);
    auto audio = ClipAudio::allocate(bytes.size());
    std::memcpy(audio->data(), bytes.data(), bytes.size());
    const std::vector<int16_t> out = handclips::decodedOf(*audio);
    ASSERT_EQ(out.size(), pcm.size());
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        signal += double(pcm[i]) * pcm[i];
        noise += double(out[i] - pcm[i]) * (out[i] - pcm[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 40.0);
}

// A clip whose stream file ends early (a short cache file) decodes only the
// blocks whose bytes really arrived.
TEST(ClipAudio, BlockCountFromTheDeclaredSizeAndTheRealBytes) {
    struct Case { uint32_t dataSize; std::size_t validBytes; int32_t blocks; };
    const std::size_t full = 8068 + 2 * 135168;
    for (auto c : {Case{15, full, 0}, Case{16, full, 1}, Case{31, full, 1}, Case{4097 * 16, full, 4097},
                   // Real bytes end inside chunk 1: only blocks whose right half is whole count.
                   Case{8000 * 16, 8068 + 135168 + 69632 + 16 * 10 + 15, 4096 + 10},
                   Case{8000 * 16, 8068 + 135168 + 69632, 4096}, Case{8000 * 16, 8068 + 135168 + 4096, 4096},
                   Case{100, 8068 + 69632 + 16 * 5 + 8, 5}, Case{100, 8068, 0}, Case{100, 8019, 0}}) {
        auto audio = handclips::makeClip(threes(2 * 4096), c.validBytes);
        std::memcpy(audio->data() + 8016, &c.dataSize, 4);
        EXPECT_EQ(audio->blockCount(), c.blocks) << c.dataSize << " " << c.validBytes;
    }
}

TEST(ExportTrack, DecodesThePartsAsOneStreamAndReportsEachChunkAndSecond) {
    // Filter 1 makes every sample depend on the state carried from the part before.
    PlaylistTrack track;
    track.introAudio = handclips::makeClip(threes(10, 12, 1));
    track.mainAudio = handclips::makeClip(threes(4096 + 900, 11, 2));
    track.outroAudio = handclips::makeClip(threes(3, 10, 1));
    handclips::SampleSink sink;
    std::vector<int32_t> positions;
    int32_t frames = exportTrack(track, sink, [&](PlaylistTrack* t, int32_t p) {
        EXPECT_EQ(t, &track);
        positions.push_back(p);
    });
    EXPECT_EQ(frames, (10 + 4996 + 3) * 28);
    ASSERT_EQ(sink.samples.size(), std::size_t(frames) * 2);
    // Same samples as walking the three parts with one carried state.
    PredictorState l, r;
    std::size_t at = 0;
    for (const ClipAudio* part : {track.introAudio.get(), track.mainAudio.get(), track.outroAudio.get()}) {
        PartCursor cursor;
        cursor.open(*part);
        int16_t out[56];
        while (!cursor.atEnd()) {
            cursor.nextStereoBlock(out, l, r);
            for (int j = 0; j < 28; ++j, at += 2) {
                ASSERT_EQ(sink.samples[at], out[j]);
                ASSERT_EQ(sink.samples[at + 1], out[28 + j]);
            }
        }
    }
    // A report at each chunk start (0, 280, 280 + 114688, 280 + 139888) and
    // whenever a further 24000 frames have passed within a chunk.
    std::vector<int32_t> expected = {0, 280};
    for (int32_t p = 280 + 24024; p < 280 + 114688; p += 24024) expected.push_back(p);
    for (int32_t p : {280 + 114688, 280 + 114688 + 24024, 280 + 139888}) expected.push_back(p);
    EXPECT_EQ(positions, expected);
    // Parts that are missing or declare no blocks give nothing and no report.
    PlaylistTrack silent;
    silent.mainAudio = handclips::makeClip({});
    handclips::SampleSink none;
    EXPECT_EQ(exportTrack(silent, none, [&](PlaylistTrack*, int32_t) { ADD_FAILURE(); }), 0);
    EXPECT_TRUE(none.samples.empty());
}

}  // namespace
}  // namespace vh
