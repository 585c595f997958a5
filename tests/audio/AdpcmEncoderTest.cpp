#include "audio/AdpcmEncoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "audio/Decoder.h"
#include "gamedata/ClipAudio.h"

namespace vh {
namespace {

constexpr double kRate = 24000.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::unique_ptr<ClipAudio> toClipAudio(const std::vector<uint8_t>& bytes) {
    auto audio = ClipAudio::allocate(bytes.size());
    std::memcpy(audio->data(), bytes.data(), bytes.size());
    return audio;
}

// Decodes a whole clip the way playback walks it, interleaved stereo.
std::vector<int16_t> decodeClip(const std::vector<uint8_t>& bytes) {
    auto audio = toClipAudio(bytes);
    PartCursor cursor;
    cursor.open(*audio);
    PredictorState left, right;
    std::vector<int16_t> out;
    int16_t block[56];
    while (!cursor.atEnd()) {
        cursor.nextStereoBlock(block, left, right);
        for (int j = 0; j < 28; ++j) {
            out.push_back(block[j]);
            out.push_back(block[28 + j]);
        }
    }
    return out;
}

uint32_t readU32(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

int16_t toSample(double v) { return int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0)); }

// Test signals, one value per channel and frame, full scale ±1.
using Signal = std::function<double(int channel, int frame)>;

double sine(double hz, double level, int frame) { return level * std::sin(kTwoPi * hz * frame / kRate); }

// A small arrangement: a four-chord progression of triads with a bass line,
// plucked melody notes that decay, and a noise hi-hat every eighth note.
double music(int channel, int frame) {
    static const double kChords[4][3] = {{261.63, 329.63, 392.0}, {220.0, 261.63, 329.63},
                                         {174.61, 220.0, 261.63}, {196.0, 246.94, 293.66}};
    static const double kMelody[8] = {523.25, 587.33, 659.25, 783.99, 659.25, 587.33, 523.25, 493.88};
    const double t = frame / kRate;
    const int bar = int(t / 2.0) % 4;
    double v = 0.0;
    for (double hz : kChords[bar]) v += 0.09 * std::sin(kTwoPi * hz * t);
    v += 0.18 * std::sin(kTwoPi * kChords[bar][0] / 2.0 * t);
    const double noteT = std::fmod(t, 0.25);
    const double noteHz = kMelody[int(t / 0.25) % 8];
    const double pluck = std::exp(-noteT * 6.0);
    v += (channel == 0 ? 0.2 : 0.12) * pluck * (std::sin(kTwoPi * noteHz * t) + 0.3 * std::sin(kTwoPi * 2 * noteHz * t));
    // Deterministic noise from the frame number.
    uint32_t h = uint32_t(frame) * 2654435761u ^ uint32_t(channel) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    const double noise = (h & 0xFFFF) / 32768.0 - 1.0;
    v += 0.05 * noise * std::exp(-std::fmod(t, 0.125) * 60.0);
    return v;
}

struct RoundTripCase {
    std::string name;
    Signal signal;
    double seconds;
    double minSnrDb;
};

class EncoderRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(EncoderRoundTrip, DecodesWithinSnr) {
    const RoundTripCase& c = GetParam();
    const std::size_t frames = std::size_t(c.seconds * kRate);
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < 2; ++ch) pcm[2 * i + ch] = toSample(c.signal(ch, int(i)));

    const std::vector<int16_t> decoded = decodeClip(encodeClip(pcm.data(), frames));
    ASSERT_GE(decoded.size(), pcm.size());
    double signalPower = 0.0, noisePower = 0.0;
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        double d = double(decoded[i]) - pcm[i];
        signalPower += double(pcm[i]) * pcm[i];
        noisePower += d * d;
    }
    const double snr = 10.0 * std::log10(signalPower / std::max(noisePower, 1.0));
    RecordProperty("snr_db", std::to_string(snr));
    std::printf("[ snr      ] %-14s %.1f dB\n", c.name.c_str(), snr);
    EXPECT_GE(snr, c.minSnrDb);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, EncoderRoundTrip,
    ::testing::Values(
        RoundTripCase{"music", music, 6.0, 35.0},
        RoundTripCase{"sine440", [](int ch, int f) { return sine(ch ? 440.0 : 441.0, 0.5, f); }, 1.0, 45.0},
        RoundTripCase{"sine3k", [](int, int f) { return sine(3000.0, 0.5, f); }, 1.0, 32.0},
        RoundTripCase{"quietsine", [](int, int f) { return sine(220.0, 0.003, f); }, 1.0, 60.0},
        RoundTripCase{"loudsweep",
                      [](int, int f) {
                          double t = f / kRate;
                          return 0.98 * std::sin(kTwoPi * (50.0 * t + 1500.0 * t * t));
                      },
                      2.0, 24.0}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(AdpcmEncoder, SilenceDecodesToExactZerosEvenAfterSound) {
    // A burst of sound leaves the predictor full; the silence after it must
    // still come out as exact zeros.
    const std::size_t frames = 28 * 300;
    std::vector<int16_t> pcm(frames * 2, 0);
    for (std::size_t i = 0; i < 28 * 100; ++i)
        for (int ch = 0; ch < 2; ++ch) pcm[2 * i + ch] = toSample(sine(300.0 + 100 * ch, 0.7, int(i)));

    const std::vector<int16_t> decoded = decodeClip(encodeClip(pcm.data(), frames));
    for (std::size_t i = 2 * 28 * 100; i < decoded.size(); ++i) ASSERT_EQ(decoded[i], 0) << "sample " << i;

    std::vector<int16_t> silence(28 * 50 * 2, 0);
    for (int16_t v : decodeClip(encodeClip(silence.data(), 28 * 50))) ASSERT_EQ(v, 0);
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
        EXPECT_EQ(block[1], 0);
        EXPECT_LE(block[0] >> 4, 4);
        EXPECT_LE(block[0] & 0x0F, 12);
        int16_t out[28];
        decodeBlock(block, out, decoderState);
        ASSERT_EQ(encoderState.s0, decoderState.s0) << "block " << b;
        ASSERT_EQ(encoderState.s1, decoderState.s1) << "block " << b;
    }
}

TEST(AdpcmEncoder, FindsAnExactEncodingOfDecodableInput) {
    // Samples that a block really decodes to can be reproduced without error.
    std::mt19937 rng(11);
    PredictorState source, encoderState;
    int exact = 0;
    for (int b = 0; b < 200; ++b) {
        uint8_t original[16] = {uint8_t((b % 5) << 4 | (4 + b % 9)), 0};
        for (int k = 2; k < 16; ++k) original[k] = uint8_t(rng());
        PredictorState before = source;
        int16_t samples[28];
        decodeBlock(original, samples, source);
        encoderState = before;
        uint8_t block[16];
        encodeBlock(samples, block, encoderState);
        PredictorState check = before;
        int16_t again[28];
        decodeBlock(block, again, check);
        exact += std::equal(samples, samples + 28, again);
        source = encoderState;  // carry on from what the encoder produced
    }
    EXPECT_GE(exact, 190);
}

struct LayoutCase {
    std::size_t frames;
    uint32_t blocks;
    std::size_t chunks;
};

class EncoderLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EncoderLayout, HeaderSizeAndChunks) {
    const LayoutCase& c = GetParam();
    std::vector<int16_t> pcm(c.frames * 2, 1000);
    const std::vector<uint8_t> bytes = encodeClip(pcm.data(), c.frames);
    ASSERT_EQ(bytes.size(), ClipAudio::kHeaderBytes + c.chunks * ClipAudio::kChunkBytes);
    EXPECT_EQ(readU32(bytes, ClipAudio::kDataSizeOffset), 16 * c.blocks);
    for (std::size_t i = 0; i < ClipAudio::kHeaderBytes; ++i) {
        if (i < ClipAudio::kDataSizeOffset || i >= ClipAudio::kDataSizeOffset + 4) {
            ASSERT_EQ(bytes[i], 0) << i;
        }
    }
    EXPECT_EQ(toClipAudio(bytes)->blockCount(), int32_t(c.blocks));
    EXPECT_EQ(decodeClip(bytes).size(), std::size_t(c.blocks) * 56);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EncoderLayout,
                         ::testing::Values(LayoutCase{0, 0, 0}, LayoutCase{1, 1, 1}, LayoutCase{28, 1, 1},
                                           LayoutCase{29, 2, 1}, LayoutCase{4096 * 28, 4096, 1},
                                           LayoutCase{4096 * 28 + 1, 4097, 2}, LayoutCase{8192 * 28, 8192, 2}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                             return "frames" + std::to_string(info.param.frames);
                         });

TEST(AdpcmEncoder, SecondChunkHoldsBlock4096AndIsZeroPastIt) {
    // Silence everywhere but the left channel of block 4096, so the only
    // non-trivial block must land at chunk 1's first left slot.
    const std::size_t frames = 4097 * 28;
    std::vector<int16_t> pcm(frames * 2, 0);
    for (int j = 0; j < 28; ++j) pcm[2 * (4096 * 28 + j)] = toSample(sine(1000.0, 0.5, j));
    const std::vector<uint8_t> bytes = encodeClip(pcm.data(), frames);
    ASSERT_EQ(bytes.size(), 8068u + 2 * 135168u);

    const std::size_t chunk1 = 8068 + 135168;
    const std::size_t leftBlock0 = chunk1 + 4096;
    EXPECT_EQ(leftBlock0, 8068u + 135168u + 4096u);
    PredictorState fresh;
    int16_t out[28];
    decodeBlock(&bytes[leftBlock0], out, fresh);
    double signal = 0.0, noise = 0.0;
    for (int j = 0; j < 28; ++j) {
        double x = pcm[2 * (4096 * 28 + j)];
        signal += x * x;
        noise += (out[j] - x) * (out[j] - x);
    }
    EXPECT_GT(signal, 20.0 * noise);

    // The unused lead of the chunk, the rest of its left half and all of its
    // right half past block 0 stay zero.
    for (std::size_t i = chunk1; i < leftBlock0; ++i) ASSERT_EQ(bytes[i], 0);
    for (std::size_t i = leftBlock0 + 16; i < chunk1 + 69632; ++i) ASSERT_EQ(bytes[i], 0);
    for (std::size_t i = chunk1 + 69632 + 16; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0);
}

}  // namespace
}  // namespace vh
