// The reference path: the ring algorithm, one input frame and one output at a
// time. The block kernels must write exactly what this writes.

#include <vector>

#include "audio/ResamplerEngine.h"

namespace vh::resampler {
namespace {

class ReferenceEngine final : public Resampler::Engine {
public:
    explicit ReferenceEngine(const EngineSetup& setup)
        : tables_(setup.tables), phases_(setup.phases), step_(setup.step), output_(*setup.output) {
        // The ring starts with 127 zero frames counted as filled, so the first
        // output comes at the 129th push and is the first input frame.
        pending_.reserve(kPendingFrames * 2);
    }

    void pushFrame(float left, float right) override {
        if (!store(left, right)) return;
        while (phaseAccumulator_ < phases_) {
            emitPhase(phaseAccumulator_);
            phaseAccumulator_ += step_;
        }
        advance();
    }

    void pushFrames(const float* interleaved, int32_t frames) override {
        for (int32_t i = 0; i < frames; ++i) pushFrame(interleaved[2 * i], interleaved[2 * i + 1]);
    }

    void finish(int64_t target) override {
        // Zero frames, not counted as pushed; phases past the target are not
        // emitted but still move the accumulator.
        while (framesWritten_ < target && output_.ok()) {
            if (!store(0.0f, 0.0f)) continue;
            while (phaseAccumulator_ < phases_) {
                if (framesWritten_ < target) emitPhase(phaseAccumulator_);
                phaseAccumulator_ += step_;
            }
            advance();
        }
        flush();
    }

    int64_t framesWritten() const override { return framesWritten_; }

private:
    static constexpr std::size_t kPendingFrames = 16384;

    // Puts a frame into the ring; true once the ring is full.
    bool store(float left, float right) {
        ringLeft_[writeIndex_] = finiteSample(left);
        ringRight_[writeIndex_] = finiteSample(right);
        writeIndex_ = (writeIndex_ + 1) & 255;
        if (fill_ < 256) ++fill_;
        return fill_ == 256;
    }

    void advance() {
        readIndex_ = (readIndex_ + 1) & 255;
        phaseAccumulator_ -= phases_;
    }

    void emitPhase(int32_t p) {
        if (p == 0) {
            int32_t centre = (readIndex_ + 127) & 255;
            emitFrame(ringLeft_[centre], ringRight_[centre]);
            return;
        }
        // The lanes and tree of ResamplerKernels.h, over the ring oldest first.
        const float* taps = tables_[p].tap;
        double accL[8] = {};
        double accR[8] = {};
        for (int k = 0; k < 256; ++k) {
            int32_t i = (readIndex_ + k) & 255;
            double t = taps[k];
            accL[k & 7] += double(ringLeft_[i]) * t;
            accR[k & 7] += double(ringRight_[i]) * t;
        }
        emitFrame(reduceLanes(accL), reduceLanes(accR));
    }

    void emitFrame(float left, float right) {
        pending_.push_back(toPcm16(left));
        pending_.push_back(toPcm16(right));
        ++framesWritten_;
        if (pending_.size() >= kPendingFrames * 2) flush();
    }

    void flush() {
        output_.writeFrames(pending_.data(), int64_t(pending_.size() / 2));
        pending_.clear();
    }

    const PhaseTaps* tables_;
    int32_t phases_;
    int32_t step_;
    Resampler::Output& output_;

    float ringLeft_[256] = {};
    float ringRight_[256] = {};
    int32_t readIndex_ = 0;
    int32_t phaseAccumulator_ = 0;
    int32_t writeIndex_ = 127;
    int32_t fill_ = 127;
    int64_t framesWritten_ = 0;
    std::vector<int16_t> pending_;
};

}  // namespace

std::unique_ptr<Resampler::Engine> makeReferenceEngine(const EngineSetup& setup) {
    return std::make_unique<ReferenceEngine>(setup);
}

}  // namespace vh::resampler
