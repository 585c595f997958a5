#pragma once

// Internal to the Resampler: the output conversion and the block kernels.

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "audio/Resampler.h"

namespace vh::resampler {

// Summation order of a 256-tap output, shared by every path.
//
// The product of two floats is exact in double (24 + 24 significant bits), so
// fma(x, t, acc) and acc + x × t (with contraction off) round identically; only
// the order of the additions can make paths differ. Every path therefore uses
// this order for Σ_k x[k] × T[k], k = 0..255:
//
//   lane l = 0..7:  a[l] = 0.0, then for k = l, l + 8, ..., l + 248 in turn:
//                   a[l] = a[l] + x[k] × T[k]        (one rounding per step)
//   h[l] = a[l] + a[l + 4]      for l = 0..3
//   q[l] = h[l] + h[l + 2]      for l = 0..1
//   sum  = q[0] + q[1], then rounded once to float
//
// Eight lanes are one AVX-512 register of doubles or two AVX2 registers, and
// the tree is the natural split of a register into halves. The tree gives the
// same sum when the lanes are rotated (a[l] taken as a[(l + s) mod 8]: the
// pairs at each level are only relabelled), so the block kernels may put a
// term in lane (j + k) mod 8, by the stream position of its input frame, and
// read the input with aligned loads; their taps are shifted to match and are
// zero outside the 256, and adding a zero product leaves a lane unchanged
// (stored input is always finite, see finiteSample).
inline float reduceLanes(const double a[8]) {
    double h0 = a[0] + a[4], h1 = a[1] + a[5], h2 = a[2] + a[6], h3 = a[3] + a[7];
    return float((h0 + h2) + (h1 + h3));
}

// Input as it is stored: NaN as 0 and infinities as the largest float, so a
// zero tap times a stored frame is always 0 and every sum stays finite.
// Decoded audio never holds either.
inline float finiteSample(float f) {
    if (std::isfinite(f)) return f;
    if (std::isnan(f)) return 0.0f;
    return f > 0 ? 3.40282347e+38f : -3.40282347e+38f;
}

// emitFrame's conversion of one channel: v = f × 32768.0 + 0.5 truncated
// toward zero and clamped to int16. Values of v at or past 32767 truncate to
// 32767 or more, so clamping before the truncation gives the same result.
// NaN, which decoded input never produces, becomes 0.
inline int16_t toPcm16(float f) {
    double v = double(f) * 32768.0 + 0.5;
    if (v >= 32767.0) return 32767;
    if (v <= -32768.0) return -32768;
    if (v != v) return 0;
    return int16_t(int32_t(v));
}

// Taps of one phase laid out for windows that start `shift` frames past an
// eight-frame boundary: tap[n] = T[n - shift] for shift <= n < shift + 256,
// 0 elsewhere.
struct alignas(64) ShiftedTaps {
    float tap[264];
};

// Converts `count` outputs that share one phase and one shift. Output i reads
// eight-frame vectors v = 0..vectors-1 at left[i × windowStep + 8v] and
// right[...] (64-byte aligned; windowStep a multiple of 8) against taps[8v..],
// and stores its left and right samples at out[i × outStep] and
// out[i × outStep + 1]. vectors is 32 for shift 0 and 33 otherwise.
using PhaseRunFn = void (*)(const double* left, const double* right, std::ptrdiff_t windowStep, int32_t count,
                            const float* taps, int32_t vectors, int16_t* out, std::ptrdiff_t outStep);

// Null when the kernel is not compiled in or the processor lacks it; Auto and
// Reference have no phase-run function.
PhaseRunFn phaseRunFor(ResamplerKernel kernel);

}  // namespace vh::resampler
