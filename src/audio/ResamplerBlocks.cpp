// The block paths: input is gathered into large blocks, each block's outputs
// are converted by a phase-run kernel on a small pool of threads, and the
// outputs are written in order with one large write per block.
//
// Each block carries the history its first windows need (at most 255 frames
// from the block before), so outputs depend only on the block's own buffer and
// can be converted in any order or on any thread: the file is the same as the
// reference path's.
//
// Two buffers alternate: while the pool converts one, the caller fills the
// other and writes the previous block's outputs.

#include <algorithm>
#include <atomic>
#include <new>
#include <numeric>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/ResamplerEngine.h"

namespace vh::resampler {
namespace {

constexpr int32_t kMaxBlockFrames = 1 << 19;
// Outputs converted together per phase and shift: runs of eight keep the
// windows they read (at 44.1 kHz 8 × 80 + 263 frames) in the first-level cache.
constexpr int64_t kRunOutputs = 8;
// Outputs a thread takes at a time.
constexpr int64_t kUnitOutputs = 8192;

// Frames of one channel, 64-byte aligned so that eight frames are one aligned
// load, with eight zero frames past the end for the last window's padding.
class FrameArray {
public:
    explicit FrameArray(int32_t frames) {
        std::size_t size = std::size_t(frames) + 8;
        data_.reset(static_cast<double*>(::operator new[](size * sizeof(double), std::align_val_t(64))));
        std::fill_n(data_.get(), size, 0.0);
    }
    double* data() { return data_.get(); }
    const double* data() const { return data_.get(); }

private:
    struct Free {
        void operator()(double* p) const { ::operator delete[](p, std::align_val_t(64)); }
    };
    std::unique_ptr<double[], Free> data_;
};

class BlockEngine final : public Resampler::Engine {
public:
    BlockEngine(const EngineSetup& setup, PhaseRunFn phaseRun, int32_t threads, int32_t blockFrames)
        : tables_(setup.tables),
          phases_(setup.phases),
          step_(setup.step),
          output_(*setup.output),
          phaseRun_(phaseRun),
          capacity_(std::clamp(blockFrames, 1, kMaxBlockFrames) + 264),
          // Outputs `period` apart share phase and shift: their windows lie
          // a multiple of eight frames apart.
          period_(int64_t(phases_) * (8 / std::gcd(step_, 8))),
          buffers_{Buffer(capacity_), Buffer(capacity_)},
          shifted_(std::size_t(phases_) * 8) {
        int64_t maxOutputs = int64_t(capacity_) * phases_ / step_ + 2;
        for (int n = 0; n < 2; ++n) outputs_[n].resize(std::size_t(2 * maxOutputs));
        for (int32_t p = 0; p < phases_; ++p) {
            for (int shift = 0; shift < 8; ++shift) {
                float* tap = shifted_[std::size_t(p * 8 + shift)].tap;
                std::fill_n(tap, 264, 0.0f);
                std::copy_n(tables_[p].tap, 256, tap + shift);
            }
        }
        // The stream starts with 127 zero frames.
        buffers_[0].count = 127;
        int64_t run = kRunOutputs * period_;
        unitOutputs_ = run * std::max<int64_t>(1, kUnitOutputs / run);
        for (int32_t t = 1; t < threads; ++t) workers_.emplace_back([this] { workerLoop(); });
    }

    ~BlockEngine() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& w : workers_) w.join();
    }

    void pushFrame(float left, float right) override {
        Buffer& b = buffers_[current_];
        b.left.data()[b.count] = finiteSample(left);
        b.right.data()[b.count] = finiteSample(right);
        if (++b.count == capacity_) dispatch();
    }

    void pushFrames(const float* interleaved, int32_t frames) override {
        while (frames > 0) {
            Buffer& b = buffers_[current_];
            int32_t n = std::min(frames, capacity_ - b.count);
            double* l = b.left.data() + b.count;
            double* r = b.right.data() + b.count;
            for (int32_t i = 0; i < n; ++i) {
                l[i] = finiteSample(interleaved[2 * i]);
                r[i] = finiteSample(interleaved[2 * i + 1]);
            }
            interleaved += 2 * n;
            frames -= n;
            b.count += n;
            if (b.count == capacity_) dispatch();
        }
    }

    void finish(int64_t target) override {
        limit_ = target;
        if (target > 0) {
            // Zeros up to the last window the target needs.
            int64_t needed = (target - 1) * step_ / phases_ + 256;
            while (output_.ok()) {
                Buffer& b = buffers_[current_];
                int64_t missing = needed - (b.start + b.count);
                if (missing <= 0) break;
                int32_t n = int32_t(std::min<int64_t>(missing, capacity_ - b.count));
                std::fill_n(b.left.data() + b.count, n, 0.0);
                std::fill_n(b.right.data() + b.count, n, 0.0);
                b.count += n;
                if (b.count == capacity_) dispatch();
            }
        }
        dispatch();
        int64_t frames = waitForJob();
        output_.writeFrames(outputs_[jobSlot_].data(), frames);
    }

    int64_t framesWritten() const override { return output_.frames; }

private:
    struct Buffer {
        explicit Buffer(int32_t capacity) : left(capacity), right(capacity) {}
        FrameArray left, right;
        int64_t start = 0;  // stream index of element 0, a multiple of 8
        int32_t count = 0;
    };

    // Converts the block in the current buffer as far as its windows reach,
    // moves the history into the other buffer and writes the block before.
    void dispatch() {
        const Buffer& b = buffers_[current_];
        int64_t streamEnd = b.start + b.count;
        int64_t lastWindow = streamEnd - 256;  // last window start with all its frames
        int64_t end = lastWindow >= 0 ? ((lastWindow + 1) * phases_ + step_ - 1) / step_ : 0;
        end = std::max(std::min(end, limit_), nextOutput_);

        int64_t doneFrames = waitForJob();
        int doneSlot = jobSlot_;

        Buffer& next = buffers_[current_ ^ 1];
        int64_t keepFrom = std::min(end * step_ / phases_, streamEnd) & ~int64_t(7);
        int64_t keep = streamEnd - keepFrom;
        std::copy_n(b.left.data() + (keepFrom - b.start), keep, next.left.data());
        std::copy_n(b.right.data() + (keepFrom - b.start), keep, next.right.data());
        next.start = keepFrom;
        next.count = int32_t(keep);

        startJob(current_, nextOutput_, end);
        if (doneFrames > 0) output_.writeFrames(outputs_[doneSlot].data(), doneFrames);
        nextOutput_ = end;
        current_ ^= 1;
    }

    // Outputs [first, end) of the buffer `slot` into outputs_[slot].
    void startJob(int slot, int64_t first, int64_t end) {
        {
            std::lock_guard lock(mutex_);
            jobSlot_ = slot;
            jobFirst_ = first;
            jobEnd_ = end;
            jobUnits_ = (end - first + unitOutputs_ - 1) / unitOutputs_;
            nextUnit_.store(0, std::memory_order_relaxed);
            busyWorkers_ = int32_t(workers_.size());
            ++generation_;
            jobPending_ = true;
        }
        wake_.notify_all();
    }

    // Helps with the pending job and waits for it; returns its output frames.
    int64_t waitForJob() {
        if (!jobPending_) return 0;
        runUnits();
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return busyWorkers_ == 0; });
        jobPending_ = false;
        return jobEnd_ - jobFirst_;
    }

    void workerLoop() {
        std::unique_lock lock(mutex_);
        uint64_t seen = 0;
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_) return;
            seen = generation_;
            lock.unlock();
            runUnits();
            lock.lock();
            if (--busyWorkers_ == 0) idle_.notify_one();
        }
    }

    void runUnits() {
        for (;;) {
            int64_t u = nextUnit_.fetch_add(1, std::memory_order_relaxed);
            if (u >= jobUnits_) return;
            int64_t a = jobFirst_ + u * unitOutputs_;
            int64_t z = std::min(jobEnd_, a + unitOutputs_);
            convert(buffers_[jobSlot_], a, z, outputs_[jobSlot_].data() + 2 * (a - jobFirst_));
        }
    }

    // Outputs [a, z) from buffer b into out (interleaved, output a first).
    // Output m reads the window at floor(m × M / L) with phase m × M mod L.
    // Outputs a period apart share phase and shift, so each run of them uses
    // one table; runs of eight keep their windows in the first-level cache.
    void convert(const Buffer& b, int64_t a, int64_t z, int16_t* out) const {
        const int64_t chunk = kRunOutputs * period_;
        const std::ptrdiff_t windowStep = std::ptrdiff_t(period_ / phases_ * step_);
        const std::ptrdiff_t outStep = 2 * std::ptrdiff_t(period_);
        const double* left = b.left.data();
        const double* right = b.right.data();
        for (int64_t first = a; first < z; first += chunk) {
            int64_t last = std::min(z, first + chunk);
            for (int64_t m = first; m < last && m < first + period_; ++m) {
                int64_t pos = m * step_;
                int64_t window = pos / phases_ - b.start;
                int32_t p = int32_t(pos % phases_);
                int32_t count = int32_t((last - m + period_ - 1) / period_);
                int16_t* o = out + 2 * (m - a);
                if (p == 0) {
                    // The centre frame unchanged.
                    for (int32_t i = 0; i < count; ++i) {
                        std::ptrdiff_t c = window + 127 + i * windowStep;
                        o[i * outStep] = toPcm16(float(left[c]));
                        o[i * outStep + 1] = toPcm16(float(right[c]));
                    }
                } else {
                    int32_t shift = int32_t(window & 7);
                    int64_t base = window - shift;
                    phaseRun_(left + base, right + base, windowStep, count, shifted_[std::size_t(p * 8 + shift)].tap,
                              shift ? 33 : 32, o, outStep);
                }
            }
        }
    }

    const PhaseTaps* tables_;
    const int32_t phases_;  // L
    const int32_t step_;    // M
    Resampler::Output& output_;
    const PhaseRunFn phaseRun_;
    const int32_t capacity_;  // frames per buffer, history included
    const int64_t period_;    // outputs between two of the same phase and shift
    int64_t unitOutputs_ = 0;

    Buffer buffers_[2];
    std::vector<ShiftedTaps> shifted_;  // [p × 8 + shift]
    std::vector<int16_t> outputs_[2];
    int current_ = 0;                       // the buffer being filled
    int64_t nextOutput_ = 0;                // first output not yet handed to a job
    int64_t limit_ = INT64_MAX;             // outputs wanted in all (set by finish)

    // The job, written by the caller's thread under the mutex before the
    // workers are woken, and read-only while it runs.
    int jobSlot_ = 0;
    int64_t jobFirst_ = 0;
    int64_t jobEnd_ = 0;
    int64_t jobUnits_ = 0;
    bool jobPending_ = false;
    std::atomic<int64_t> nextUnit_{0};

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    uint64_t generation_ = 0;
    int32_t busyWorkers_ = 0;
    bool stop_ = false;
};

}  // namespace

std::unique_ptr<Resampler::Engine> makeBlockEngine(const EngineSetup& setup, PhaseRunFn phaseRun, int32_t threads,
                                                   int32_t blockFrames) {
    return std::make_unique<BlockEngine>(setup, phaseRun, threads, blockFrames);
}

}  // namespace vh::resampler
