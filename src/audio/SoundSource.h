#pragma once

#include <cstdint>

namespace vh {

// Something the playback engine mixes. Sources sit in the engine's circular
// mix list through their own links; a source in no list points to itself
// both ways.
//
// The base class plays mono float samples (data, count) through its two
// gains and asks refill() for more when they run out. Subclasses that make
// their own frames (the ClipPlayer) override render and renderAdd.
//
// UI thread only, like the engine that calls it.
class SoundSource {
public:
    SoundSource() = default;
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;
    // Leaves the list it is in, so the list never points at a dead source.
    virtual ~SoundSource();

    // Writes `frames` interleaved stereo frames into out, overwriting.
    virtual void render(float* out, int32_t frames);
    // Adds `frames` interleaved stereo frames onto what out holds.
    virtual void renderAdd(float* out, int32_t frames);
    // Supplies the next mono samples; the base supplies none (null, 0).
    virtual void refill(const float** data, int32_t* count);

    bool isLinked() const { return next_ != this; }
    // Takes the source out of its list; it then points to itself.
    void unlink();
    // Links this (unlinked) source in right after `anchor`.
    void insertAfter(SoundSource& anchor);
    SoundSource* next() const { return next_; }
    SoundSource* prev() const { return prev_; }

    float gainLeft = 0.0f;
    float gainRight = 0.0f;

protected:
    // Mono samples still to play and how many; data may be null.
    const float* data_ = nullptr;
    int32_t count_ = 0;

private:
    template <bool Add>
    void renderMono(float* out, int32_t frames);

    SoundSource* next_ = this;
    SoundSource* prev_ = this;
};

}  // namespace vh
