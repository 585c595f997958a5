// CPU cost of playback: the engine on SDL's output, a ClipPlayer playing a
// synthetic clip, ticked every 5 ms as the desktop program does.
//
//   SDL_AUDIODRIVER=dummy playback_cpu [seconds]     (default 30)
//
// Prints the process's user and system CPU time over the run.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "audio/ClipPlayer.h"
#include "audio/PlaybackEngine.h"
#include "audio/SdlSoundOutput.h"

namespace {

class PrintPrompts : public vh::Prompts {
public:
    bool askOkCancel(const std::string&, const std::string&) override { return true; }
    void message(const std::string&, const std::string& text) override { std::fprintf(stderr, "%s", text.c_str()); }
    void endRun(int) override {}
};

// `blocks` stereo blocks of busy ADPCM (every filter, middling shifts).
std::unique_ptr<vh::ClipAudio> syntheticClip(int32_t blocks) {
    const std::size_t chunks = std::size_t(blocks + 4095) / 4096;
    auto clip = vh::ClipAudio::allocate(vh::ClipAudio::kHeaderBytes + chunks * vh::ClipAudio::kChunkBytes);
    if (!clip) return nullptr;
    uint8_t* data = clip->data();
    const uint32_t dataSize = uint32_t(blocks) * 16;
    for (int k = 0; k < 4; ++k) data[vh::ClipAudio::kDataSizeOffset + k] = uint8_t(dataSize >> (8 * k));
    uint32_t x = 12345;
    for (int32_t i = 0; i < blocks; ++i) {
        uint8_t* chunk = data + vh::ClipAudio::kHeaderBytes + std::size_t(i / 4096) * vh::ClipAudio::kChunkBytes;
        for (std::size_t side : {vh::ClipAudio::kLeftOffset, vh::ClipAudio::kRightOffset}) {
            uint8_t* b = chunk + side + std::size_t(i % 4096) * 16;
            x = x * 1103515245u + 12345u;
            b[0] = uint8_t(((x >> 20) % 5) << 4 | (8 + (x >> 24) % 4));
            for (int k = 2; k < 16; ++k) {
                x = x * 1103515245u + 12345u;
                b[k] = uint8_t(x >> 16);
            }
        }
    }
    return clip;
}

double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    const int runSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 0);
    PrintPrompts prompts;
    vh::PlaybackEngine* engine = vh::PlaybackEngine::create(std::make_unique<vh::SdlSoundOutput>(), prompts, [] {});
    if (!engine) return 1;
    vh::Clip clip{};
    vh::ClipPlayer player;
    engine->attachSource(player);
    auto track = std::make_unique<vh::PlaylistTrack>();
    track->clip = &clip;
    // Longer than the run, so it plays throughout.
    track->mainAudio = syntheticClip((runSeconds + 2) * 24000 / 28);
    int64_t reports = 0;
    player.setCallback([&](vh::PlaylistTrack*, int32_t) { ++reports; });
    player.startTrack(std::move(track), 0);

    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    int64_t ticks = 0;
    while (next - start < std::chrono::seconds(runSeconds)) {
        vh::PlaybackEngine::onTimer();
        ++ticks;
        next += std::chrono::milliseconds(5);
        std::this_thread::sleep_until(next);
    }
    getrusage(RUSAGE_SELF, &after);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    vh::PlaybackEngine::shutdownEngine();

    const double user = seconds(after.ru_utime) - seconds(before.ru_utime);
    const double sys = seconds(after.ru_stime) - seconds(before.ru_stime);
    std::printf("driver %s: %.1f s wall, %lld ticks, %lld renders\n", std::getenv("SDL_AUDIODRIVER"), wall,
                (long long)ticks, (long long)reports);
    std::printf("cpu: user %.3f s, system %.3f s, %.2f %% of one core\n", user, sys, 100.0 * (user + sys) / wall);
    return 0;
}
