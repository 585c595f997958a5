#include "audio/Resampler.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace vh {
namespace {

constexpr float kScale = 3.0517578125e-05f;  // 2^-15, the decoder's

struct PathCase {
    const char* name;
    ResamplerKernel kernel;
    int32_t threads;
    int32_t blockFrames;
};

const PathCase kPaths[] = {
    {"Reference", ResamplerKernel::Reference, 1, 0},
    {"Portable", ResamplerKernel::Portable, 1, 65536},
    {"Avx2", ResamplerKernel::Avx2, 1, 65536},
    {"Avx512", ResamplerKernel::Avx512, 1, 65536},
    {"ThreadedSmallBlocks", ResamplerKernel::Auto, 2, 1000},
    {"ThreadedOddBlocks", ResamplerKernel::Auto, 3, 4099},
    {"Avx2ThreadedTinyBlocks", ResamplerKernel::Avx2, 2, 97},
    {"PortableThreaded", ResamplerKernel::Portable, 2, 5000},
};

ResamplerOptions optionsFor(const PathCase& path) {
    ResamplerOptions o;
    o.kernel = path.kernel;
    o.threads = path.threads;
    if (path.blockFrames > 0) o.blockFrames = path.blockFrames;
    return o;
}

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "vh_resampler_" + std::to_string(::getpid()) + "_" + name + ".wav";
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

struct Wav {
    std::vector<uint8_t> bytes;
    bool finished = false;
    int64_t frames() const { return (int64_t(bytes.size()) - 44) / 4; }
    int16_t sample(int64_t frame, int channel) const { return int16_t(u16(bytes, size_t(44 + 4 * frame + 2 * channel))); }
};

// Pushes interleaved input the way callers do: mostly the decoder's 28-frame
// blocks, with single frames and large runs mixed in.
void pushAll(Resampler& r, const std::vector<float>& input) {
    static const int32_t kChunks[] = {28, 1, 28, 1000, 3, 28};
    size_t frames = input.size() / 2, at = 0;
    for (int n = 0; at < frames; ++n) {
        size_t chunk = std::min<size_t>(kChunks[n % 6], frames - at);
        if (chunk == 1)
            r.pushFrame(input[2 * at], input[2 * at + 1]);
        else
            r.pushFrames(&input[2 * at], int32_t(chunk));
        at += chunk;
    }
}

Wav exportWav(const ResamplerOptions& options, int32_t inRate, int32_t outRate, const std::vector<float>& input,
              const std::string& name = "export") {
    std::string path = tempPath(name);
    Resampler r(options);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    EXPECT_TRUE(r.beginExport(f, inRate, outRate));
    pushAll(r, input);
    Wav w;
    w.finished = r.finishExport();
    w.bytes = readFile(path);
    std::remove(path.c_str());
    return w;
}

std::vector<float> randomInput(int64_t frames, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pcm(-32768, 32767);
    std::uniform_real_distribution<float> wild(-1.6f, 1.6f);
    std::vector<float> v(size_t(2 * frames));
    for (auto& s : v) s = (rng() % 100 == 0) ? wild(rng) : float(pcm(rng)) * kScale;
    return v;
}

// Notes with attack and decay, a bass line and a clipped square lead whose
// interpolation overshoots full scale; quantised like decoded audio.
std::vector<float> musicInput(int64_t frames, double rate = 24000.0) {
    std::vector<float> v(size_t(2 * frames));
    const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37, 659.26, 880.0, 1318.5};
    for (int64_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        int64_t beat = int64_t(t * 4.0);
        double inBeat = t * 4.0 - double(beat);
        double env = std::exp(-6.0 * inBeat) * std::min(1.0, inBeat * 200.0);
        double f = notes[beat * 5 % 8];
        double melody = 0.45 * env * std::sin(2 * M_PI * f * t);
        double bass = 0.25 * std::sin(2 * M_PI * 55.0 * t);
        double square = (beat % 4 == 3) ? (std::sin(2 * M_PI * 3000.0 * t) >= 0 ? 0.99 : -0.99) : 0.0;
        double l = std::clamp(melody + bass + 0.3 * square, -1.0, 0.99997);
        double r = std::clamp(0.8 * melody - bass + square, -1.0, 0.99997);
        v[size_t(2 * i)] = float(std::lround(l * 32768.0)) * kScale;
        v[size_t(2 * i + 1)] = float(std::lround(r * 32768.0)) * kScale;
    }
    return v;
}

// emitFrame's conversion, written from its description.
int expectedPcm(long double f) {
    long double v = std::trunc(f * 32768.0L + 0.5L);
    return int(std::clamp(v, -32768.0L, 32767.0L));
}

// ---- WAV header and layout ----

TEST(ResamplerHeader, FinalHeaderDescribesTheData) {
    for (int32_t rate : {24000, 44100}) {
        Wav w = exportWav({}, 24000, rate, musicInput(5000));
        ASSERT_TRUE(w.finished);
        ASSERT_GE(w.bytes.size(), 44u);
        const auto& b = w.bytes;
        EXPECT_EQ(std::memcmp(&b[0], "RIFF", 4), 0);
        EXPECT_EQ(u32(b, 4), b.size() - 8);
        EXPECT_EQ(std::memcmp(&b[8], "WAVEfmt ", 8), 0);
        EXPECT_EQ(u32(b, 16), 16u);
        EXPECT_EQ(u16(b, 20), 1);
        EXPECT_EQ(u16(b, 22), 2);
        EXPECT_EQ(u32(b, 24), uint32_t(rate));
        EXPECT_EQ(u32(b, 28), uint32_t(rate) * 4);
        EXPECT_EQ(u16(b, 32), 4);
        EXPECT_EQ(u16(b, 34), 16);
        EXPECT_EQ(std::memcmp(&b[36], "data", 4), 0);
        EXPECT_EQ(u32(b, 40), b.size() - 44);
        // 5000 frames are 16 CD frames.
        EXPECT_EQ(w.frames(), rate == 44100 ? 16 * 588 : 16 * 320);
    }
}

TEST(ResamplerHeader, EmptyExportIsABareHeader) {
    for (const PathCase& path : kPaths) {
        Wav w = exportWav(optionsFor(path), 24000, 44100, {});
        ASSERT_TRUE(w.finished) << path.name;
        ASSERT_EQ(w.bytes.size(), 44u) << path.name;
        EXPECT_EQ(u32(w.bytes, 4), 36u);
        EXPECT_EQ(u32(w.bytes, 24), 44100u);
        EXPECT_EQ(u32(w.bytes, 40), 0u);
    }
}

TEST(ResamplerHeader, UnfinishedExportKeepsThePlaceholder) {
    std::string path = tempPath("placeholder");
    {
        Resampler r;
        ASSERT_TRUE(r.beginExport(std::fopen(path.c_str(), "wb"), 24000, 44100));
        pushAll(r, musicInput(1000));
    }  // abandoned: closed without the final header
    auto b = readFile(path);
    std::remove(path.c_str());
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(std::memcmp(&b[0], "RIFF", 4), 0);
    for (size_t at : {4, 24, 28, 40}) EXPECT_EQ(u32(b, at), 0u) << "offset " << at;
    EXPECT_EQ(u16(b, 20), 1);
    EXPECT_EQ(u16(b, 22), 2);
    EXPECT_EQ(u16(b, 34), 16);
}

// ---- Lengths and CD positions ----

struct LengthCase {
    int32_t outRate;
    int64_t inputFrames;
    int64_t cdFrames;
    int64_t outputFrames;
};

const LengthCase kLengths[] = {
    {44100, 0, 0, 0},          {44100, 1, 1, 588},    {44100, 128, 1, 588},   {44100, 129, 1, 588},
    {44100, 320, 1, 588},      {44100, 321, 2, 1176}, {44100, 640, 2, 1176},  {44100, 24000, 75, 44100},
    {44100, 24001, 76, 44688}, {24000, 1, 1, 320},    {24000, 320, 1, 320},   {24000, 321, 2, 640},
    {24000, 47999, 150, 48000},
};

class ResamplerPaths : public testing::TestWithParam<PathCase> {
protected:
    void SetUp() override {
        if (!Resampler::kernelSupported(GetParam().kernel)) GTEST_SKIP() << "processor lacks " << GetParam().name;
    }
};

TEST_P(ResamplerPaths, PadsToWholeCdFrames) {
    for (const LengthCase& c : kLengths) {
        SCOPED_TRACE(std::to_string(c.inputFrames) + " frames to " + std::to_string(c.outRate) + " Hz");
        std::string file = tempPath("length");
        Resampler r(optionsFor(GetParam()));
        ASSERT_TRUE(r.beginExport(std::fopen(file.c_str(), "wb"), 24000, c.outRate));
        EXPECT_EQ(r.cdFramePosition(), 0);
        pushAll(r, musicInput(c.inputFrames));
        EXPECT_EQ(r.cdFramePosition(), c.cdFrames);
        EXPECT_EQ(r.framesPushed(), c.inputFrames);
        ASSERT_TRUE(r.finishExport());
        auto b = readFile(file);
        std::remove(file.c_str());
        EXPECT_EQ(int64_t(b.size()), 44 + 4 * c.outputFrames);
        EXPECT_EQ(u32(b, 40), uint32_t(4 * c.outputFrames));
    }
}

struct LongCase {
    int64_t inputFrames;
    int32_t outRate;
    int64_t cdFrames;
    int64_t outputFrames;
};

// 79 minutes and a frame: frames × 75 and rate × CD frames pass 2^31.
TEST(ResamplerLongExport, PositionsAndPaddingIn64Bits) {
    const LongCase cases[] = {
        {113760000, 44100, 355500, 209034000},
        {113760001, 44100, 355501, 209034588},
        {113760001, 24000, 355501, 113760320},
        {28633116, 44100, 89479, 52613652},  // just past 2^31 / 75 frames
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cdFramesFor(c.inputFrames, 24000), c.cdFrames);
        EXPECT_EQ(paddedOutputFrames(c.cdFrames, c.outRate), c.outputFrames);
    }
}

TEST(ResamplerLongExport, SeventyNineMinutesAtTheGameRate) {
    // Silence through the block path straight to /dev/null: only the counts matter.
    Resampler r;
    ASSERT_TRUE(r.beginExport(std::fopen("/dev/null", "wb"), 24000, 24000));
    std::vector<float> silence(2 * 24000, 0.0f);
    for (int s = 0; s < 79 * 60; ++s) r.pushFrames(silence.data(), 24000);
    r.pushFrame(0.0f, 0.0f);
    EXPECT_EQ(r.framesPushed(), 113760001);
    EXPECT_EQ(r.cdFramePosition(), 355501);
    ASSERT_TRUE(r.finishExport());
    EXPECT_EQ(r.framesWritten(), 113760320);
}

// ---- The frame-by-frame algorithm ----

TEST(ResamplerStream, FirstOutputComesAtThe129thPush) {
    for (int32_t rate : {24000, 44100}) {
        ResamplerOptions o;
        o.kernel = ResamplerKernel::Reference;
        std::string file = tempPath("first");
        Resampler r(o);
        ASSERT_TRUE(r.beginExport(std::fopen(file.c_str(), "wb"), 24000, rate));
        for (int i = 0; i < 128; ++i) r.pushFrame(0.5f, -0.25f);
        EXPECT_EQ(r.framesWritten(), 0) << rate;
        r.pushFrame(0.5f, -0.25f);
        EXPECT_EQ(r.framesWritten(), rate == 24000 ? 1 : 2) << rate;
        ASSERT_TRUE(r.finishExport());
        std::remove(file.c_str());
    }
}

TEST(ResamplerStream, OutputsPerInputFollowThePhaseAccumulator) {
    // 0, 80 | 13, 93 | 26, 106 | 39, 119 | 52, 132 | 65, 145 | 78 | 11, 91 | ...
    ResamplerOptions o;
    o.kernel = ResamplerKernel::Reference;
    Resampler r(o);
    ASSERT_TRUE(r.beginExport(std::fopen("/dev/null", "wb"), 24000, 44100));
    EXPECT_EQ(r.phaseCount(), 147);
    EXPECT_EQ(r.phaseStep(), 80);
    for (int i = 0; i < 128; ++i) r.pushFrame(0, 0);
    std::vector<int64_t> perInput;
    for (int i = 0; i < 160; ++i) {
        int64_t before = r.framesWritten();
        r.pushFrame(0, 0);
        perInput.push_back(r.framesWritten() - before);
    }
    EXPECT_EQ(std::vector<int64_t>(perInput.begin(), perInput.begin() + 8), (std::vector<int64_t>{2, 2, 2, 2, 2, 2, 1, 2}));
    EXPECT_EQ(std::accumulate(perInput.begin(), perInput.begin() + 80, int64_t(0)), 147);
    EXPECT_EQ(r.framesWritten(), 294);
    EXPECT_TRUE(r.finishExport());
}

// Output m against the interpolator written out in long double: window start
// floor(80m / 147), phase 80m mod 147, unwindowed sinc, one rounding.
TEST(ResamplerStream, OutputsMatchTheSincInterpolator) {
    const int64_t frames = 3000;
    std::vector<float> in = randomInput(frames, 7);
    for (auto& s : in) s = std::clamp(s, -1.0f, 1.0f) * 0.5f;  // no clamping, so ±1 holds everywhere
    for (const PathCase& path : {kPaths[0], kPaths[4]}) {
        Wav w = exportWav(optionsFor(path), 24000, 44100, in);
        ASSERT_TRUE(w.finished);
        auto stream = [&](int64_t i, int ch) -> long double {
            int64_t n = i - 127;
            return n >= 0 && n < frames ? in[size_t(2 * n + ch)] : 0.0f;
        };
        const long double pi = 3.141592502593994140625L;
        std::vector<std::array<long double, 256>> sinc(147);
        for (int p = 1; p < 147; ++p) {
            for (int k = 0; k < 256; ++k) {
                long double x = ((127 - k) + (long double)p / 147) * pi;
                sinc[size_t(p)][size_t(k)] = std::sin(x) / x;
            }
        }
        int worst = 0;
        for (int64_t m = 0; m < w.frames(); ++m) {
            int64_t j = m * 80 / 147, p = m * 80 % 147;
            for (int ch = 0; ch < 2; ++ch) {
                long double y = 0;
                if (p == 0) {
                    y = stream(j + 127, ch);
                } else {
                    for (int k = 0; k < 256; ++k) y += stream(j + k, ch) * sinc[size_t(p)][size_t(k)];
                }
                int diff = std::abs(w.sample(m, ch) - expectedPcm(y));
                worst = std::max(worst, diff);
                if (p == 0) {
                    ASSERT_EQ(diff, 0) << path.name << " output " << m;
                }
            }
        }
        EXPECT_LE(worst, 1) << path.name;
    }
}

// ---- Conversion of samples ----

TEST_P(ResamplerPaths, GameRatePassesEveryDecodedValue) {
    // Left runs through every 16-bit value, right runs the other way.
    std::vector<float> in;
    for (int v = -32768; v <= 32767; ++v) {
        in.push_back(float(v) * kScale);
        in.push_back(float(-1 - v) * kScale);
    }
    Wav w = exportWav(optionsFor(GetParam()), 24000, 24000, in);
    ASSERT_TRUE(w.finished);
    ASSERT_EQ(w.frames(), 65600);  // 205 CD frames
    auto expected = [](int v) { return v >= 0 ? v : v + 1; };
    for (int i = 0; i < 65536; ++i) {
        int v = i - 32768;
        ASSERT_EQ(w.sample(i, 0), expected(v)) << "value " << v;
        ASSERT_EQ(w.sample(i, 1), expected(-1 - v)) << "value " << -1 - v;
    }
    for (int64_t i = 65536; i < w.frames(); ++i) ASSERT_EQ(w.sample(i, 0) | w.sample(i, 1), 0);
}

TEST_P(ResamplerPaths, FullScaleAndBeyondClamp) {
    const std::pair<float, int> cases[] = {{1.0f, 32767}, {-1.0f, -32767}, {2.0f, 32767}, {-2.0f, -32768},
                                           {-0.99999f, -32767}, {0.25f, 8192}, {-0.25f, -8191}, {0.0f, 0}};
    std::vector<float> in;
    for (auto [f, _] : cases) {
        in.push_back(f);
        in.push_back(-f);
    }
    Wav w = exportWav(optionsFor(GetParam()), 24000, 24000, in);
    ASSERT_TRUE(w.finished);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(w.sample(int64_t(i), 0), cases[i].second) << cases[i].first;
        EXPECT_EQ(w.sample(int64_t(i), 1), expectedPcm(-cases[i].first)) << -cases[i].first;
    }
}

TEST_P(ResamplerPaths, SilenceGivesSilence) {
    Wav w = exportWav(optionsFor(GetParam()), 24000, 44100, std::vector<float>(2 * 10000, 0.0f));
    ASSERT_TRUE(w.finished);
    for (size_t i = 44; i < w.bytes.size(); ++i) ASSERT_EQ(w.bytes[i], 0) << i;
}

std::vector<double> phaseGains() {
    std::vector<double> gain(147, 1.0);  // phase 0 passes the centre frame
    float taps[256];
    for (int p = 1; p < 147; ++p) {
        buildPhaseTable(taps, p, 147);
        gain[size_t(p)] = 0;
        for (int k = 0; k < 256; ++k) gain[size_t(p)] += taps[k];
    }
    return gain;
}

// A 5 Hz sine, nearly constant across the 256 taps, comes out scaled by the
// sum of each output's phase taps (0.9975 to 0.99995 at 44.1 kHz: the taps
// are not normalised) and on time: output m stands for input time 80m / 147.
TEST_P(ResamplerPaths, SlowSineFollowsThePhaseGain) {
    const int64_t frames = 12000;
    std::vector<float> in(size_t(2 * frames));
    auto wave = [](double t) { return 0.6 * std::sin(2 * M_PI * 5.0 * t / 24000.0); };
    for (int64_t i = 0; i < frames; ++i) {
        in[size_t(2 * i)] = float(wave(double(i)));
        in[size_t(2 * i + 1)] = -in[size_t(2 * i)];
    }
    Wav w = exportWav(optionsFor(GetParam()), 24000, 44100, in);
    ASSERT_TRUE(w.finished);
    std::vector<double> gain = phaseGains();
    EXPECT_NEAR(*std::min_element(gain.begin() + 1, gain.end()), 0.9975, 0.0002);
    EXPECT_NEAR(*std::max_element(gain.begin() + 1, gain.end()), 0.99995, 0.00002);
    for (int64_t m = 300; m < 21500; ++m) {
        double y = wave(double(m) * 80.0 / 147.0) * gain[size_t(m * 80 % 147)];
        ASSERT_NEAR(w.sample(m, 0), expectedPcm(y), 2) << m;
        ASSERT_NEAR(w.sample(m, 1), expectedPcm(-y), 2) << m;
    }
}

// ---- Every path writes the reference's bytes ----

struct RateCase {
    int32_t inRate;
    int32_t outRate;
};

const std::vector<uint8_t>& referenceBytes(int32_t inRate, int32_t outRate, const std::string& signal) {
    static std::map<std::string, std::vector<uint8_t>> cache;
    std::string key = std::to_string(inRate) + ">" + std::to_string(outRate) + signal;
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    // The reference path fed one frame at a time, as the algorithm is described.
    std::vector<float> in = signal == "random" ? randomInput(60001, 11) : musicInput(90017, inRate);
    std::string path = tempPath("ref");
    ResamplerOptions o;
    o.kernel = ResamplerKernel::Reference;
    Resampler r(o);
    EXPECT_TRUE(r.beginExport(std::fopen(path.c_str(), "wb"), inRate, outRate));
    for (size_t i = 0; i + 1 < in.size(); i += 2) r.pushFrame(in[i], in[i + 1]);
    EXPECT_TRUE(r.finishExport());
    cache[key] = readFile(path);
    std::remove(path.c_str());
    return cache[key];
}

const RateCase kRates[] = {{24000, 44100}, {24000, 24000}, {44100, 24000}, {22050, 48000}};

// Every path, fed in mixed chunks, against the reference fed frame by frame.
TEST_P(ResamplerPaths, SameBytesAsTheReference) {
    for (const RateCase& rates : kRates) {
        for (std::string signal : {"random", "music"}) {
            SCOPED_TRACE(std::to_string(rates.inRate) + " to " + std::to_string(rates.outRate) + ", " + signal);
            const auto& expected = referenceBytes(rates.inRate, rates.outRate, signal);
            std::vector<float> in = signal == "random" ? randomInput(60001, 11) : musicInput(90017, rates.inRate);
            Wav w = exportWav(optionsFor(GetParam()), rates.inRate, rates.outRate, in, GetParam().name);
            ASSERT_TRUE(w.finished);
            ASSERT_EQ(w.bytes.size(), expected.size());
            auto [a, b] = std::mismatch(w.bytes.begin(), w.bytes.end(), expected.begin());
            EXPECT_TRUE(a == w.bytes.end()) << "first difference at byte " << (a - w.bytes.begin());
        }
    }
}

// With ordinary audio a different order of additions almost never changes a
// 16-bit sample, so this input makes the order visible. At 24000 → 48000 the
// phase-1 taps are symmetric (T[k] = T[255 − k]), so +H and −H placed
// symmetrically in one phase-1 window cancel exactly in exact arithmetic, but
// the partial sums carry H × T ≈ 2^40 and their rounding leaves a residue of
// many LSB that depends on where and when the two meet. Pairs lie far enough
// apart that every other window holding one of them simply clamps.
std::vector<float> cancellingPairs(int64_t frames, std::vector<int64_t>& probes) {
    std::vector<float> in = randomInput(frames, 5);
    for (auto& s : in) s *= 0.25f;
    const float h = 17592186044416.0f;  // 2^44
    for (int64_t j = 300, n = 0; j + 600 < frames; j += 613, ++n) {
        // Window start j (stream index) is output 2j + 1; stream index i is input i − 127.
        int64_t k = 20 + n % 100;
        int64_t a = j + k - 127, b = j + 255 - k - 127;
        int ch = int(n % 2);
        in[size_t(2 * a + ch)] = (n % 3 == 0) ? -h : h;
        in[size_t(2 * b + ch)] = (n % 3 == 0) ? h : -h;
        probes.push_back(2 * j + 1);
    }
    return in;
}

TEST_P(ResamplerPaths, CancellingPairsExposeTheSummationOrder) {
    static std::vector<int64_t> probes;
    static const std::vector<float> in = cancellingPairs(150000, probes);
    static const Wav expected = [] {
        ResamplerOptions reference;
        reference.kernel = ResamplerKernel::Reference;
        return exportWav(reference, 24000, 48000, in, "cancel_ref");
    }();
    Wav w = exportWav(optionsFor(GetParam()), 24000, 48000, in, "cancel");
    ASSERT_EQ(w.bytes.size(), expected.bytes.size());
    // The probes are informative: far from the clamps, and not the plain sum
    // of the small input (which they would be if the pairs had cancelled).
    int informative = 0;
    for (int64_t m : probes) {
        for (int ch = 0; ch < 2; ++ch) {
            ASSERT_EQ(w.sample(m, ch), expected.sample(m, ch)) << "output " << m;
            informative += std::abs(expected.sample(m, ch)) < 30000;
        }
    }
    EXPECT_GT(informative, int(probes.size()));
    EXPECT_TRUE(w.bytes == expected.bytes);
}

INSTANTIATE_TEST_SUITE_P(All, ResamplerPaths, testing::ValuesIn(kPaths),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Failures ----

TEST(ResamplerFailure, FullDiskIsReported) {
    const std::vector<float> in = musicInput(200000);
    for (const PathCase& path : kPaths) {
        if (!Resampler::kernelSupported(path.kernel)) continue;
        ResamplerOptions o = optionsFor(path);
        o.blockFrames = 4096;
        Resampler r(o);
        std::FILE* f = std::fopen("/dev/full", "wb");
        ASSERT_NE(f, nullptr);
        r.beginExport(f, 24000, 44100);
        r.pushFrames(in.data(), 200000);
        // Far more than a stdio buffer has been written: the failure shows early.
        EXPECT_TRUE(r.failed()) << path.name;
        EXPECT_FALSE(r.finishExport()) << path.name;
    }
}

TEST(ResamplerFailure, FailureAtTheEndIsReported) {
    // Too little for the stdio buffer to spill: only the final flush fails.
    Resampler r;
    ASSERT_TRUE(r.beginExport(std::fopen("/dev/full", "wb"), 24000, 44100));
    r.pushFrame(0.1f, 0.1f);
    EXPECT_FALSE(r.finishExport());
    EXPECT_TRUE(r.failed());
}

TEST(ResamplerFailure, UnusableRatesAreRefused) {
    const RateCase cases[] = {{0, 44100}, {24000, 0}, {-24000, 44100}, {24000, 44101}, {100, 48000}, {2000000, 44100}};
    for (auto c : cases) {
        std::string file = tempPath("rates");
        Resampler r;
        EXPECT_FALSE(r.beginExport(std::fopen(file.c_str(), "wb"), c.inRate, c.outRate)) << c.inRate << ">" << c.outRate;
        r.pushFrame(0.5f, 0.5f);
        EXPECT_TRUE(r.failed());
        EXPECT_FALSE(r.finishExport());
        std::remove(file.c_str());
    }
    Resampler r;
    EXPECT_FALSE(r.beginExport(nullptr, 24000, 44100));
    EXPECT_FALSE(r.finishExport());
}

}  // namespace
}  // namespace vh
