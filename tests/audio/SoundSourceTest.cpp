#include "audio/SoundSource.h"

#include <gtest/gtest.h>

#include <vector>

namespace vh {
namespace {

// Plays the given mono buffers one after the other through the base class.
class MonoSource : public SoundSource {
public:
    explicit MonoSource(std::vector<std::vector<float>> buffers) : buffers_(std::move(buffers)) {
        gainLeft = 0.5f;
        gainRight = 2.0f;
    }
    void refill(const float** data, int32_t* count) override {
        if (next_ < buffers_.size()) {
            *data = buffers_[next_].data();
            *count = int32_t(buffers_[next_].size());
            ++next_;
        } else {
            SoundSource::refill(data, count);
        }
    }

private:
    std::vector<std::vector<float>> buffers_;
    size_t next_ = 0;
};

// The base plays mono data through both gains, asking for more as it runs
// out; when none comes, render leaves silence and renderAdd the mix as it is.
TEST(SoundSource, PlaysMonoDataThroughBothGainsUntilRefillRunsDry) {
    MonoSource source({{1.0f, -1.0f}, {0.25f}});
    std::vector<float> out(8, 9.0f);
    source.render(out.data(), 4);
    EXPECT_EQ(out, (std::vector<float>{0.5f, 2.0f, -0.5f, -2.0f, 0.125f, 0.5f, 0.0f, 0.0f}));

    MonoSource adding(std::vector<std::vector<float>>{{1.0f}});
    std::vector<float> mix(6, 1.0f);
    adding.renderAdd(mix.data(), 3);
    EXPECT_EQ(mix, (std::vector<float>{1.5f, 3.0f, 1.0f, 1.0f, 1.0f, 1.0f}));
}

}  // namespace
}  // namespace vh
