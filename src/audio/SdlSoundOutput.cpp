#include "audio/SdlSoundOutput.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace vh {

SdlSoundOutput::SdlSoundOutput() = default;

SdlSoundOutput::~SdlSoundOutput() {
    // Closing waits for the audio thread, so the ring outlives every pull.
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (subsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundOutput::open() {
    if (device_ != 0) return true;
    if (!ring_) {
        ring_.reset(new (std::nothrow) int16_t[kRingBytes / 2]());
        if (!ring_) return false;
    }
    if (!subsystemUp_) {
        // The audio subsystem brings up SDL's events, which would otherwise
        // catch SIGINT and SIGTERM and turn them into quit events that nobody
        // reads: the programs could then not be ended by those signals.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        subsystemUp_ = true;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = int(kSampleRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;  // about 21 ms per pull
    want.callback = &SdlSoundOutput::audioCallback;
    want.userdata = this;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts our format to the device's.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
        return false;
    }
    largestPull_.store(have.size, std::memory_order_relaxed);
    // A new device starts paused: the cursor stands still until play().
    return true;
}

std::optional<uint32_t> SdlSoundOutput::playCursor() {
    if (device_ == 0) return std::nullopt;
    return cursor_.load(std::memory_order_acquire);
}

uint32_t SdlSoundOutput::readAhead() const {
    const uint32_t pull = largestPull_.load(std::memory_order_acquire);
    // Rounded up to whole frames, and never so much that no room is left.
    const uint32_t bytes = (pull + kBytesPerFrame - 1) / kBytesPerFrame * kBytesPerFrame;
    return std::min(4 * bytes, kRingBytes / 2);
}

SoundOutput::LockStatus SdlSoundOutput::lock(uint32_t offset, uint32_t bytes, Regions& regions) {
    if (device_ == 0 || !splitRing(ring_.get(), offset, bytes, regions)) return LockStatus::failed;
    return LockStatus::ok;
}

void SdlSoundOutput::unlock(const Regions&) {
    // Release: the samples just written are visible to the audio thread
    // before it can reach them (one ring length later).
    published_.fetch_add(1, std::memory_order_release);
}

void SdlSoundOutput::stop() {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
}

void SdlSoundOutput::play() {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

// Runs on SDL's audio thread: no locks, no allocation.
void SdlSoundOutput::audioCallback(void* self, uint8_t* stream, int len) {
    static_cast<SdlSoundOutput*>(self)->pull(stream, len > 0 ? uint32_t(len) : 0);
}

void SdlSoundOutput::pull(uint8_t* stream, uint32_t bytes) {
    // Told before copying, so that a pull longer than any before is known to
    // the UI thread as early as possible.
    if (bytes > largestPull_.load(std::memory_order_relaxed)) largestPull_.store(bytes, std::memory_order_release);
    (void)published_.load(std::memory_order_acquire);
    // Whole frames only, so the cursor stays on a frame boundary.
    const uint32_t frameBytes = bytes - bytes % kBytesPerFrame;
    const uint8_t* ring = reinterpret_cast<const uint8_t*>(ring_.get());
    uint32_t cursor = cursor_.load(std::memory_order_relaxed);
    uint32_t done = 0;
    while (done < frameBytes) {
        const uint32_t n = std::min(frameBytes - done, kRingBytes - cursor);
        std::memcpy(stream + done, ring + cursor, n);
        done += n;
        cursor = (cursor + n) % kRingBytes;
    }
    if (frameBytes < bytes) std::memset(stream + frameBytes, 0, bytes - frameBytes);
    // Release: our reads of the passed span finish before the UI thread,
    // having seen the new cursor, writes there.
    cursor_.store(cursor, std::memory_order_release);
}

}  // namespace vh
