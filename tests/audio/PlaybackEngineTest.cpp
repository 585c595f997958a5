#include "audio/PlaybackEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HandClips.h"
#include "audio/ClipPlayer.h"
#include "audio/RandomGenerator.h"
#include "audio/TestSoundOutput.h"

namespace vh {
namespace {

using namespace handclips;

class RecordingPrompts : public Prompts {
public:
    bool askOkCancel(const std::string&, const std::string&) override { return true; }
    void message(const std::string& caption, const std::string& text) override { messages.push_back(caption + "|" + text); }
    void endRun(int) override {}
    std::vector<std::string> messages;
};

constexpr int16_t kUntouched = 0x5A5A;

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

    // Lets the "device" play `bytes` and ticks once.
    void playAndTick(uint32_t bytes) {
        output->advance(bytes);
        PlaybackEngine::onTimer();
    }
    bool untouched(uint32_t from, uint32_t to) const {
        for (uint32_t b = from; b < to; b += 2)
            if (output->sample(b) != kUntouched) return false;
        return true;
    }

    RecordingPrompts prompts;
    int closes = 0;
    Clip clip{};
    TestSoundOutput* output = nullptr;
    PlaybackEngine* engine = nullptr;
};

TEST_F(EngineTest, StartsPlayingAWholeRingOfSilence) {
    EXPECT_EQ(PlaybackEngine::instance(), engine);
    EXPECT_TRUE(output->playing());
    EXPECT_EQ(engine->writePosition(), 0u);
    for (int16_t s : output->ring()) ASSERT_EQ(s, 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(closes, 0);
}

TEST_F(EngineTest, WritesZerosWithNothingAttachedAndSilenceFromAnIdlePlayer) {
    output->fillRing(kUntouched);
    playAndTick(4000);
    EXPECT_EQ(engine->writePosition(), 4000u);
    for (uint32_t b = 0; b < 4000; b += 2) ASSERT_EQ(output->sample(b), 0);
    EXPECT_TRUE(untouched(4000, PlaybackEngine::kBufferBytes));

    ClipPlayer player;
    int reports = 0;
    player.setCallback([&](PlaylistTrack*, int32_t) { ++reports; });
    engine->attachSource(player);
    playAndTick(6000);
    EXPECT_EQ(reports, 1);
    for (uint32_t b = 4000; b < 10000; b += 2) ASSERT_EQ(output->sample(b), 0);
    EXPECT_TRUE(untouched(10000, PlaybackEngine::kBufferBytes));
}

TEST_F(EngineTest, ConvertsThePlayersSamplesAtItsGain) {
    // Left: 28672 then 27 × 32767 (filter 1 runs into the clamp), then 28 × 1.
    // Right: -32767 then 27 × -32768, then 28 × -1.
    auto audio = makeClip({{constantBlock(1, 0, 7), constantBlock(1, 0, 8)},
                          {constantBlock(0, 12, 1), constantBlock(0, 12, 14)}});
    SampleSink decoded;
    PredictorState l, r;
    exportPart(nullptr, 0, audio.get(), decoded, l, r, nullptr);
    const std::vector<std::pair<int16_t, int16_t>> heardAs = {
        {32767, 9829}, {-32768, -9830}, {1, 0}, {-1, 0}, {28672, 8601}, {-32767, -9829}, {0, 0}};
    auto expected = [&](int16_t v) {
        for (auto [in, out] : heardAs)
            if (in == v) return out;
        ADD_FAILURE() << "no expectation for " << v;
        return int16_t(0);
    };

    ClipPlayer player;
    engine->attachSource(player);
    player.startTrack(makeTrack(&clip, nullptr, std::move(audio), nullptr), 0);
    playAndTick(4 * 70);
    for (uint32_t i = 0; i < 2 * 56; ++i) EXPECT_EQ(output->sample(2 * i), expected(decoded.samples[i])) << "sample " << i;
    for (uint32_t i = 2 * 56; i < 2 * 70; ++i) EXPECT_EQ(output->sample(2 * i), 0);
}

// A source that records how it was asked to render and writes a constant.
class ProbeSource : public SoundSource {
public:
    ProbeSource(std::vector<std::string>& log, std::string name, float value) : log_(log), name_(std::move(name)), value_(value) {}
    void render(float* out, int32_t frames) override {
        log_.push_back(name_ + ".render");
        for (int32_t i = 0; i < 2 * frames; ++i) out[i] = value_;
    }
    void renderAdd(float* out, int32_t frames) override {
        log_.push_back(name_ + ".add");
        for (int32_t i = 0; i < 2 * frames; ++i) out[i] += value_;
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
    float value_;
};

TEST_F(EngineTest, MixesSourcesMostRecentFirstEachOnce) {
    std::vector<std::string> log;
    ProbeSource a(log, "a", 0.25f), b(log, "b", 0.5f);
    engine->attachSource(a);
    engine->attachSource(b);
    engine->attachSource(a);  // moves a to the front, never twice in the list
    playAndTick(400);
    EXPECT_EQ(log, (std::vector<std::string>{"a.render", "b.add"}));
    EXPECT_EQ(output->sample(0), 24575);  // 0.75 × 32767, truncated

    // Past full scale the sum is clamped, not wrapped.
    ProbeSource c(log, "c", 0.5f);
    engine->attachSource(c);
    log.clear();
    playAndTick(400);
    EXPECT_EQ(log, (std::vector<std::string>{"c.render", "a.add", "b.add"}));
    EXPECT_EQ(output->sample(400), 32767);

    // A source that goes away leaves the mix.
    {
        ProbeSource gone(log, "gone", -1.0f);
        engine->attachSource(gone);
    }
    log.clear();
    playAndTick(400);
    EXPECT_EQ(log, (std::vector<std::string>{"c.render", "a.add", "b.add"}));
}

TEST_F(EngineTest, WritesOnlyTheSpanThePlayCursorPassed) {
    output->fillRing(kUntouched);
    const int32_t locks = output->lockCalls();
    PlaybackEngine::onTimer();  // cursor still at the write position
    EXPECT_EQ(output->lockCalls(), locks);
    EXPECT_TRUE(untouched(0, PlaybackEngine::kBufferBytes));
    EXPECT_EQ(engine->writePosition(), 0u);

    // Round the end of the ring: both regions, one continuous stream.
    ClipPlayer player;
    engine->attachSource(player);
    player.startTrack(makeTrack(&clip, nullptr, makeClip(busyBlocks(40, 9)), nullptr), 0);
    playAndTick(95000);
    player.startTrack(makeTrack(&clip, nullptr, makeClip(busyBlocks(40, 9)), nullptr), 0);
    output->fillRing(kUntouched);
    playAndTick(2000);
    EXPECT_EQ(engine->writePosition(), 1000u);
    SampleSink decoded;
    PredictorState l, r;
    auto reference = makeClip(busyBlocks(40, 9));
    exportPart(nullptr, 0, reference.get(), decoded, l, r, nullptr);
    std::vector<int16_t> heard;
    for (uint32_t b = 95000; b < 96000; b += 2) heard.push_back(output->sample(b));
    for (uint32_t b = 0; b < 1000; b += 2) heard.push_back(output->sample(b));
    ASSERT_EQ(heard.size(), 1000u);
    for (size_t i = 0; i < heard.size(); ++i) {
        const double v = double(float(decoded.samples[i]) * 3.0517578125e-05f * ClipPlayer::kGain) * 32767.0;
        ASSERT_EQ(heard[i], int16_t(v)) << "sample " << i;
    }
    EXPECT_TRUE(untouched(1000, 95000));
}

TEST_F(EngineTest, RestoresALostBufferOnceAndKeepsTheSpanWhenLockingFails) {
    // Lost, and restore brings it back: written at once.
    output->fillRing(kUntouched);
    output->loseBuffer();
    playAndTick(800);
    EXPECT_EQ(output->restoreCalls(), 1);
    EXPECT_EQ(engine->writePosition(), 800u);
    EXPECT_FALSE(untouched(0, 800));

    // Still lost after the one restore: nothing written this tick, the write
    // position stays, and the next tick covers the whole span.
    output->fillRing(kUntouched);
    output->loseBuffer(1);
    const int32_t locks = output->lockCalls();
    playAndTick(800);
    EXPECT_EQ(output->lockCalls(), locks + 2);
    EXPECT_EQ(output->restoreCalls(), 2);
    EXPECT_EQ(engine->writePosition(), 800u);
    EXPECT_TRUE(untouched(0, PlaybackEngine::kBufferBytes));
    playAndTick(400);
    EXPECT_EQ(engine->writePosition(), 2000u);
    EXPECT_TRUE(untouched(0, 800));
    EXPECT_FALSE(untouched(800, 2000));

    // A plain failure is not retried and restores nothing.
    output->fillRing(kUntouched);
    output->failLocks(1);
    playAndTick(400);
    EXPECT_EQ(engine->writePosition(), 2000u);
    EXPECT_EQ(output->restoreCalls(), 3);
    EXPECT_TRUE(untouched(0, PlaybackEngine::kBufferBytes));
    playAndTick(400);
    EXPECT_EQ(engine->writePosition(), 2800u);
    EXPECT_FALSE(untouched(2000, 2800));
    EXPECT_TRUE(untouched(2800, PlaybackEngine::kBufferBytes));
}

TEST_F(EngineTest, StopHoldsAndResumeWritesFromTheRingStart) {
    playAndTick(8000);
    engine->stopOutput();
    EXPECT_FALSE(output->playing());
    engine->resumeOutput();
    EXPECT_TRUE(output->playing());
    EXPECT_EQ(engine->writePosition(), 0u);
    output->fillRing(kUntouched);
    PlaybackEngine::onTimer();  // the cursor stood at 8000
    EXPECT_EQ(engine->writePosition(), 8000u);
    EXPECT_FALSE(untouched(0, 8000));
    EXPECT_TRUE(untouched(8000, PlaybackEngine::kBufferBytes));
}

// The device copies a pull from its cursor forward and moves the cursor
// only afterwards, so the bytes just ahead of the cursor must never be
// written while it plays.
TEST_F(EngineTest, NeverWritesWhereTheDeviceMayBeReading) {
    constexpr uint32_t ring = PlaybackEngine::kBufferBytes;
    output->setReadAhead(2048);
    auto writtenAsSilence = [&](uint32_t from, uint32_t to) {
        for (uint32_t b = from; b < to; b += 2)
            if (output->sample(b) != 0) return false;
        return true;
    };
    // Resumed with the cursor far on: writing from the ring's start would
    // reach into the pull at 95000 that wraps round to 1048.
    playAndTick(95000);
    engine->stopOutput();
    engine->resumeOutput();
    output->fillRing(kUntouched);
    PlaybackEngine::onTimer();
    EXPECT_TRUE(untouched(95000, ring));
    EXPECT_TRUE(untouched(0, 1048));
    EXPECT_TRUE(writtenAsSilence(1048, 95000));
    EXPECT_EQ(engine->writePosition(), 95000u);

    // A stall of just under a second: the cursor comes round to 1500 bytes
    // short of the write position.
    output->fillRing(kUntouched);
    playAndTick(ring - 1500);
    EXPECT_TRUE(untouched(93500, 95548));
    EXPECT_TRUE(writtenAsSilence(95548, ring));
    EXPECT_TRUE(writtenAsSilence(0, 93500));
    EXPECT_EQ(engine->writePosition(), 93500u);

    // Ordinary ticks write just behind the cursor as before.
    output->fillRing(kUntouched);
    playAndTick(480);
    EXPECT_TRUE(writtenAsSilence(93500, 93980));
    EXPECT_TRUE(untouched(93980, ring));
    EXPECT_TRUE(untouched(0, 93500));
}

TEST_F(EngineTest, ASecondEngineFailsAndLeavesTheFirstRunning) {
    auto second = std::make_unique<TestSoundOutput>();
    EXPECT_EQ(PlaybackEngine::create(std::move(second), prompts, [this] { ++closes; }), nullptr);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"|Unable to initialize DirectSound\n"});
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(PlaybackEngine::instance(), engine);
}

TEST_F(EngineTest, ShutdownUnregistersAndLetsAttachedSourcesGo) {
    ClipPlayer player;
    engine->attachSource(player);
    PlaybackEngine::shutdownEngine();
    EXPECT_EQ(PlaybackEngine::instance(), nullptr);
    EXPECT_FALSE(player.isLinked());
    PlaybackEngine::onTimer();  // no engine: only the seeding
}

TEST(EngineCreation, AnOutputThatCannotOpenFailsWithTheMessage) {
    RecordingPrompts prompts;
    int closes = 0;
    auto out = std::make_unique<TestSoundOutput>();
    out->setOpenSucceeds(false);
    EXPECT_EQ(PlaybackEngine::create(std::move(out), prompts, [&] { ++closes; }), nullptr);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"|Unable to initialize DirectSound\n"});
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(PlaybackEngine::instance(), nullptr);
}

TEST(EngineTick, ReseedsTheProcessGeneratorOnEveryTickEvenWithoutAnEngine) {
    ASSERT_EQ(PlaybackEngine::instance(), nullptr);
    const uint32_t before = PlaybackEngine::tickCounter();
    PlaybackEngine::onTimer();
    RandomGenerator reference;
    reference.seed(before + 1);
    EXPECT_EQ(processRandom().next(), reference.next());
    PlaybackEngine::onTimer();
    reference.seed(before + 2);
    EXPECT_EQ(processRandom().next(), reference.next());
}

// The counter is process-wide, so the first tick is checked in a process of
// its own (the threadsafe death-test style re-runs this test alone).
TEST(EngineTickDeathTest, FirstTickOfTheProcessSeedsWith667) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            PlaybackEngine::onTimer();
            // rand() after srand(667) in the C library's generator.
            std::exit(processRandom().next() == 2216 && PlaybackEngine::tickCounter() == 667 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vh
