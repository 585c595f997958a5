#pragma once

#include <cstdint>
#include <vector>

#include "audio/SoundOutput.h"

namespace vh {

// A ring in memory with no device behind it: the play cursor moves only when
// the owner says so. The tests and the soak drive the engine on it. It can
// refuse to open, lose its buffer, and fail locks.
class TestSoundOutput : public SoundOutput {
public:
    bool open() override { return opened_ = openSucceeds_; }
    std::optional<uint32_t> playCursor() override { return opened_ ? std::optional<uint32_t>(cursor_) : std::nullopt; }
    uint32_t readAhead() const override { return readAhead_; }
    LockStatus lock(uint32_t offset, uint32_t bytes, Regions& regions) override {
        ++lockCalls_;
        if (lost_) return LockStatus::lost;
        if (failingLocks_ > 0 && failingLocks_--) return LockStatus::failed;
        return opened_ && splitRing(ring_.data(), offset, bytes, regions) ? LockStatus::ok : LockStatus::failed;
    }
    void unlock(const Regions&) override {}
    void restore() override {
        ++restoreCalls_;
        lost_ = failingRestores_ > 0 && failingRestores_--;
    }
    void stop() override { playing_ = false; }
    void play() override { playing_ = true; }

    // Moves the play cursor on by `bytes` (wrapping), as if they were played.
    void advance(uint32_t bytes) { cursor_ = uint32_t((uint64_t(cursor_) + bytes) % kRingBytes); }
    // Bytes from the cursor on that the "device" claims to be reading.
    void setReadAhead(uint32_t bytes) { readAhead_ = bytes; }
    // Fills the whole ring with one value, to see afterwards what was written.
    void fillRing(int16_t value) { ring_.assign(ring_.size(), value); }
    void setOpenSucceeds(bool succeeds) { openSucceeds_ = succeeds; }
    // Locks answer "lost" until a restore brings the buffer back; the first
    // `failingRestores` restores do not.
    void loseBuffer(int32_t failingRestores = 0) {
        lost_ = true;
        failingRestores_ = failingRestores;
    }
    // The next `count` locks fail outright.
    void failLocks(int32_t count) { failingLocks_ = count; }

    const std::vector<int16_t>& ring() const { return ring_; }
    int16_t sample(uint32_t byteOffset) const { return ring_[byteOffset / 2]; }
    bool playing() const { return playing_; }
    int32_t lockCalls() const { return lockCalls_; }
    int32_t restoreCalls() const { return restoreCalls_; }

private:
    std::vector<int16_t> ring_ = std::vector<int16_t>(kRingBytes / 2, 0);
    uint32_t cursor_ = 0, readAhead_ = 0;
    bool openSucceeds_ = true, opened_ = false, playing_ = false, lost_ = false;
    int32_t failingRestores_ = 0, failingLocks_ = 0, lockCalls_ = 0, restoreCalls_ = 0;
};

}  // namespace vh
