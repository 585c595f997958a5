#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/Decoder.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

std::vector<int16_t> decode(const std::vector<uint8_t>& block, PredictorState& state) {
    std::vector<int16_t> out(28);
    decodeBlock(block.data(), out.data(), state);
    return out;
}

std::vector<uint8_t> blockWith(uint8_t head, std::initializer_list<int> codes) {
    std::vector<uint8_t> block(16, 0);
    block[0] = head;
    int i = 0;
    for (int code : codes) {
        block[2 + i / 2] |= uint8_t((code & 0x0F) << ((i & 1) * 4));
        ++i;
    }
    return block;
}

TEST(DecodeBlock, FilterIndicesAboveFourActAsFilterZero) {
    // With filter 0 the prediction is zero whatever the state holds.
    for (int filter = 0; filter < 16; ++filter) {
        if (filter >= 1 && filter <= 4) continue;
        PredictorState state{1000.0, -2000.0};
        auto out = decode(blockWith(uint8_t(filter << 4 | 12), {3, 7, 8, 15}), state);
        EXPECT_EQ(out[0], 3) << filter;
        EXPECT_EQ(out[1], 7) << filter;
        EXPECT_EQ(out[2], -7) << filter;  // -8 rounds to -7 (add 0.5, truncate)
        EXPECT_EQ(out[3], 0) << filter;   // -1 rounds to 0
    }
}

TEST(DecodeBlock, ResidualIsTheCodeShiftedArithmetically) {
    struct Case {
        int shift, code, expected;
    };
    for (auto c : {Case{0, 1, 4096}, Case{0, 7, 28672}, Case{0, 8, -32767}, Case{12, 15, 0}, Case{15, 7, 0},
                   Case{15, 8, 0}, Case{13, 8, -3}, Case{3, 15, -511}, Case{12, 12, -3}}) {
        PredictorState state;
        auto out = decode(blockWith(uint8_t(c.shift), {c.code}), state);
        EXPECT_EQ(out[0], c.expected) << "shift " << c.shift << " code " << c.code;
    }
    // Shift 15: codes 8-15 become -1 before prediction, which the state keeps.
    PredictorState state;
    std::vector<uint8_t> minusOnes(16, 0x88);
    minusOnes[0] = 0x0F;
    EXPECT_EQ(decode(minusOnes, state)[27], 0);
    EXPECT_EQ(state.s0, -1.0);
    EXPECT_EQ(state.s1, -1.0);
}

TEST(DecodeBlock, RoundsHalfUpByTruncationAndClampsWithoutTouchingTheState) {
    // Filter 4 with s0 = 16, s1 = 32 predicts exactly 0.5.
    PredictorState state{16.0, 32.0};
    auto out = decode(blockWith(0x4C, {2}), state);
    EXPECT_EQ(out[0], 3);  // 2.5
    state = {16.0, 32.0};
    out = decode(blockWith(0x4C, {-3}), state);
    EXPECT_EQ(out[0], -2);  // -2.5

    // Filter 1 with silent codes decays 0.9375 × s0 from 40000: the output
    // clamps while the state runs on from the unclamped values.
    for (double start : {40000.0, -40000.0}) {
        state = {start / 0.9375, 0.0};
        out = decode(blockWith(0x1C, {0}), state);
        double e = start / 0.9375, previous = 0.0;
        for (int i = 0; i < 28; ++i) {
            previous = e;
            e = e * 0.9375;
        }
        EXPECT_EQ(out[0], start > 0 ? 32767 : -32768);
        EXPECT_EQ(out[1], start > 0 ? 32767 : -32768);  // 37500 clamps too
        EXPECT_EQ(state.s0, e);
        EXPECT_EQ(state.s1, previous);
    }
}

TEST(DecodeBlock, StateCarriesTheLastTwoUnroundedValues) {
    PredictorState state{100.0, 50.0};
    std::vector<int16_t> out = decode(blockWith(0x2C, {1, 2, 3}), state);
    // Recompute the recursion by hand for the first three samples.
    double s0 = 100.0, s1 = 50.0;
    for (int i = 0; i < 28; ++i) {
        int r = i < 3 ? i + 1 : 0;
        double e = r + s0 * 1.796875 + s1 * -0.8125;
        s1 = s0;
        s0 = e;
    }
    EXPECT_EQ(state.s0, s0);
    EXPECT_EQ(state.s1, s1);
}

int codeByIndex(int32_t b) { return b == 4096 ? 7 : (b % 5); }
int codeThree(int32_t) { return 3; }

std::unique_ptr<ClipAudio> audioFrom(const std::vector<uint8_t>& bytes, std::size_t valid = SIZE_MAX) {
    auto audio = ClipAudio::allocate(bytes.size());
    std::memcpy(audio->data(), bytes.data(), bytes.size());
    audio->setValidBytes(valid);
    return audio;
}

TEST(PartCursor, WalksIntoTheNextChunkAfter4096Blocks) {
    auto audio = audioFrom(test::clipBytes(4097, codeByIndex, codeThree));
    ASSERT_EQ(audio->blockCount(), 4097);
    // The left block 0 of chunk 1 lies at 8068 + 135168 + 4096.
    EXPECT_EQ(audio->data()[8068 + 135168 + 4096], 12);
    EXPECT_EQ(audio->data()[8068 + 135168 + 4096 + 2], 0x77);

    PartCursor cursor;
    cursor.open(*audio);
    PredictorState l, r;
    int16_t out[56];
    int32_t blocks = 0;
    while (!cursor.atEnd()) {
        cursor.nextStereoBlock(out, l, r);
        EXPECT_EQ(out[0], codeByIndex(blocks)) << blocks;
        EXPECT_EQ(out[28], 3);
        ++blocks;
    }
    EXPECT_EQ(blocks, 4097);
}

TEST(ClipAudio, BlockCountFromTheDeclaredSizeAndTheRealBytes) {
    struct Case {
        uint32_t dataSize;
        std::size_t validBytes;
        int32_t blocks;
    };
    const std::size_t full = 8068 + 2 * 135168;
    for (auto c : {Case{15, full, 0}, Case{16, full, 1}, Case{31, full, 1}, Case{4097 * 16, full, 4097},
                   // Real bytes end inside chunk 1: only blocks whose right half is whole count.
                   Case{8000 * 16, 8068 + 135168 + 69632 + 16 * 10 + 15, 4096 + 10},
                   Case{8000 * 16, 8068 + 135168 + 69632, 4096}, Case{8000 * 16, 8068 + 135168 + 4096, 4096},
                   Case{100, 8068, 0}, Case{100, 8019, 0}}) {
        auto bytes = test::clipBytes(2 * 4096, codeThree, codeThree);
        for (int i = 0; i < 4; ++i) bytes[8016 + i] = uint8_t(c.dataSize >> (8 * i));
        auto audio = audioFrom(bytes, c.validBytes);
        EXPECT_EQ(audio->blockCount(), c.blocks) << c.dataSize << " " << c.validBytes;
    }
}

struct Recorder : FrameSink {
    std::vector<float> samples;
    void pushFrames(const float* interleaved, int32_t frames) override {
        samples.insert(samples.end(), interleaved, interleaved + 2 * frames);
    }
};

TEST(ExportTrack, DecodesThePartsAsOneStreamAndReportsEachChunkAndSecond) {
    // Filter 1 makes every sample depend on the state carried from the part before.
    auto makePart = [](int32_t blocks, uint8_t head) {
        auto bytes = test::clipBytes(blocks, codeThree, codeThree);
        for (int32_t b = 0; b < blocks; ++b) {
            bytes[8068 + std::size_t(b / 4096) * 135168 + 4096 + std::size_t(b % 4096) * 16] = head;
            bytes[8068 + std::size_t(b / 4096) * 135168 + 69632 + std::size_t(b % 4096) * 16] = head;
        }
        return audioFrom(bytes);
    };
    PlaylistTrack track;
    track.introAudio = makePart(10, 0x1C);
    track.mainAudio = makePart(4096 + 900, 0x2B);
    track.outroAudio = makePart(3, 0x1A);

    Recorder sink;
    std::vector<std::pair<PlaylistTrack*, int32_t>> reports;
    int32_t frames = exportTrack(track, sink, [&](PlaylistTrack* t, int32_t p) { reports.push_back({t, p}); });
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
                ASSERT_EQ(sink.samples[at], out[j] / 32768.0f);
                ASSERT_EQ(sink.samples[at + 1], out[28 + j] / 32768.0f);
            }
        }
    }

    // A report at each chunk start (0, 280, 280 + 114688, 280 + 139888) and
    // whenever a further 24000 frames have passed within a chunk.
    std::vector<int32_t> positions;
    for (auto& [t, p] : reports) {
        EXPECT_EQ(t, &track);
        positions.push_back(p);
    }
    std::vector<int32_t> expected = {0, 280};
    for (int32_t p = 280 + 24024; p < 280 + 114688; p += 24024) expected.push_back(p);
    expected.push_back(280 + 114688);
    expected.push_back(280 + 114688 + 24024);
    expected.push_back(280 + 139888);
    EXPECT_EQ(positions, expected);
}

TEST(ExportTrack, MissingAndEmptyPartsGiveNothing) {
    PlaylistTrack track;
    auto bytes = test::clipBytes(1, codeThree, codeThree);
    for (int i = 0; i < 4; ++i) bytes[8016 + i] = 0;
    track.mainAudio = audioFrom(bytes);
    Recorder sink;
    int calls = 0;
    EXPECT_EQ(exportTrack(track, sink, [&](PlaylistTrack*, int32_t) { ++calls; }), 0);
    EXPECT_TRUE(sink.samples.empty());
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vh
