#pragma once

#include <cstdint>
#include <optional>

namespace vh {

// A looping one-second ring of 16-bit stereo samples at 24000 Hz (96000
// bytes) that a device plays continuously, with a readable play cursor. The
// engine writes the span the cursor has just passed; what it writes is heard
// one ring length later. Offsets and lengths are in bytes.
//
// All calls come from the UI thread.
class SoundOutput {
public:
    static constexpr uint32_t kSampleRate = 24000;
    static constexpr uint32_t kBytesPerFrame = 4;
    static constexpr uint32_t kRingBytes = kSampleRate * kBytesPerFrame;

    enum class LockStatus { ok, lost, failed };

    // The writable span [offset, offset + bytes) of the ring: region1 up to the
    // end of the ring, region2 the part that wraps to its start (may be empty).
    struct Regions {
        int16_t* region1 = nullptr;
        uint32_t bytes1 = 0;
        int16_t* region2 = nullptr;
        uint32_t bytes2 = 0;
    };

    virtual ~SoundOutput() = default;

    // Prepares the device and a ring of silence, stopped. False when there is
    // no usable sound output.
    virtual bool open() = 0;
    // Byte offset of the next byte the device will play; nothing when it
    // cannot be read.
    virtual std::optional<uint32_t> playCursor() = 0;
    // How many bytes from the play cursor on the device may be reading at any
    // moment (a pull in progress copies from the cursor forward and moves the
    // cursor only when it is done). The engine never writes there. 0 for a
    // device that takes its samples at once.
    virtual uint32_t readAhead() const { return 0; }
    // lost: the ring's memory was taken away; restore() and lock again.
    virtual LockStatus lock(uint32_t offset, uint32_t bytes, Regions& regions) = 0;
    virtual void unlock(const Regions& regions) = 0;
    virtual void restore() = 0;
    // Stop holds the play cursor where it is; play starts looping from it.
    virtual void stop() = 0;
    virtual void play() = 0;
};

// Splits [offset, offset + bytes) of a ring of kRingBytes starting at `ring`
// into the two regions; false when the span is longer than the ring, starts
// outside it or is not whole samples.
inline bool splitRing(int16_t* ring, uint32_t offset, uint32_t bytes, SoundOutput::Regions& regions) {
    constexpr uint32_t size = SoundOutput::kRingBytes;
    if (offset >= size || bytes > size || offset % 2 != 0 || bytes % 2 != 0) return false;
    const uint32_t first = bytes < size - offset ? bytes : size - offset;
    regions.region1 = ring + offset / 2;
    regions.bytes1 = first;
    regions.region2 = ring;
    regions.bytes2 = bytes - first;
    return true;
}

}  // namespace vh
