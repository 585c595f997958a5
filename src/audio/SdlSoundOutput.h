#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/SoundOutput.h"

namespace vh {

// The ring played through SDL2's default audio device. SDL's audio thread
// pulls from the ring at the play cursor and moves the cursor on once a pull
// is copied; the UI thread writes only the span the cursor has already passed
// and keeps clear of the bytes just ahead of it that a pull may be copying
// (readAhead), so the two never touch the same bytes and no lock is needed:
// lock() and unlock() hand out pointers into the ring and publish what was
// written.
//
// Works with any SDL driver, including "dummy" and "disk" (set
// SDL_AUDIODRIVER before open()); SDL converts to whatever the device wants.
class SdlSoundOutput final : public SoundOutput {
public:
    SdlSoundOutput();
    ~SdlSoundOutput() override;

    bool open() override;
    std::optional<uint32_t> playCursor() override;
    // Four of the largest pulls seen (about 85 ms): the one that may be in
    // progress and the next ones, which SDL may ask for in a quick burst when
    // it converts for the device, so that a write of a whole ring (some
    // milliseconds) ends well before the device can reach it.
    uint32_t readAhead() const override;
    LockStatus lock(uint32_t offset, uint32_t bytes, Regions& regions) override;
    void unlock(const Regions& regions) override;
    void restore() override {}
    void stop() override;
    void play() override;

private:
    static void audioCallback(void* self, uint8_t* stream, int len);
    void pull(uint8_t* stream, uint32_t bytes);

    std::unique_ptr<int16_t[]> ring_;
    std::atomic<uint32_t> cursor_{0};     // written by the audio thread only
    std::atomic<uint32_t> published_{0};  // bumped by unlock, so the audio thread sees the writes
    std::atomic<uint32_t> largestPull_{0};  // bytes; the device's buffer size, or more if SDL asked for more
    uint32_t device_ = 0;
    bool subsystemUp_ = false;
};

}  // namespace vh
