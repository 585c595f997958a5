#include "audio/SoundSource.h"

namespace vh {

SoundSource::~SoundSource() { unlink(); }

void SoundSource::unlink() {
    next_->prev_ = prev_;
    prev_->next_ = next_;
    next_ = prev_ = this;
}

void SoundSource::insertAfter(SoundSource& anchor) {
    next_ = anchor.next_;
    prev_ = &anchor;
    anchor.next_->prev_ = this;
    anchor.next_ = this;
}

template <bool Add>
void SoundSource::renderMono(float* out, int32_t frames) {
    for (int32_t i = 0; i < frames; ++i) {
        if (count_ <= 0 || !data_) {
            data_ = nullptr;
            count_ = 0;
            refill(&data_, &count_);
            if (!data_ || count_ <= 0) {
                data_ = nullptr;
                count_ = 0;
                // Out of data: render leaves silence behind, renderAdd leaves
                // the rest of the mix as it is.
                if constexpr (!Add) {
                    for (int32_t k = 2 * i; k < 2 * frames; ++k) out[k] = 0.0f;
                }
                return;
            }
        }
        const float sample = *data_++;
        --count_;
        if constexpr (Add) {
            out[2 * i] += gainLeft * sample;
            out[2 * i + 1] += gainRight * sample;
        } else {
            out[2 * i] = gainLeft * sample;
            out[2 * i + 1] = gainRight * sample;
        }
    }
}

void SoundSource::render(float* out, int32_t frames) { renderMono<false>(out, frames); }

void SoundSource::renderAdd(float* out, int32_t frames) { renderMono<true>(out, frames); }

void SoundSource::refill(const float** data, int32_t* count) {
    *data = nullptr;
    *count = 0;
}

}  // namespace vh
