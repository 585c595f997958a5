#include "audio/SdlSoundOutput.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "support/HandClips.h"
#include "audio/ClipPlayer.h"
#include "audio/PlaybackEngine.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

using namespace handclips;
using Clock = std::chrono::steady_clock;

// SDL reads its driver choice when the audio subsystem starts, which each
// output does in open(); so setting the variable just before is enough.
void useDriver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }

// SDL's audio brings up its events, which by default catch SIGINT and
// SIGTERM and turn them into quit events nobody reads: the desktop program
// could then not be ended by them.
TEST(SdlSoundOutput, LeavesSignalsAloneAndKeepsClearOfItsPulls) {
    useDriver("dummy");
    SdlSoundOutput output;
    ASSERT_TRUE(output.open());
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction action {};
        ASSERT_EQ(sigaction(sig, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << "signal " << sig;
    }
    // 512 frames of 4 bytes per pull.
    EXPECT_EQ(output.readAhead(), 4 * 2048u);
}

// Plays a short clip through the real ring under SDL's disk driver, which
// writes what the device would hear to a file at real-time pace.
TEST(SdlSoundOutput, DiskDriverHearsThePlayerOneRingLater) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "heard.raw";
    useDriver("disk");
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    const auto blocks = busyBlocks(30, 11);
    std::vector<int16_t> expected;  // one source: decoded × 2^-15 × 0.3, then × 32767 truncated
    for (int16_t v : decoded(blocks)) expected.push_back(int16_t(double(float(v) * 3.0517578125e-05f * 0.3f) * 32767.0));
    test::RecordingPrompts prompts;
    Clip clip{};
    {
        ClipPlayer player;
        PlaybackEngine* engine = PlaybackEngine::create(std::make_unique<SdlSoundOutput>(), prompts, [] {});
        ASSERT_NE(engine, nullptr);
        engine->attachSource(player);
        player.startTrack(makeTrack(&clip, nullptr, makeClip(blocks), nullptr), 0);
        const auto end = Clock::now() + std::chrono::milliseconds(2500);
        while (Clock::now() < end) {
            PlaybackEngine::onTimer();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        PlaybackEngine::shutdownEngine();
    }
    useDriver("dummy");
    const std::vector<uint8_t> bytes = test::readFile(file);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    constexpr size_t ringSamples = SoundOutput::kRingBytes / 2;
    ASSERT_GT(samples.size(), ringSamples + expected.size());
    // The first pass plays the silence the ring was filled with.
    for (size_t i = 0; i < ringSamples; ++i) ASSERT_EQ(samples[i], 0) << "sample " << i;
    const auto found = std::search(samples.begin(), samples.end(), expected.begin(), expected.end());
    ASSERT_NE(found, samples.end());
    EXPECT_GE(size_t(found - samples.begin()), ringSamples);
    EXPECT_EQ((found - samples.begin()) % 2, 0);  // left stays left
}

}  // namespace
}  // namespace vh
