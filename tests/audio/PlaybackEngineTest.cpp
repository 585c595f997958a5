#include "audio/PlaybackEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/HandClips.h"
#include "audio/ClipPlayer.h"
#include "audio/RandomGenerator.h"
#include "support/TestSoundOutput.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

using namespace handclips;

constexpr int16_t kUntouched = 0x5A5A;

// One source at the player's gain 0.3: decoded × 2^-15 × 0.3, then × 32767 truncated.
int16_t heardAs(int16_t decoded) { return int16_t(double(float(decoded) * 3.0517578125e-05f * 0.3f) * 32767.0); }

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto out = std::make_unique<TestSoundOutput>();
        output = out.get();
        output->fillRing(kUntouched);
        engine = PlaybackEngine::create(std::move(out), prompts, [this] { ++closes; });
        ASSERT_NE(engine, nullptr);
    }
    void TearDown() override { PlaybackEngine::shutdownEngine(); }
    void playAndTick(uint32_t bytes) {
        output->advance(bytes);
        PlaybackEngine::onTimer();
    }
    // Whether every sample from byte `from` to `to` holds `value`.
    bool untouched(uint32_t from, uint32_t to, int16_t value = kUntouched) const {
        for (uint32_t b = from; b < to; b += 2)
            if (output->sample(b) != value) return false;
        return true;
    }
    test::RecordingPrompts prompts;
    int closes = 0;
    Clip clip{};
    TestSoundOutput* output = nullptr;
    PlaybackEngine* engine = nullptr;
};

TEST_F(EngineTest, ConvertsThePlayersSamplesAtItsGain) {
    // Left: 28672 then 27 × 32767 (filter 1 runs into the clamp), then 28 × 1.
    // Right: -32767 then 27 × -32768, then 28 × -1.
    const std::vector<StereoBlock> blocks = {{constantBlock(7, 0, 1), constantBlock(8, 0, 1)},
                                             {constantBlock(1), constantBlock(14)}};
    const std::vector<int16_t> samples = decoded(blocks);
    ClipPlayer player;
    engine->attachSource(player);
    player.startTrack(makeTrack(&clip, nullptr, makeClip(blocks), nullptr), 0);
    playAndTick(4 * 70);
    for (auto [in, out] : {std::pair<int16_t, int16_t>{32767, 9829}, {-32768, -9830}, {1, 0}, {-1, 0}, {28672, 8601},
                           {-32767, -9829}}) {
        const auto at = std::find(samples.begin(), samples.end(), in);
        ASSERT_NE(at, samples.end()) << in;
        EXPECT_EQ(output->sample(uint32_t(2 * (at - samples.begin()))), out) << in;
    }
    for (uint32_t i = 2 * 56; i < 2 * 70; ++i) EXPECT_EQ(output->sample(2 * i), 0);
}

// A source that records how it was asked to render and writes a constant.
struct ProbeSource : SoundSource {
    ProbeSource(std::vector<std::string>& log, std::string name, float value) : log(log), name(name), value(value) {}
    void render(float* out, int32_t frames) override {
        log.push_back(name + ".render");
        std::fill(out, out + 2 * frames, value);
    }
    void renderAdd(float* out, int32_t frames) override {
        log.push_back(name + ".add");
        for (int32_t i = 0; i < 2 * frames; ++i) out[i] += value;
    }
    std::vector<std::string>& log;
    std::string name;
    float value;
};

TEST_F(EngineTest, MixesSourcesMostRecentFirstEachOnceAndClampsTheSum) {
    std::vector<std::string> log;
    ProbeSource a(log, "a", 0.25f), b(log, "b", 0.5f), c(log, "c", 0.5f);
    engine->attachSource(a);
    engine->attachSource(b);
    engine->attachSource(a);  // moves a to the front, never twice in the list
    playAndTick(400);
    EXPECT_EQ(log, (std::vector<std::string>{"a.render", "b.add"}));
    EXPECT_EQ(output->sample(0), 24575);  // 0.75 × 32767, truncated
    engine->attachSource(c);
    {
        ProbeSource gone(log, "gone", -1.0f);  // a source that goes away leaves the mix
        engine->attachSource(gone);
    }
    log.clear();
    playAndTick(400);
    EXPECT_EQ(log, (std::vector<std::string>{"c.render", "a.add", "b.add"}));
    EXPECT_EQ(output->sample(400), 32767);  // 1.25: clamped, not wrapped
}

TEST_F(EngineTest, WritesJustTheSpanThePlayCursorPassedAsOneStreamAcrossTheWrapAndAfterAStop) {
    EXPECT_TRUE(output->playing());
    EXPECT_TRUE(untouched(0, PlaybackEngine::kBufferBytes, 0));
    const int32_t locks = output->lockCalls();
    PlaybackEngine::onTimer();  // the cursor still at the write position: nothing to do
    EXPECT_EQ(output->lockCalls(), locks);
    output->fillRing(kUntouched);
    playAndTick(4000);  // nothing attached: silence
    ClipPlayer player;  // attached and idle: silence
    engine->attachSource(player);
    playAndTick(91000);
    EXPECT_TRUE(untouched(0, 95000, 0));
    player.startTrack(makeTrack(&clip, nullptr, makeClip(busyBlocks(40, 9)), nullptr), 0);
    output->fillRing(kUntouched);
    playAndTick(2000);
    EXPECT_EQ(engine->writePosition(), 1000u);
    const std::vector<int16_t> samples = decoded(busyBlocks(40, 9));
    for (std::size_t i = 0; i < 1000; ++i)
        ASSERT_EQ(output->sample(uint32_t(95000 + 2 * i) % 96000), heardAs(samples[i])) << "sample " << i;
    EXPECT_TRUE(untouched(1000, 95000));
    engine->stopOutput();  // the cursor stands until resumed; writing starts again at the ring's start
    EXPECT_FALSE(output->playing());
    engine->resumeOutput();
    EXPECT_TRUE(output->playing());
    output->fillRing(kUntouched);
    PlaybackEngine::onTimer();  // the cursor stood at 1000
    EXPECT_EQ(engine->writePosition(), 1000u);
    EXPECT_TRUE(!untouched(0, 1000) && untouched(1000, PlaybackEngine::kBufferBytes));
}

TEST_F(EngineTest, RestoresALostBufferOnceAndKeepsTheSpanWhenLockingStillFails) {
    output->loseBuffer();  // restore brings it back: written at once
    playAndTick(800);
    EXPECT_EQ(output->restoreCalls(), 1);
    EXPECT_FALSE(untouched(0, 800));
    // Still lost after the one restore, or a plain failure (not retried):
    // nothing written, the write position stays, the next tick covers all.
    for (bool lost : {true, false}) {
        output->fillRing(kUntouched);
        lost ? output->loseBuffer(1) : output->failLocks(1);
        const int32_t locks = output->lockCalls(), restores = output->restoreCalls();
        const uint32_t at = engine->writePosition();
        playAndTick(800);
        EXPECT_EQ(std::pair(output->lockCalls(), output->restoreCalls()), std::pair(locks + (lost ? 2 : 1), restores + (lost ? 1 : 0)));
        EXPECT_EQ(engine->writePosition(), at);
        EXPECT_TRUE(untouched(0, PlaybackEngine::kBufferBytes));
        playAndTick(400);
        EXPECT_EQ(engine->writePosition(), at + 1200);
        EXPECT_TRUE(!untouched(at, at + 1200) && untouched(at + 1200, PlaybackEngine::kBufferBytes));
    }
}

// The device copies a pull from its cursor forward and moves the cursor
// only afterwards, so the bytes just ahead of the cursor must never be
// written while it plays.
TEST_F(EngineTest, NeverWritesWhereTheDeviceMayBeReading) {
    constexpr uint32_t ring = PlaybackEngine::kBufferBytes;
    output->setReadAhead(2048);
    // Resumed with the cursor far on: writing from the ring's start would
    // reach into the pull at 95000 that wraps round to 1048.
    playAndTick(95000);
    engine->stopOutput();
    engine->resumeOutput();
    output->fillRing(kUntouched);
    PlaybackEngine::onTimer();
    EXPECT_TRUE(untouched(95000, ring) && untouched(0, 1048) && untouched(1048, 95000, 0));
    EXPECT_EQ(engine->writePosition(), 95000u);

    // A stall of just under a second: the cursor comes round to 1500 bytes
    // short of the write position.
    output->fillRing(kUntouched);
    playAndTick(ring - 1500);
    EXPECT_TRUE(untouched(93500, 95548) && untouched(95548, ring, 0) && untouched(0, 93500, 0));
    EXPECT_EQ(engine->writePosition(), 93500u);

    // Ordinary ticks write just behind the cursor as before.
    output->fillRing(kUntouched);
    playAndTick(480);
    EXPECT_TRUE(untouched(93500, 93980, 0) && untouched(93980, ring) && untouched(0, 93500));
}

TEST_F(EngineTest, ASecondEngineOrAnOutputThatCannotOpenFailsWithTheMessage) {
    EXPECT_EQ(PlaybackEngine::create(std::make_unique<TestSoundOutput>(), prompts, [this] { ++closes; }), nullptr);
    EXPECT_EQ(PlaybackEngine::instance(), engine);  // the one registered keeps running
    PlaybackEngine::shutdownEngine();
    auto broken = std::make_unique<TestSoundOutput>();
    broken->setOpenSucceeds(false);
    EXPECT_EQ(PlaybackEngine::create(std::move(broken), prompts, [this] { ++closes; }), nullptr);
    ASSERT_EQ(prompts.shown.size(), 2u);
    for (const auto& shown : prompts.shown) EXPECT_EQ(shown.caption + shown.text, "Unable to initialize DirectSound\n");
    EXPECT_EQ(closes, 2);
}

// The C library's published sequences: playlists depend on them exactly.
// Seeding restarts the sequence whatever was drawn before.
TEST(RandomGenerator, MatchesTheClassicCLibrarySequence) {
    struct Case { uint32_t seed; std::vector<int32_t> first; };
    RandomGenerator generator;
    for (const Case& c : {Case{1, {41, 18467, 6334, 26500, 19169, 15724}}, Case{667, {2216, 714}},
                          Case{0, {38, 7719, 21238}}}) {
        generator.next();
        generator.seed(c.seed);
        std::vector<int32_t> drawn;
        for (std::size_t i = 0; i < c.first.size(); ++i) drawn.push_back(generator.next());
        EXPECT_EQ(drawn, c.first) << "seed " << c.seed;
    }
}

TEST(EngineTick, ReseedsTheProcessGeneratorOnEveryTickEvenWithoutAnEngine) {
    RandomGenerator reference;
    for (int i = 0; i < 2; ++i) {
        const uint32_t before = PlaybackEngine::tickCounter();
        PlaybackEngine::onTimer();
        reference.seed(before + 1);
        EXPECT_EQ(processRandom().next(), reference.next());
    }
}

// The counter is process-wide, so the first tick is checked in a process of
// its own (the threadsafe death-test style re-runs this test alone).
TEST(EngineTickDeathTest, FirstTickOfTheProcessSeedsWith667) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            PlaybackEngine::onTimer();
            std::exit(processRandom().next() == 2216 && PlaybackEngine::tickCounter() == 667 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vh
