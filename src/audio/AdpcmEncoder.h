#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/Decoder.h"

namespace vh {

// Encodes 28 samples of one channel into one 16-byte block that decodeBlock
// turns back into the closest samples it can: every filter (0-4) is tried
// with the shifts (0-12) around the one the filter's prediction residual
// needs, each candidate run through the decoder's own arithmetic from
// `state`, and the one with the least squared error wins. Byte 1 is 0.
// On return `state` is exactly what decodeBlock leaves after the block, so
// the next block is encoded against what a player will really hold and
// quantisation errors do not accumulate.
void encodeBlock(const int16_t in[28], uint8_t out[16], PredictorState& state);

// The complete bytes of one clip as it lies in a stream file: the 8068-byte
// header (zeros, except the per-channel data size 16 × B at byte 8016, B =
// ceil(frames / 28)) and the chunks, the last one written whole and zero past
// its last block. The last block is padded with silence. The clip's lookup
// length is the result's size − 8068. Each channel starts from a fresh
// predictor.
std::vector<uint8_t> encodeClip(const int16_t* interleavedStereo, std::size_t frames);

}  // namespace vh
