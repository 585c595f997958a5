#include "audio/ResamplerKernels.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
// GCC 12 warns inside its own AVX-512 headers (the deliberately undefined
// register behind _mm512_undefined_pd); the warning points into the header,
// so it is silenced for the header alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#define VH_X86 1
#endif

// Block kernels: each converts a run of outputs that share one phase, so a
// coefficient load serves every output of the run and both channels. All of
// them add in the order of ResamplerKernels.h. The SIMD kernels are compiled
// for their instruction set with target attributes and chosen at run time, so
// the build needs no special flags and the program runs on any x86-64.

namespace vh::resampler {
namespace {

void phaseRunPortable(const double* left, const double* right, std::ptrdiff_t windowStep, int32_t count,
                      const float* taps, int32_t vectors, int16_t* out, std::ptrdiff_t outStep) {
    for (int32_t i = 0; i < count; ++i) {
        const double* l = left + i * windowStep;
        const double* r = right + i * windowStep;
        double accL[8] = {};
        double accR[8] = {};
        for (int k = 0; k < 8 * vectors; k += 8) {
            for (int lane = 0; lane < 8; ++lane) {
                double t = taps[k + lane];
                accL[lane] += l[k + lane] * t;
                accR[lane] += r[k + lane] * t;
            }
        }
        out[i * outStep] = toPcm16(reduceLanes(accL));
        out[i * outStep + 1] = toPcm16(reduceLanes(accR));
    }
}

#ifdef VH_X86

// ---- AVX2 + FMA: lanes 0-3 and 4-7 in two registers per channel ----

#define VH_AVX2 __attribute__((target("avx2,fma")))

// a[l] + a[l + 4], then the two halves, then the last pair.
VH_AVX2 inline double reduceAvx2(__m256d lo, __m256d hi) {
    __m256d h = _mm256_add_pd(lo, hi);
    __m128d q = _mm_add_pd(_mm256_castpd256_pd128(h), _mm256_extractf128_pd(h, 1));
    return _mm_cvtsd_f64(_mm_add_sd(q, _mm_unpackhi_pd(q, q)));
}

// Outputs n = 0..N-1 of a group, window windowStep apart.
template <int N>
VH_AVX2 inline void groupAvx2(const double* left, const double* right, std::ptrdiff_t windowStep, const float* taps,
                              int32_t vectors, int16_t* out, std::ptrdiff_t outStep) {
    __m256d accL[N][2], accR[N][2];
    for (int n = 0; n < N; ++n) accL[n][0] = accL[n][1] = accR[n][0] = accR[n][1] = _mm256_setzero_pd();
    for (int k = 0; k < 8 * vectors; k += 8) {
        __m256d ta = _mm256_cvtps_pd(_mm_load_ps(taps + k));
        __m256d tb = _mm256_cvtps_pd(_mm_load_ps(taps + k + 4));
        for (int n = 0; n < N; ++n) {
            const double* l = left + n * windowStep + k;
            const double* r = right + n * windowStep + k;
            accL[n][0] = _mm256_fmadd_pd(_mm256_load_pd(l), ta, accL[n][0]);
            accL[n][1] = _mm256_fmadd_pd(_mm256_load_pd(l + 4), tb, accL[n][1]);
            accR[n][0] = _mm256_fmadd_pd(_mm256_load_pd(r), ta, accR[n][0]);
            accR[n][1] = _mm256_fmadd_pd(_mm256_load_pd(r + 4), tb, accR[n][1]);
        }
    }
    for (int n = 0; n < N; ++n) {
        out[n * outStep] = toPcm16(float(reduceAvx2(accL[n][0], accL[n][1])));
        out[n * outStep + 1] = toPcm16(float(reduceAvx2(accR[n][0], accR[n][1])));
    }
}

VH_AVX2 void phaseRunAvx2(const double* left, const double* right, std::ptrdiff_t windowStep, int32_t count,
                          const float* taps, int32_t vectors, int16_t* out, std::ptrdiff_t outStep) {
    // Two outputs at a time: eight independent accumulators cover the FMA
    // latency, and runs of eight outputs leave no single ones over.
    int32_t i = 0;
    for (; i + 2 <= count; i += 2)
        groupAvx2<2>(left + i * windowStep, right + i * windowStep, windowStep, taps, vectors, out + i * outStep, outStep);
    for (; i < count; ++i)
        groupAvx2<1>(left + i * windowStep, right + i * windowStep, windowStep, taps, vectors, out + i * outStep, outStep);
}

// ---- AVX-512F: lanes 0-7 in one register per channel ----

#define VH_AVX512 __attribute__((target("avx512f")))

// The tree of eight registers at once. Returns the eight sums in the order
// s0, s4, s1, s5, s2, s6, s3, s7.
VH_AVX512 inline __m512d reduceAvx512x8(const __m512d a[8]) {
    // h: per register, lanes l + (l + 4); two registers' h side by side.
    __m512d h[4];
    for (int n = 0; n < 4; ++n) {
        __m512d x = a[2 * n];
        __m512d y = a[2 * n + 1];
        __m512d lo = _mm512_shuffle_f64x2(x, y, _MM_SHUFFLE(1, 0, 1, 0));  // x0-3, y0-3
        __m512d hi = _mm512_shuffle_f64x2(x, y, _MM_SHUFFLE(3, 2, 3, 2));  // x4-7, y4-7
        h[n] = _mm512_add_pd(lo, hi);
    }
    // q: lanes l + (l + 2) of each h; four registers' q in one.
    __m512d q[2];
    for (int n = 0; n < 2; ++n) {
        __m512d x = h[2 * n];
        __m512d y = h[2 * n + 1];
        __m512d lo = _mm512_shuffle_f64x2(x, y, _MM_SHUFFLE(2, 0, 2, 0));  // lanes 0-1 of each h
        __m512d hi = _mm512_shuffle_f64x2(x, y, _MM_SHUFFLE(3, 1, 3, 1));  // lanes 2-3 of each h
        q[n] = _mm512_add_pd(lo, hi);
    }
    // q[0] holds registers 0-3 as pairs, q[1] registers 4-7.
    return _mm512_add_pd(_mm512_unpacklo_pd(q[0], q[1]), _mm512_unpackhi_pd(q[0], q[1]));
}

VH_AVX512 inline double reduceAvx512(__m512d a) {
    __m256d h = _mm256_add_pd(_mm512_castpd512_pd256(a), _mm512_extractf64x4_pd(a, 1));
    __m128d q = _mm_add_pd(_mm256_castpd256_pd128(h), _mm256_extractf128_pd(h, 1));
    return _mm_cvtsd_f64(_mm_add_sd(q, _mm_unpackhi_pd(q, q)));
}

// toPcm16 of eight floats.
VH_AVX512 inline __m128i toPcm16x8(__m256 f) {
    __m512d v = _mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(f), _mm512_set1_pd(32768.0)), _mm512_set1_pd(0.5));
    __mmask8 number = _mm512_cmp_pd_mask(v, v, _CMP_ORD_Q);
    v = _mm512_min_pd(_mm512_max_pd(v, _mm512_set1_pd(-32768.0)), _mm512_set1_pd(32767.0));
    __m256i i32 = _mm512_maskz_cvttpd_epi32(number, v);  // NaN as 0, the rest truncated
    return _mm_packs_epi32(_mm256_castsi256_si128(i32), _mm256_extracti128_si256(i32, 1));
}

VH_AVX512 void phaseRunAvx512(const double* left, const double* right, std::ptrdiff_t windowStep, int32_t count,
                              const float* taps, int32_t vectors, int16_t* out, std::ptrdiff_t outStep) {
    int32_t i = 0;
    // Four outputs at a time: one coefficient load feeds eight FMAs.
    constexpr int kGroup = 4;
    for (; i + kGroup <= count; i += kGroup) {
        const double* l = left + i * windowStep;
        const double* r = right + i * windowStep;
        __m512d acc[2 * kGroup];
        for (int n = 0; n < 2 * kGroup; ++n) acc[n] = _mm512_setzero_pd();
        for (int k = 0; k < 8 * vectors; k += 8) {
            __m512d t = _mm512_cvtps_pd(_mm256_load_ps(taps + k));
            for (int n = 0; n < kGroup; ++n) {
                acc[2 * n] = _mm512_fmadd_pd(_mm512_load_pd(l + n * windowStep + k), t, acc[2 * n]);
                acc[2 * n + 1] = _mm512_fmadd_pd(_mm512_load_pd(r + n * windowStep + k), t, acc[2 * n + 1]);
            }
        }
        // Sums in the order L0, L2, R0, R2, L1, L3, R1, R3, rounded to float.
        __m256 sums = _mm512_cvtpd_ps(reduceAvx512x8(acc));
        // Into L0, R0, L1, R1, L2, R2, L3, R3, converted as toPcm16 does.
        __m256i order = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
        alignas(16) int16_t samples[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(samples), toPcm16x8(_mm256_permutevar8x32_ps(sums, order)));
        for (int n = 0; n < kGroup; ++n) std::memcpy(out + (i + n) * outStep, samples + 2 * n, 4);
    }
    for (; i < count; ++i) {
        const double* l = left + i * windowStep;
        const double* r = right + i * windowStep;
        __m512d accL = _mm512_setzero_pd(), accR = accL;
        for (int k = 0; k < 8 * vectors; k += 8) {
            __m512d t = _mm512_cvtps_pd(_mm256_load_ps(taps + k));
            accL = _mm512_fmadd_pd(_mm512_load_pd(l + k), t, accL);
            accR = _mm512_fmadd_pd(_mm512_load_pd(r + k), t, accR);
        }
        out[i * outStep] = toPcm16(float(reduceAvx512(accL)));
        out[i * outStep + 1] = toPcm16(float(reduceAvx512(accR)));
    }
}

#endif  // VH_X86

}  // namespace

PhaseRunFn phaseRunFor(ResamplerKernel kernel) {
    switch (kernel) {
    case ResamplerKernel::Portable:
        return phaseRunPortable;
#ifdef VH_X86
    case ResamplerKernel::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? phaseRunAvx2 : nullptr;
    case ResamplerKernel::Avx512:
        return __builtin_cpu_supports("avx512f") ? phaseRunAvx512 : nullptr;
#endif
    default:
        return nullptr;
    }
}

}  // namespace vh::resampler
