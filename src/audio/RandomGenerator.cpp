#include "audio/RandomGenerator.h"

namespace vh {

int32_t RandomGenerator::next() {
    state_ = state_ * 214013u + 2531011u;  // unsigned: wraps mod 2^32
    return int32_t((state_ >> 16) & 0x7FFF);
}

RandomGenerator& processRandom() {
    static RandomGenerator generator;
    return generator;
}

}  // namespace vh
