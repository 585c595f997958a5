#pragma once

#include <cstdint>

namespace vh {

// The C library's classic linear congruential generator, kept here so that
// playlists come out the same on every platform (glibc's rand() is another
// algorithm): state := state × 214013 + 2531011 (mod 2^32), result = bits 16
// to 30 of the new state.
class RandomGenerator {
public:
    static constexpr int32_t kMax = 32767;

    // Like srand: the next draws depend only on this value.
    void seed(uint32_t value) { state_ = value; }
    // 0 to 32767.
    int32_t next();
    uint32_t state() const { return state_; }

private:
    uint32_t state_ = 1;  // srand(1) is the C library's start
};

// The one generator of the process. The playback engine re-seeds it on every
// timer tick and the playlist tools draw from it. UI thread only.
RandomGenerator& processRandom();

}  // namespace vh
