#include "support/TestSoundOutput.h"

#include <algorithm>

namespace vh {

TestSoundOutput::TestSoundOutput() : ring_(kRingBytes / 2, 0) {}

bool TestSoundOutput::open() {
    opened_ = openSucceeds_;
    return opened_;
}

std::optional<uint32_t> TestSoundOutput::playCursor() {
    if (!opened_) return std::nullopt;
    return cursor_;
}

SoundOutput::LockStatus TestSoundOutput::lock(uint32_t offset, uint32_t bytes, Regions& regions) {
    ++lockCalls_;
    if (lost_) return LockStatus::lost;
    if (failingLocks_ > 0) {
        --failingLocks_;
        return LockStatus::failed;
    }
    if (!opened_ || !splitRing(ring_.data(), offset, bytes, regions)) return LockStatus::failed;
    return LockStatus::ok;
}

void TestSoundOutput::unlock(const Regions&) { ++unlockCalls_; }

void TestSoundOutput::restore() {
    ++restoreCalls_;
    if (failingRestores_ > 0) --failingRestores_;
    else lost_ = false;
}

void TestSoundOutput::advance(uint32_t bytes) { cursor_ = uint32_t((uint64_t(cursor_) + bytes) % kRingBytes); }

void TestSoundOutput::fillRing(int16_t value) { std::fill(ring_.begin(), ring_.end(), value); }

void TestSoundOutput::loseBuffer(int32_t failingRestores) {
    lost_ = true;
    failingRestores_ = failingRestores;
}

}  // namespace vh
