#include "audio/AdpcmEncoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vh {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Decodes a whole clip the way playback walks it, interleaved stereo.
std::vector<int16_t> decodeClip(const std::vector<uint8_t>& bytes) {
    auto audio = ClipAudio::allocate(bytes.size());
    std::memcpy(audio->data(), bytes.data(), bytes.size());
    PartCursor cursor;
    cursor.open(*audio);
    PredictorState left, right;
    std::vector<int16_t> out;
    int16_t block[56];
    while (!cursor.atEnd()) {
        cursor.nextStereoBlock(block, left, right);
        for (int j = 0; j < 28; ++j) out.insert(out.end(), {block[j], block[28 + j]});
    }
    return out;
}

int16_t toSample(double v) { return int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0)); }
double sine(double hz, double level, int frame) { return level * std::sin(kTwoPi * hz * frame / 24000.0); }

// Chords with a bass line, plucked notes that decay and a noise hi-hat.
double music(int channel, int frame) {
    const double t = frame / 24000.0, note = std::fmod(t, 0.25);
    double v = 0.18 * std::sin(kTwoPi * 65.4 * (1 + int(t / 2) % 3) * t);
    for (double hz : {261.63, 329.63, 392.0}) v += 0.09 * std::sin(kTwoPi * hz * (1 + 0.1 * (int(t / 2) % 4)) * t);
    v += (channel ? 0.12 : 0.2) * std::exp(-note * 6.0) * std::sin(kTwoPi * (523.25 + 60 * (int(t * 4) % 8)) * t);
    uint32_t h = uint32_t(frame) * 2654435761u ^ uint32_t(channel) * 40503u;
    h ^= h >> 15;
    return v + 0.05 * ((h & 0xFFFF) / 32768.0 - 1.0) * std::exp(-std::fmod(t, 0.125) * 60.0);
}

struct RoundTripCase {
    std::string name;
    std::function<double(int channel, int frame)> signal;
    double seconds;
    double minSnrDb;
};

class EncoderRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Six seconds of music cross into a second chunk.
TEST_P(EncoderRoundTrip, DecodesWithinSnr) {
    const RoundTripCase& c = GetParam();
    const std::size_t frames = std::size_t(c.seconds * 24000);
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < 2; ++ch) pcm[2 * i + ch] = toSample(c.signal(ch, int(i)));
    const std::vector<int16_t> decoded = decodeClip(encodeClip(pcm.data(), frames));
    ASSERT_GE(decoded.size(), pcm.size());
    double signal = 0.0, noise = 0.0;
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        signal += double(pcm[i]) * pcm[i];
        noise += (double(decoded[i]) - pcm[i]) * (double(decoded[i]) - pcm[i]);
    }
    EXPECT_GE(10.0 * std::log10(signal / std::max(noise, 1.0)), c.minSnrDb);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, EncoderRoundTrip,
    ::testing::Values(RoundTripCase{"music", music, 6.0, 35.0},
                      RoundTripCase{"sine440", [](int ch, int f) { return sine(ch ? 440.0 : 441.0, 0.5, f); }, 1.0, 45.0},
                      RoundTripCase{"quietsine", [](int, int f) { return sine(220.0, 0.003, f); }, 1.0, 60.0},
                      RoundTripCase{"loudsweep",
                                    [](int, int f) {
                                        double t = f / 24000.0;
                                        return 0.98 * std::sin(kTwoPi * (50.0 * t + 1500.0 * t * t));
                                    },
                                    2.0, 24.0}),
    [](const auto& info) { return info.param.name; });

TEST(AdpcmEncoder, SilenceDecodesToExactZerosEvenAfterSound) {
    // A burst of sound leaves the predictor full; the silence after it must
    // still come out as exact zeros.
    const std::size_t frames = 28 * 300;
    std::vector<int16_t> pcm(frames * 2, 0);
    for (std::size_t i = 0; i < 28 * 100; ++i)
        for (int ch = 0; ch < 2; ++ch) pcm[2 * i + ch] = toSample(sine(300.0 + 100 * ch, 0.7, int(i)));
    const std::vector<int16_t> decoded = decodeClip(encodeClip(pcm.data(), frames));
    for (std::size_t i = 2 * 28 * 100; i < decoded.size(); ++i) ASSERT_EQ(decoded[i], 0) << "sample " << i;
}

TEST(AdpcmEncoder, StateMatchesTheDecoderAfterEveryBlock) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    PredictorState encoderState, decoderState;
    for (int b = 0; b < 400; ++b) {
        int16_t in[28];
        // Alternate smooth, noisy and extreme blocks to reach every filter.
        for (int i = 0; i < 28; ++i) {
            if (b % 3 == 0) in[i] = toSample(sine(100.0 + b, 0.9, b * 28 + i));
            else if (b % 3 == 1) in[i] = int16_t(sample(rng));
            else in[i] = (i / 7) % 2 ? int16_t(32767) : int16_t(-32768);
        }
        uint8_t block[16];
        encodeBlock(in, block, encoderState);
        ASSERT_EQ(block[1], 0);
        ASSERT_LE(block[0] >> 4, 4);
        ASSERT_LE(block[0] & 0x0F, 12);
        int16_t out[28];
        decodeBlock(block, out, decoderState);
        ASSERT_EQ(encoderState.s0, decoderState.s0) << "block " << b;
        ASSERT_EQ(encoderState.s1, decoderState.s1) << "block " << b;
    }
}

TEST(AdpcmEncoder, HeaderSizeAndWholeChunks) {
    struct Case {
        std::size_t frames;
        uint32_t blocks;
        std::size_t chunks;
    };
    for (auto c : {Case{0, 0, 0}, Case{1, 1, 1}, Case{28, 1, 1}, Case{29, 2, 1}, Case{4096 * 28, 4096, 1},
                   Case{4096 * 28 + 1, 4097, 2}, Case{8192 * 28, 8192, 2}}) {
        std::vector<int16_t> pcm(c.frames * 2, 1000);
        const std::vector<uint8_t> bytes = encodeClip(pcm.data(), c.frames);
        ASSERT_EQ(bytes.size(), ClipAudio::kHeaderBytes + c.chunks * ClipAudio::kChunkBytes) << c.frames;
        EXPECT_EQ(test::le32(bytes, ClipAudio::kDataSizeOffset), 16 * c.blocks);
        for (std::size_t i = 0; i < ClipAudio::kHeaderBytes; ++i)
            ASSERT_TRUE(bytes[i] == 0 || (i >= ClipAudio::kDataSizeOffset && i < ClipAudio::kDataSizeOffset + 4)) << i;
        EXPECT_EQ(decodeClip(bytes).size(), std::size_t(c.blocks) * 56);
    }
}

}  // namespace
}  // namespace vh
