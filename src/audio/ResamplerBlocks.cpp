// The block paths: input is gathered into large blocks, each block's outputs
// are converted by a phase-run kernel on a small pool of threads, and the
// outputs are written in order with one large write per block.
//
// Each block carries the history its first windows need (up to 263 frames
// from the block before, from an eight-frame boundary), so outputs depend only
// on the block's own buffer and can be converted in any order or on any
// thread: the file is the same as the reference path's.
//
// The buffers form a ring. The caller's thread fills one while the pool
// converts the blocks handed over; the caller writes finished blocks in order
// and, when every buffer is taken, converts units itself instead of waiting,
// so a helper thread that the system has put to sleep holds up at most the
// unit it is working on.

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <numeric>
#include <thread>
#include <vector>

#include "audio/ResamplerEngine.h"

namespace vh::resampler {
namespace {

// Memory: per slot 16 bytes per input frame and 4 bytes per output frame, so
// the default 65536-frame blocks take about 6 MiB in all and the largest
// about 25 MiB.
constexpr int32_t kMaxBlockFrames = 1 << 18;
// Outputs converted together per phase and shift: runs of eight keep the
// windows they read (at 44.1 kHz 8 × 80 + 263 frames) in the first-level cache.
constexpr int64_t kRunOutputs = 8;
// Outputs a thread takes at a time.
constexpr int64_t kUnitOutputs = 8192;
// Buffers in the ring: one being filled, the others converting or waiting to
// be written, so the caller seldom waits for a particular thread.
constexpr int kSlots = 4;

// Frames of one channel, 64-byte aligned so that eight frames are one aligned
// load, with eight zero frames past the end for the last window's padding.
class FrameArray {
public:
    void allocate(int32_t frames) {
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

// The caller's thread (the export's) pushes, hands blocks over, writes the
// output and helps convert; the pool threads only convert units.
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
          shifted_(std::size_t(phases_) * 8) {
        int64_t maxOutputs = int64_t(capacity_) * phases_ / step_ + 2;
        for (int n = 0; n < kSlots; ++n) {
            buffers_[n].left.allocate(capacity_);
            buffers_[n].right.allocate(capacity_);
            outputs_[n].resize(std::size_t(2 * maxOutputs));
        }
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
        drain();
    }

    int64_t framesWritten() const override { return output_.frames; }

private:
    struct Buffer {
        FrameArray left, right;
        int64_t start = 0;  // stream index of element 0, a multiple of 8
        int32_t count = 0;
    };

    // Hands the block in the current buffer to the pool, converted as far as
    // its windows reach, and continues in a free buffer that starts with the
    // history the next outputs need.
    void dispatch() {
        const int full = current_;
        const Buffer& b = buffers_[full];
        int64_t streamEnd = b.start + b.count;
        int64_t lastWindow = streamEnd - 256;  // last window start with all its frames
        int64_t end = lastWindow >= 0 ? ((lastWindow + 1) * phases_ + step_ - 1) / step_ : 0;
        end = std::max(std::min(end, limit_), nextOutput_);
        submit(full, nextOutput_, end);
        nextOutput_ = end;

        int free = acquireSlot();
        Buffer& next = buffers_[free];
        int64_t keepFrom = std::min(end * step_ / phases_, streamEnd) & ~int64_t(7);
        int64_t keep = streamEnd - keepFrom;
        std::copy_n(b.left.data() + (keepFrom - b.start), keep, next.left.data());
        std::copy_n(b.right.data() + (keepFrom - b.start), keep, next.right.data());
        next.start = keepFrom;
        next.count = int32_t(keep);
        current_ = free;
    }

    // Waits for every block handed over and writes the rest of the output.
    void drain() {
        for (;;) {
            collectFinished();
            if (queued_ == 0) return;
            helpOrWait();
        }
    }

    void submit(int slot, int64_t first, int64_t end) {
        {
            std::lock_guard lock(mutex_);
            jobs_[slot] = Job{first, end, (end - first + unitOutputs_ - 1) / unitOutputs_, 0, 0};
            queue_[(head_ + queued_) % kSlots] = slot;
            ++queued_;
        }
        wake_.notify_all();
    }

    // A buffer neither being filled nor waiting for conversion; writes the
    // outputs of finished blocks in order and helps the pool meanwhile.
    int acquireSlot() {
        for (;;) {
            collectFinished();
            bool busy[kSlots] = {};
            busy[current_] = true;
            for (int i = 0; i < queued_; ++i) busy[queue_[(head_ + i) % kSlots]] = true;
            for (int slot = 0; slot < kSlots; ++slot)
                if (!busy[slot]) return slot;
            helpOrWait();
        }
    }

    // Writes the outputs of the oldest blocks whose conversion is complete.
    // Only the caller's thread changes head_ and queued_.
    void collectFinished() {
        for (;;) {
            int slot;
            {
                std::lock_guard lock(mutex_);
                if (queued_ == 0) return;
                slot = queue_[head_];
                if (jobs_[slot].done < jobs_[slot].units) return;
                head_ = (head_ + 1) % kSlots;
                --queued_;
            }
            const Job& job = jobs_[slot];
            output_.writeFrames(outputs_[slot].data(), job.end - job.first);
        }
    }

    // Converts one unit of any waiting block, or sleeps until the oldest
    // block is complete or there is a unit to take.
    void helpOrWait() {
        std::unique_lock lock(mutex_);
        int slot;
        int64_t unit;
        if (takeUnit(slot, unit)) {
            runUnit(lock, slot, unit);
            return;
        }
        finished_.wait(lock, [this] {
            if (queued_ == 0) return true;
            const Job& oldest = jobs_[queue_[head_]];
            return oldest.done == oldest.units || unitAvailable();
        });
    }

    void workerLoop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || unitAvailable(); });
            if (stop_) return;
            int slot;
            int64_t unit;
            if (takeUnit(slot, unit)) runUnit(lock, slot, unit);
        }
    }

    // With the mutex held: the next unit of the oldest block that has one.
    bool takeUnit(int& slot, int64_t& unit) {
        for (int i = 0; i < queued_; ++i) {
            Job& job = jobs_[queue_[(head_ + i) % kSlots]];
            if (job.next < job.units) {
                slot = queue_[(head_ + i) % kSlots];
                unit = job.next++;
                return true;
            }
        }
        return false;
    }

    bool unitAvailable() const {
        for (int i = 0; i < queued_; ++i) {
            const Job& job = jobs_[queue_[(head_ + i) % kSlots]];
            if (job.next < job.units) return true;
        }
        return false;
    }

    // Converts a unit with the mutex released; the block's buffer is
    // read-only and each unit writes its own stretch of the outputs.
    void runUnit(std::unique_lock<std::mutex>& lock, int slot, int64_t unit) {
        const Job job = jobs_[slot];
        lock.unlock();
        int64_t a = job.first + unit * unitOutputs_;
        int64_t z = std::min(job.end, a + unitOutputs_);
        convert(buffers_[slot], a, z, outputs_[slot].data() + 2 * (a - job.first));
        lock.lock();
        if (++jobs_[slot].done == jobs_[slot].units) finished_.notify_all();
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

    // Outputs [first, end) of the block in the buffer of the same slot;
    // guarded by the mutex.
    struct Job {
        int64_t first = 0;
        int64_t end = 0;
        int64_t units = 0;
        int64_t next = 0;  // next unit to hand out
        int64_t done = 0;  // units converted
    };

    Buffer buffers_[kSlots];
    std::vector<ShiftedTaps> shifted_;  // [p × 8 + shift]
    std::vector<int16_t> outputs_[kSlots];
    int current_ = 0;            // the buffer being filled
    int64_t nextOutput_ = 0;     // first output not yet handed over
    int64_t limit_ = INT64_MAX;  // outputs wanted in all (set by finish)

    std::mutex mutex_;
    Job jobs_[kSlots];
    int queue_[kSlots] = {};  // slots handed over, oldest at head_
    int head_ = 0;
    int queued_ = 0;
    bool stop_ = false;
    std::condition_variable wake_;      // workers: a unit to take, or stop
    std::condition_variable finished_;  // caller: a block completed
    std::vector<std::thread> workers_;
};

}  // namespace

std::unique_ptr<Resampler::Engine> makeBlockEngine(const EngineSetup& setup, PhaseRunFn phaseRun, int32_t threads,
                                                   int32_t blockFrames) {
    return std::make_unique<BlockEngine>(setup, phaseRun, threads, blockFrames);
}

}  // namespace vh::resampler
