#include "audio/Resampler.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <thread>

#include "audio/ResamplerEngine.h"

namespace vh {
namespace {

void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

void putU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

std::array<uint8_t, kWavHeaderBytes> headerFields(uint32_t riffBytes, uint32_t rate, uint32_t dataBytes) {
    std::array<uint8_t, kWavHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    putU32(&h[4], riffBytes);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    putU32(&h[16], 16);
    putU16(&h[20], 1);
    putU16(&h[22], 2);
    putU32(&h[24], rate);
    putU32(&h[28], rate * 4);
    putU16(&h[32], 4);
    putU16(&h[34], 16);
    std::memcpy(&h[36], "data", 4);
    putU32(&h[40], dataBytes);
    return h;
}

// Greatest common divisor by repeated subtraction; both rates are positive.
int32_t rateGcd(int32_t a, int32_t b) {
    while (a != b) {
        if (a > b)
            a -= b;
        else
            b -= a;
    }
    return a;
}

constexpr int32_t kMaxRate = 1000000;
constexpr int32_t kMaxRatio = 64;
constexpr int32_t kMaxPhases = 1024;

}  // namespace

std::array<uint8_t, kWavHeaderBytes> wavHeader(int32_t rate, int64_t frames) {
    return headerFields(uint32_t(36 + 4 * frames), uint32_t(rate), uint32_t(4 * frames));
}

std::array<uint8_t, kWavHeaderBytes> wavPlaceholderHeader() { return headerFields(0, 0, 0); }

int64_t cdFramesFor(int64_t inputFrames, int32_t inputRate) {
    return (inputFrames * 75 + inputRate - 1) / inputRate;
}

int64_t paddedOutputFrames(int64_t cdFrames, int32_t outputRate) {
    return (int64_t(outputRate) * cdFrames + 74) / 75;
}

void buildPhaseTable(float table[256], int32_t p, int32_t L) {
    const double pi = double(3.1415925f);  // 3.141592502593994140625
    for (int k = 0; k < 256; ++k) {
        double x = (double(127 - k) + double(p) / double(L)) * pi;
        table[k] = float(std::sin(x) / x);
    }
}

// ---- Output ----

bool Resampler::Output::writeBytes(const void* bytes, std::size_t count) {
    if (failed || !file) {
        failed = true;
        return false;
    }
    if (count > 0 && std::fwrite(bytes, 1, count, file) != count) failed = true;
    return !failed;
}

void Resampler::Output::writeFrames(const int16_t* samples, int64_t frameCount) {
    if (!ok() || frameCount <= 0) return;
    if (sink) {
        if (sink->writePcm(samples, frameCount)) frames += frameCount;
        else failed = true;
        return;
    }
    if (frameCount > kWavMaxFrames - frames) {
        // The header could not describe more: keep what fits, then stop.
        frameCount = kWavMaxFrames - frames;
        tooLong = true;
    }
    if constexpr (std::endian::native == std::endian::little) {
        if (writeBytes(samples, std::size_t(frameCount) * 4)) frames += frameCount;
    } else {
        uint8_t chunk[4096];
        int64_t done = 0;
        while (done < frameCount) {
            int64_t n = std::min<int64_t>(frameCount - done, sizeof chunk / 4);
            for (int64_t i = 0; i < 2 * n; ++i) putU16(&chunk[2 * i], uint16_t(samples[2 * done + i]));
            if (!writeBytes(chunk, std::size_t(n) * 4)) return;
            done += n;
            frames += n;
        }
    }
}

bool Resampler::Output::finish(int32_t rate) {
    if (sink) return ok();
    if (!file) return false;
    auto header = wavHeader(rate, frames);
    if (!failed && std::fseek(file, 0, SEEK_SET) != 0) failed = true;
    if (!failed && std::fwrite(header.data(), 1, header.size(), file) != header.size()) failed = true;
    if (std::fclose(file) != 0) failed = true;
    file = nullptr;
    return ok();
}

void Resampler::Output::abandon() {
    if (file) std::fclose(file);
    file = nullptr;
}

// ---- Resampler ----

Resampler::Resampler() : Resampler(ResamplerOptions{}) {}

Resampler::Resampler(const ResamplerOptions& options) : options_(options) {}

Resampler::~Resampler() {
    engine_.reset();  // joins its threads before the file goes
    if (output_) output_->abandon();
}

bool Resampler::kernelSupported(ResamplerKernel kernel) {
    if (kernel == ResamplerKernel::Auto || kernel == ResamplerKernel::Reference) return true;
    return resampler::phaseRunFor(kernel) != nullptr;
}

ResamplerKernel Resampler::bestKernel() {
    for (ResamplerKernel k : {ResamplerKernel::Avx512, ResamplerKernel::Avx2})
        if (kernelSupported(k)) return k;
    return ResamplerKernel::Portable;
}

bool Resampler::beginExport(std::FILE* file, int32_t inputRate, int32_t outputRate) {
    return begin(file, nullptr, inputRate, outputRate);
}

bool Resampler::beginConversion(PcmSink& sink, int32_t inputRate, int32_t outputRate) {
    return begin(nullptr, &sink, inputRate, outputRate);
}

bool Resampler::begin(std::FILE* file, PcmSink* sink, int32_t inputRate, int32_t outputRate) {
    begun_ = true;
    finished_ = false;
    framesPushed_ = 0;
    engine_.reset();
    if (output_) output_->abandon();
    output_ = std::make_unique<Output>();
    output_->file = file;
    output_->sink = sink;
    inputRate_ = inputRate;
    outputRate_ = outputRate;
    phases_ = step_ = 0;
    tables_.clear();

    bool usable = inputRate > 0 && outputRate > 0 && inputRate <= kMaxRate && outputRate <= kMaxRate &&
                  int64_t(inputRate) <= int64_t(kMaxRatio) * outputRate &&
                  int64_t(outputRate) <= int64_t(kMaxRatio) * inputRate;
    if (usable) {
        int32_t g = rateGcd(inputRate, outputRate);
        phases_ = outputRate / g;
        step_ = inputRate / g;
        usable = phases_ <= kMaxPhases;
    }
    if (!usable || (!file && !sink)) {
        output_->failed = true;
        phases_ = step_ = 0;
        return false;
    }

    tables_.resize(std::size_t(phases_));
    for (int32_t p = 0; p < phases_; ++p) buildPhaseTable(tables_[std::size_t(p)].tap, p, phases_);

    if (file) {
        auto placeholder = wavPlaceholderHeader();
        output_->writeBytes(placeholder.data(), placeholder.size());
    }

    resampler::EngineSetup setup{tables_.data(), phases_, step_, output_.get()};
    kernel_ = options_.kernel == ResamplerKernel::Auto ? bestKernel() : options_.kernel;
    resampler::PhaseRunFn run = resampler::phaseRunFor(kernel_);
    if (kernel_ != ResamplerKernel::Reference && !run) {
        kernel_ = ResamplerKernel::Portable;  // asked for an instruction set this processor lacks
        run = resampler::phaseRunFor(kernel_);
    }
    if (kernel_ == ResamplerKernel::Reference) {
        engine_ = resampler::makeReferenceEngine(setup);
    } else {
        int32_t threads = options_.threads > 0 ? options_.threads : int32_t(std::thread::hardware_concurrency());
        engine_ = resampler::makeBlockEngine(setup, run, std::max(threads, 1), std::max(options_.blockFrames, 1));
    }
    return output_->ok();
}

void Resampler::pushFrame(float left, float right) {
    if (!engine_) return;
    ++framesPushed_;
    if (output_->ok()) engine_->pushFrame(left, right);
}

void Resampler::pushFrames(const float* interleaved, int32_t frames) {
    if (!engine_ || frames <= 0) return;
    framesPushed_ += frames;
    if (output_->ok()) engine_->pushFrames(interleaved, frames);
}

int64_t Resampler::cdFramePosition() const {
    return inputRate_ > 0 ? cdFramesFor(framesPushed_, inputRate_) : 0;
}

bool Resampler::failed() const { return output_ && !output_->ok(); }

int64_t Resampler::framesWritten() const {
    if (engine_) return engine_->framesWritten();
    return output_ ? output_->frames : 0;
}

bool Resampler::finishExport() {
    if (!begun_ || finished_ || !output_) return false;
    finished_ = true;
    if (engine_ && output_->ok()) {
        // Past kWavMaxFrames the output stops and finish reports the failure.
        engine_->finish(paddedOutputFrames(cdFramePosition(), outputRate_));
    }
    engine_.reset();
    bool ok = output_->finish(outputRate_);
    tables_.clear();
    tables_.shrink_to_fit();
    return ok;
}

}  // namespace vh
