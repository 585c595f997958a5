#pragma once

// Internal to the Resampler: the WAV output and the two ways of converting.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "audio/Resampler.h"
#include "audio/ResamplerKernels.h"

namespace vh {

// The open WAV file. Every write, the seek and the close are checked; after a
// failure nothing more is written and finishExport reports it.
struct Resampler::Output {
    std::FILE* file = nullptr;
    PcmSink* sink = nullptr;  // takes the frames instead of the file when set
    int64_t frames = 0;    // PCM frames written after the header
    bool failed = false;   // a write, seek or close failed
    bool tooLong = false;  // the data would outgrow the header's 32-bit sizes

    bool writeBytes(const void* bytes, std::size_t count);
    // Interleaved left/right samples in host order; stored little-endian.
    void writeFrames(const int16_t* samples, int64_t frameCount);
    // Final header over the placeholder, then close. True if all went well.
    bool finish(int32_t rate);
    // Closes without a header (an export abandoned without finishExport).
    void abandon();
    bool ok() const { return !failed && !tooLong; }
};

struct Resampler::Engine {
    virtual ~Engine() = default;
    virtual void pushFrame(float left, float right) = 0;
    virtual void pushFrames(const float* interleaved, int32_t frames) = 0;
    // Pads with zero frames until exactly `target` output frames exist and
    // hands everything to the output.
    virtual void finish(int64_t target) = 0;
    virtual int64_t framesWritten() const = 0;
};

namespace resampler {

struct EngineSetup {
    const PhaseTaps* tables = nullptr;  // L tables
    int32_t phases = 0;                 // L
    int32_t step = 0;                   // M
    Resampler::Output* output = nullptr;
};

std::unique_ptr<Resampler::Engine> makeReferenceEngine(const EngineSetup& setup);
std::unique_ptr<Resampler::Engine> makeBlockEngine(const EngineSetup& setup, PhaseRunFn phaseRun, int32_t threads,
                                                   int32_t blockFrames);

}  // namespace resampler
}  // namespace vh
