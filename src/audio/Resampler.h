#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "audio/Decoder.h"

namespace vh {

// Converts 24000 Hz float frames to the WAV file's rate (24000 or 44100 Hz)
// with a 256-tap polyphase sinc interpolator and writes the WAV file.
//
// The stream it computes: s[i] is 0 for i < 127, input frame n for i = 127 + n,
// and 0 after the last input frame (the padding). With L phases and phase step
// M (out / g and in / g, g the rates' gcd), output frame m has window start
// j = floor(m × M / L) and phase p = m × M mod L; phase 0 is s[j + 127]
// unchanged, any other phase is Σ_k s[j + k] × T_p[k] over k = 0..255, summed
// in double in the order described in ResamplerKernels.h and rounded once to
// float. Every path below writes the same bytes.
//
// Not thread-safe: one thread (the export's) calls every member. The block
// paths may run helper threads of their own between beginExport and
// finishExport.

// Which code converts the frames. A kernel the processor lacks is replaced by
// Portable; kernel() tells which one ran.
enum class ResamplerKernel {
    Auto,       // the fastest block kernel this processor runs
    Reference,  // the frame-by-frame ring algorithm, one output at a time
    Portable,   // block kernel in plain C++ (any processor)
    Avx2,       // block kernel with AVX2 + FMA
    Avx512,     // block kernel with AVX-512F
};

struct ResamplerOptions {
    ResamplerKernel kernel = ResamplerKernel::Auto;
    // Threads that convert blocks, the caller's included: 0 = one per
    // hardware thread, 1 = everything on the caller's thread.
    int32_t threads = 0;
    // Input frames gathered before a block is converted (block kernels only).
    int32_t blockFrames = 65536;
};

// The 44-byte header, placeholder and final: 16-bit PCM, 2 channels.
//   0 "RIFF"   4 u32 36 + 4 × frames   8 "WAVE"   12 "fmt "   16 u32 16
//   20 u16 1 (PCM)   22 u16 2 (channels)   24 u32 rate   28 u32 rate × 4
//   32 u16 4 (block align)   34 u16 16 (bits)   36 "data"   40 u32 4 × frames
// The placeholder has 0 at 4, 24, 28 and 40.
constexpr int32_t kWavHeaderBytes = 44;
// The most frames whose sizes fit the header's 32-bit fields.
constexpr int64_t kWavMaxFrames = (int64_t(UINT32_MAX) - 36) / 4;
std::array<uint8_t, kWavHeaderBytes> wavHeader(int32_t rate, int64_t frames);
std::array<uint8_t, kWavHeaderBytes> wavPlaceholderHeader();

// Input frames measured in CD frames of 1/75 s, rounded up.
int64_t cdFramesFor(int64_t inputFrames, int32_t inputRate);
// Output frames of an export padded to cdFrames whole CD frames.
int64_t paddedOutputFrames(int64_t cdFrames, int32_t outputRate);

// Fills the 256 taps of phase p of L: sin(x)/x, x = ((127 − k) + p / L) × π'
// with π' the float 3.1415925f, computed in double and stored as float.
// Phase 0 is built like the others; its tap 127 (0/0) is never read.
void buildPhaseTable(float table[256], int32_t p, int32_t L);

// Takes the converted frames in place of a WAV file: interleaved left/right
// 16-bit samples in host order, in output order, on the thread that pushes
// and finishes.
class PcmSink {
public:
    virtual ~PcmSink() = default;
    // False stops the conversion; finishExport then returns false.
    virtual bool writePcm(const int16_t* interleaved, int64_t frames) = 0;
};

struct alignas(64) PhaseTaps {
    float tap[256];
};

class Resampler final : public FrameSink {
public:
    Resampler();
    explicit Resampler(const ResamplerOptions& options);
    ~Resampler() override;
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Takes over `file` (opened "wb"; finishExport closes it), builds the
    // phase tables and writes the placeholder header. False when the rates
    // are unusable (not 1..1000000 Hz, further than 64× apart, or more than
    // 1024 phases) or the file is null; the export then still calls
    // finishExport, which closes the file and returns false.
    bool beginExport(std::FILE* file, int32_t inputRate, int32_t outputRate);
    // The same conversion into a sink instead of a file: no header, and
    // finishExport pads the output as for a WAV file and closes nothing.
    bool beginConversion(PcmSink& sink, int32_t inputRate, int32_t outputRate);

    // One input frame, full scale ±1.0. NaN is taken as 0 and infinities as
    // the largest float (decoded audio holds neither), so every path agrees.
    void pushFrame(float left, float right);
    void pushFrames(const float* interleaved, int32_t frames) override;

    // Frames pushed so far in CD frames (1/75 s), rounded up: the CUE index of
    // a track that starts now. Depends only on the frames pushed.
    int64_t cdFramePosition() const;

    // Pads the output to whole CD frames, writes the final header over the
    // placeholder and closes the file. False if any write, the seek or the
    // close failed, or the data outgrew what a WAV header can describe.
    bool finishExport();

    // True once a write has failed: the export may stop early; finishExport
    // will return false.
    bool failed() const;

    int64_t framesPushed() const { return framesPushed_; }
    // Output frames handed to the file. The block kernels convert a block at a
    // time, so this trails the input until finishExport.
    int64_t framesWritten() const;
    int32_t phaseCount() const { return phases_; }  // L
    int32_t phaseStep() const { return step_; }     // M
    // The kernel in use (Auto resolved) after beginExport.
    ResamplerKernel kernel() const { return kernel_; }

    static bool kernelSupported(ResamplerKernel kernel);
    static ResamplerKernel bestKernel();

    // Internal: the conversion paths and the WAV output (ResamplerEngine.h).
    struct Engine;
    struct Output;

private:
    bool begin(std::FILE* file, PcmSink* sink, int32_t inputRate, int32_t outputRate);

    ResamplerOptions options_;
    ResamplerKernel kernel_ = ResamplerKernel::Auto;
    int32_t inputRate_ = 0;
    int32_t outputRate_ = 0;
    int32_t phases_ = 0;  // L
    int32_t step_ = 0;    // M
    int64_t framesPushed_ = 0;
    bool begun_ = false;
    bool finished_ = false;
    std::vector<PhaseTaps> tables_;
    std::unique_ptr<Output> output_;
    std::unique_ptr<Engine> engine_;
};

}  // namespace vh
