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
    TestSoundOutput();

    bool open() override;
    std::optional<uint32_t> playCursor() override;
    LockStatus lock(uint32_t offset, uint32_t bytes, Regions& regions) override;
    void unlock(const Regions& regions) override;
    void restore() override;
    void stop() override { playing_ = false; }
    void play() override { playing_ = true; }

    // Moves the play cursor on by `bytes` (wrapping), as if they were played.
    void advance(uint32_t bytes);
    void setPlayCursor(uint32_t offset) { cursor_ = offset % kRingBytes; }
    // Fills the whole ring with one value, to see afterwards what was written.
    void fillRing(int16_t value);

    void setOpenSucceeds(bool succeeds) { openSucceeds_ = succeeds; }
    // Locks answer "lost" until a restore() brings the buffer back; the first
    // `failingRestores` restores do not.
    void loseBuffer(int32_t failingRestores = 0);
    // The next `count` locks fail outright.
    void failLocks(int32_t count) { failingLocks_ = count; }

    const std::vector<int16_t>& ring() const { return ring_; }
    int16_t sample(uint32_t byteOffset) const { return ring_[byteOffset / 2]; }
    bool playing() const { return playing_; }
    int32_t lockCalls() const { return lockCalls_; }
    int32_t unlockCalls() const { return unlockCalls_; }
    int32_t restoreCalls() const { return restoreCalls_; }

private:
    std::vector<int16_t> ring_;
    uint32_t cursor_ = 0;
    bool openSucceeds_ = true;
    bool opened_ = false;
    bool playing_ = false;
    bool lost_ = false;
    int32_t failingRestores_ = 0;
    int32_t failingLocks_ = 0;
    int32_t lockCalls_ = 0;
    int32_t unlockCalls_ = 0;
    int32_t restoreCalls_ = 0;
};

}  // namespace vh
