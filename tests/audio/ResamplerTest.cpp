#include "audio/Resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vh {
namespace {

constexpr float kScale = 3.0517578125e-05f;  // 2^-15, the decoder's

struct PathCase { const char* name; ResamplerKernel kernel; int32_t threads, blockFrames; };

const PathCase kPaths[] = {{"Portable", ResamplerKernel::Portable, 1, 65536},
                           {"Avx2", ResamplerKernel::Avx2, 1, 65536},
                           {"Avx512", ResamplerKernel::Avx512, 1, 65536},
                           {"ThreadedSmallBlocks", ResamplerKernel::Auto, 2, 1000},
                           {"ThreadedOddBlocks", ResamplerKernel::Auto, 3, 4099},
                           {"Avx2ThreadedTinyBlocks", ResamplerKernel::Avx2, 2, 97},
                           {"PortableThreaded", ResamplerKernel::Portable, 2, 5000}};

ResamplerOptions reference() { return {ResamplerKernel::Reference, 1, 65536}; }

struct Wav {
    std::vector<uint8_t> bytes;
    bool finished = false;
    int64_t cdFrames = 0;  // the CD position once every input was pushed
    int64_t frames() const { return (int64_t(bytes.size()) - 44) / 4; }
    int16_t sample(int64_t frame, int channel) const {
        const std::size_t at = std::size_t(44 + 4 * frame + 2 * channel);
        return int16_t(bytes[at] | bytes[at + 1] << 8);
    }
};

// Pushes interleaved input the way callers do: mostly the decoder's 28-frame
// blocks, with single frames and large runs mixed in.
void pushAll(Resampler& r, const std::vector<float>& input) {
    static const int32_t kChunks[] = {28, 1, 28, 1000, 3, 28};
    std::size_t frames = input.size() / 2, at = 0;
    for (int n = 0; at < frames; ++n) {
        std::size_t chunk = std::min<std::size_t>(kChunks[n % 6], frames - at);
        if (chunk == 1) r.pushFrame(input[2 * at], input[2 * at + 1]);
        else r.pushFrames(&input[2 * at], int32_t(chunk));
        at += chunk;
    }
}

Wav exportWav(const ResamplerOptions& options, int32_t inRate, int32_t outRate, const std::vector<float>& input) {
    test::TempDir dir;
    const test::fs::path path = dir / "out.wav";
    Resampler r(options);
    EXPECT_TRUE(r.beginExport(std::fopen(path.c_str(), "wb"), inRate, outRate));
    EXPECT_EQ(r.cdFramePosition(), 0);
    pushAll(r, input);
    Wav w;
    w.cdFrames = r.cdFramePosition();
    w.finished = r.finishExport();
    w.bytes = test::readFile(path);
    return w;
}

std::vector<float> randomInput(int64_t frames, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pcm(-32768, 32767);
    std::uniform_real_distribution<float> wild(-1.6f, 1.6f);
    std::vector<float> v(std::size_t(2 * frames));
    for (auto& s : v) s = (rng() % 100 == 0) ? wild(rng) : float(pcm(rng)) * kScale;
    return v;
}

// emitFrame's conversion, written from its description.
int expectedPcm(long double f) { return int(std::clamp(std::trunc(f * 32768.0L + 0.5L), -32768.0L, 32767.0L)); }

// Every export's header describes its data, padded to whole CD frames.
TEST(ResamplerLengths, CdPositionsRoundUpAndTheOutputIsPaddedToWholeCdFrames) {
    struct Case { int32_t outRate; int64_t inputFrames, cdFrames, outputFrames; };
    for (const Case& c : {Case{44100, 0, 0, 0}, Case{44100, 1, 1, 588}, Case{44100, 129, 1, 588},
                          Case{44100, 320, 1, 588}, Case{44100, 321, 2, 1176}, Case{44100, 24001, 76, 44688},
                          Case{24000, 1, 1, 320}, Case{24000, 320, 1, 320}, Case{24000, 321, 2, 640}}) {
        SCOPED_TRACE(std::to_string(c.inputFrames) + " frames to " + std::to_string(c.outRate) + " Hz");
        const Wav w = exportWav(reference(), 24000, c.outRate, randomInput(c.inputFrames, 3));
        EXPECT_EQ(w.cdFrames, c.cdFrames);
        ASSERT_TRUE(w.finished);
        const std::vector<uint8_t>& b = w.bytes;
        ASSERT_EQ(int64_t(b.size()), 44 + 4 * c.outputFrames);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4) + std::string(b.begin() + 8, b.begin() + 16) +
                      std::string(b.begin() + 36, b.begin() + 40), "RIFFWAVEfmt data");
        const uint32_t rate = uint32_t(c.outRate), data = uint32_t(4 * c.outputFrames);
        for (auto [at, value] : {std::pair{4, 36 + data}, {16, 16u}, {20, 0x20001u}, {24, rate}, {28, rate * 4},
                                 {32, 0x100004u}, {40, data}})
            EXPECT_EQ(test::le32(b, std::size_t(at)), value) << "offset " << at;
    }
    // 79 minutes and a frame: frames × 75 and rate × CD frames pass 2^31.
    for (auto [frames, rate, cd, out] : {std::array<int64_t, 4>{113760000, 44100, 355500, 209034000},
                                         {113760001, 44100, 355501, 209034588}, {113760001, 24000, 355501, 113760320},
                                         {28633116, 44100, 89479, 52613652}}) {
        EXPECT_EQ(cdFramesFor(frames, 24000), cd);
        EXPECT_EQ(paddedOutputFrames(cd, int32_t(rate)), out);
    }
}

// Output m against the interpolator written out in long double: window start
// floor(80m / 147), phase 80m mod 147, unwindowed sinc of the single-precision
// constant 3.1415925f (not π: far from the centre the two give taps hundreds
// of units in the last place apart), one rounding.
TEST(ResamplerStream, OutputsMatchTheSincInterpolator) {
    const long double pi = 3.141592502593994140625L;
    std::vector<std::array<long double, 256>> sinc(147);
    float taps[256];
    for (int p = 1; p < 147; ++p) {
        buildPhaseTable(taps, p, 147);
        for (int k = 0; k < 256; ++k) {
            const long double x = ((127 - k) + (long double)p / 147) * pi;
            const float tap = float(sinc[std::size_t(p)][std::size_t(k)] = std::sin(x) / x);
            ASSERT_LE(std::abs(taps[k] - tap), std::abs(std::nextafter(tap, 2.0f) - tap)) << "phase " << p << " tap " << k;
        }
    }
    const int64_t frames = 3000;
    std::vector<float> in = randomInput(frames, 7);
    for (auto& s : in) s = std::clamp(s, -1.0f, 1.0f) * 0.5f;  // no clamping of the output
    Wav w = exportWav(reference(), 24000, 44100, in);
    ASSERT_TRUE(w.finished);
    auto stream = [&](int64_t i, int ch) -> long double {
        const int64_t n = i - 127;
        return n >= 0 && n < frames ? in[std::size_t(2 * n + ch)] : 0.0f;
    };
    int worst = 0;
    for (int64_t m = 0; m < w.frames(); ++m) {
        const int64_t j = m * 80 / 147, p = m * 80 % 147;
        for (int ch = 0; ch < 2; ++ch) {
            long double y = 0;
            if (p == 0) y = stream(j + 127, ch);
            else for (int k = 0; k < 256; ++k) y += stream(j + k, ch) * sinc[std::size_t(p)][std::size_t(k)];
            const int diff = std::abs(w.sample(m, ch) - expectedPcm(y));
            ASSERT_TRUE(p != 0 || diff == 0) << "output " << m;
            worst = std::max(worst, diff);
        }
    }
    EXPECT_LE(worst, 1);
}

TEST(ResamplerConversion, GameRatePassesEveryDecodedValueAndClampsBeyondFullScale) {
    // A decoded v ≥ 0 is written as v and a negative one as v + 1 (add 0.5,
    // truncate); left runs through every 16-bit value, right the other way.
    std::vector<float> in;
    for (int v = -32768; v <= 32767; ++v) in.insert(in.end(), {float(v) * kScale, float(-1 - v) * kScale});
    const std::pair<float, int> beyond[] = {
        {1.0f, 32767}, {-1.0f, -32767}, {2.0f, 32767}, {-2.0f, -32768}, {-0.99999f, -32767}};
    for (auto [f, _] : beyond) in.insert(in.end(), {f, f});
    Wav w = exportWav(reference(), 24000, 24000, in);
    ASSERT_TRUE(w.finished);
    ASSERT_EQ(w.frames(), 65600);  // 205 CD frames
    auto expected = [](int v) { return v >= 0 ? v : v + 1; };
    for (int i = 0; i < 65536; ++i) {
        ASSERT_EQ(w.sample(i, 0), expected(i - 32768)) << "value " << i - 32768;
        ASSERT_EQ(w.sample(i, 1), expected(32767 - i)) << "value " << 32767 - i;
    }
    for (std::size_t i = 0; i < std::size(beyond); ++i) EXPECT_EQ(w.sample(65536 + int64_t(i), 1), beyond[i].second);
    for (int64_t i = 65536 + int64_t(std::size(beyond)); i < w.frames(); ++i)
        ASSERT_EQ(w.sample(i, 0) | w.sample(i, 1), 0);
}

// With ordinary audio a different order of additions almost never changes a
// 16-bit sample, so this input makes the order visible. At 24000 → 48000 the
// phase-1 taps are symmetric (T[k] = T[255 − k]), so +H and −H placed
// symmetrically in one phase-1 window cancel in exact arithmetic, but the
// partial sums carry H × T ≈ 2^40 and their rounding leaves a residue of many
// LSB that depends on where and when the two meet. Pairs lie far enough apart
// that every other window holding one of them simply clamps.
std::vector<float> cancellingPairs(int64_t frames) {
    std::vector<float> in = randomInput(frames, 5);
    for (auto& s : in) s *= 0.25f;
    const float h = 17592186044416.0f;  // 2^44
    for (int64_t j = 300, n = 0; j + 600 < frames; j += 613, ++n) {
        // Window start j (stream index) is output 2j + 1; stream index i is input i − 127.
        const int64_t k = 20 + n % 100, a = j + k - 127, b = j + 255 - k - 127;
        const int ch = int(n % 2);
        in[std::size_t(2 * a + ch)] = (n % 3 == 0) ? -h : h;
        in[std::size_t(2 * b + ch)] = (n % 3 == 0) ? h : -h;
    }
    return in;
}

class ResamplerPaths : public testing::TestWithParam<PathCase> {
protected:
    void SetUp() override {
        if (!Resampler::kernelSupported(GetParam().kernel)) GTEST_SKIP() << "processor lacks " << GetParam().name;
    }
};

// Every block path, fed in mixed chunks, writes the reference's bytes.
TEST_P(ResamplerPaths, SameBytesAsTheReference) {
    static const std::vector<float> in = cancellingPairs(150000);
    static std::map<std::pair<int32_t, int32_t>, Wav> expected;
    for (auto rates : {std::pair{24000, 48000}, {24000, 44100}, {24000, 24000}, {44100, 24000}}) {
        SCOPED_TRACE(std::to_string(rates.first) + " to " + std::to_string(rates.second));
        if (!expected.count(rates)) expected[rates] = exportWav(reference(), rates.first, rates.second, in);
        const Wav& ref = expected[rates];
        Wav w = exportWav({GetParam().kernel, GetParam().threads, GetParam().blockFrames}, rates.first, rates.second, in);
        ASSERT_TRUE(w.finished);
        ASSERT_EQ(w.bytes.size(), ref.bytes.size());
        auto [a, b] = std::mismatch(w.bytes.begin(), w.bytes.end(), ref.bytes.begin());
        EXPECT_TRUE(a == w.bytes.end()) << "first difference at byte " << (a - w.bytes.begin());
    }
}

INSTANTIATE_TEST_SUITE_P(All, ResamplerPaths, testing::ValuesIn(kPaths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResamplerFailure, AFullDiskIsReportedEarlyOrAtTheEnd) {
    const std::vector<float> input = randomInput(200000, 9);
    std::vector<ResamplerOptions> all = {reference()};
    for (const PathCase& path : kPaths) all.push_back({path.kernel, path.threads, 4096});
    for (const ResamplerOptions& o : all) {
        Resampler r(o);
        r.beginExport(std::fopen("/dev/full", "wb"), 24000, 44100);
        r.pushFrames(input.data(), 200000);
        EXPECT_TRUE(r.failed());  // far more than a stdio buffer has been written: the failure shows early
        EXPECT_FALSE(r.finishExport());
    }
    Resampler end;  // too little for the stdio buffer to spill: only the final flush fails
    ASSERT_TRUE(end.beginExport(std::fopen("/dev/full", "wb"), 24000, 44100));
    end.pushFrame(0.1f, 0.1f);
    EXPECT_FALSE(end.finishExport());
}

}  // namespace
}  // namespace vh
