#include "audio/PlaybackEngine.h"

#include <algorithm>
#include <new>

#include "audio/RandomGenerator.h"

namespace vh {

namespace {

std::unique_ptr<PlaybackEngine>& registeredEngine() {
    static std::unique_ptr<PlaybackEngine> engine;
    return engine;
}

uint32_t gTickCounter = PlaybackEngine::kFirstTickCounter;

int16_t toSample(float value) {
    // The C conversion of value × 32767.0: a double, truncated toward zero.
    const double scaled = double(value) * 32767.0;
    if (scaled >= 32767.0) return 32767;
    if (scaled <= -32768.0) return -32768;
    if (scaled != scaled) return 0;  // NaN
    return int16_t(scaled);
}

}  // namespace

PlaybackEngine::PlaybackEngine(std::unique_ptr<SoundOutput> output) : output_(std::move(output)) {
    mixList_.gainLeft = kMixGain;
    mixList_.gainRight = kMixGain;
}

PlaybackEngine::~PlaybackEngine() {
    // Sources outlive the engine in no list of ours.
    while (mixList_.next() != &mixList_) mixList_.next()->unlink();
}

PlaybackEngine* PlaybackEngine::create(std::unique_ptr<SoundOutput> output, Prompts& prompts,
                                       const std::function<void()>& closeMainWindow) {
    auto fail = [&]() -> PlaybackEngine* {
        prompts.message("", "Unable to initialize DirectSound\n");
        if (closeMainWindow) closeMainWindow();
        return nullptr;
    };
    if (registeredEngine() || !output) return fail();
    std::unique_ptr<PlaybackEngine> engine(new (std::nothrow) PlaybackEngine(std::move(output)));
    if (!engine || !engine->output_->open()) return fail();
    engine->mix_.reset(new (std::nothrow) float[kMixFloats]);
    if (!engine->mix_) return fail();
    // Nothing is attached yet: one whole ring of silence; the write position
    // comes back to 0.
    engine->fillBuffer(kBufferBytes);
    engine->output_->play();
    registeredEngine() = std::move(engine);
    return registeredEngine().get();
}

PlaybackEngine* PlaybackEngine::instance() { return registeredEngine().get(); }

void PlaybackEngine::shutdownEngine() {
    std::unique_ptr<PlaybackEngine> engine = std::move(registeredEngine());
    engine.reset();
}

// UI thread only.
void PlaybackEngine::onTimer() {
    ++gTickCounter;
    processRandom().seed(gTickCounter);
    PlaybackEngine* engine = instance();
    if (!engine) return;
    const std::optional<uint32_t> cursor = engine->output_->playCursor();
    // A cursor that cannot be read (or makes no sense) skips this tick.
    if (!cursor || *cursor >= kBufferBytes) return;
    int64_t amount = int64_t(*cursor) - int64_t(engine->writePosition_);
    if (amount < 0) amount += kBufferBytes;
    // The device may be copying the bytes just ahead of the cursor. When the
    // write position lies among them (after resumeOutput with the cursor far
    // on, or after a stall of about a second), the span starts past them
    // instead, and they play what they already held.
    const uint32_t guard = (std::min(engine->output_->readAhead(), kBufferBytes / 2) + 3) / 4 * 4;
    if (amount > int64_t(kBufferBytes - guard)) {
        engine->writePosition_ = (*cursor + guard) % kBufferBytes;
        amount = kBufferBytes - guard;
    }
    engine->fillBuffer(uint32_t(amount));
}

uint32_t PlaybackEngine::tickCounter() { return gTickCounter; }

void PlaybackEngine::attachSource(SoundSource& source) {
    if (source.isLinked()) source.unlink();
    source.insertAfter(mixList_);
}

void PlaybackEngine::stopOutput() { output_->stop(); }

void PlaybackEngine::resumeOutput() {
    writePosition_ = 0;
    output_->play();
}

SoundOutput::LockStatus PlaybackEngine::fillBuffer(uint32_t bytes) {
    if (bytes == 0) return SoundOutput::LockStatus::ok;
    SoundOutput::Regions regions;
    SoundOutput::LockStatus status = output_->lock(writePosition_, bytes, regions);
    if (status == SoundOutput::LockStatus::lost) {
        output_->restore();
        regions = SoundOutput::Regions{};
        status = output_->lock(writePosition_, bytes, regions);
    }
    if (status != SoundOutput::LockStatus::ok) return status;
    if (regions.bytes1 != 0) mixRegion(regions.region1, regions.bytes1);
    if (regions.bytes2 != 0) mixRegion(regions.region2, regions.bytes2);
    output_->unlock(regions);
    writePosition_ = (writePosition_ + bytes) % kBufferBytes;
    return status;
}

void PlaybackEngine::mixRegion(int16_t* out, uint32_t bytes) {
    const int32_t frames = int32_t(std::min(bytes, kBufferBytes) / SoundOutput::kBytesPerFrame);
    const int32_t samples = 2 * frames;
    SoundSource* source = mixList_.next();
    if (source == &mixList_) {
        std::fill(out, out + samples, int16_t(0));
        return;
    }
    float* mix = mix_.get();
    source->render(mix, frames);
    for (source = source->next(); source != &mixList_; source = source->next()) source->renderAdd(mix, frames);
    for (int32_t i = 0; i < samples; ++i) out[i] = toSample(mix[i]);
}

}  // namespace vh
