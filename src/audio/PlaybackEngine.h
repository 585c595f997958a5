#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "audio/SoundOutput.h"
#include "audio/SoundSource.h"
#include "gamedata/Prompts.h"

namespace vh {

// Keeps the one-second sound ring playing for the whole run and refills the
// span the play cursor has just passed with the mix of all attached sources,
// so that what is mixed now is heard one second later.
//
// There is one engine per process, reachable through instance() from a
// successful create() until shutdownEngine(). The engine has no timer of its
// own: its owner calls onTimer() every 5 ms on the UI thread (a precise
// QTimer in the desktop program, a loop in vhradio, directly in tests).
//
// UI thread only.
class PlaybackEngine {
public:
    static constexpr uint32_t kBufferBytes = SoundOutput::kRingBytes;
    static constexpr uint32_t kMixFloats = kBufferBytes / 2;  // one float per 16-bit sample
    static constexpr float kMixGain = 0.3f;
    static constexpr uint32_t kFirstTickCounter = 666;        // the first tick seeds with 667

    // Creates the engine on `output` (which it then owns), fills the ring with
    // silence, starts it and registers the engine. Fails when an engine is
    // registered already or the output cannot open: then the person is told
    // "Unable to initialize DirectSound\n", closeMainWindow is called (it ends
    // the program) and the result is null.
    static PlaybackEngine* create(std::unique_ptr<SoundOutput> output, Prompts& prompts,
                                  const std::function<void()>& closeMainWindow);
    // The registered engine, or null.
    static PlaybackEngine* instance();
    // Unregisters and destroys the engine, releasing the output. Once, at exit.
    static void shutdownEngine();

    // The 5 ms tick. Always re-seeds processRandom() with a counter that
    // goes up by one per tick, whether or not an engine runs; then, if one
    // does, refills the ring up to the play cursor, leaving alone the bytes
    // from the cursor on that the output says the device may be reading.
    static void onTimer();
    // The value the last tick seeded with (kFirstTickCounter before any).
    static uint32_t tickCounter();

    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // Links the source in at the front of the mix (moving it there if it is
    // already linked); the most recently attached source is rendered first.
    // The source stays attached until it unlinks itself or is destroyed.
    void attachSource(SoundSource& source);

    // Stops the ring: the play cursor stands still and ticks find nothing to
    // refill. The export runs between these two.
    void stopOutput();
    // Writes from the ring's start again and restarts playing.
    void resumeOutput();

    // Mixes `bytes` bytes into the ring at the write position and moves the
    // write position on. A lost buffer is restored and locked once more; if
    // the lock still fails, nothing is written and the write position stays,
    // so the next tick covers the same span.
    SoundOutput::LockStatus fillBuffer(uint32_t bytes);

    uint32_t writePosition() const { return writePosition_; }

private:
    explicit PlaybackEngine(std::unique_ptr<SoundOutput> output);
    void mixRegion(int16_t* out, uint32_t bytes);

    std::unique_ptr<SoundOutput> output_;
    uint32_t writePosition_ = 0;  // byte offset of the next write, 0 to 95999
    SoundSource mixList_;         // list head only; never rendered
    std::unique_ptr<float[]> mix_;
};

}  // namespace vh
