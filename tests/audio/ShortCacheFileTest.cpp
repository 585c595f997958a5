// A stream file in CACHE that ends before the catalogue says it should (an
// interrupted copy made by hand, a damaged disk): the clip that runs into the
// end decodes up to its last whole block, and nothing reads past.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "audio/ClipPlayer.h"
#include "audio/Decoder.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4;

struct Cut {
    const char* where;
    std::size_t bytesOfLastClip;  // what is left of it in the file
    int32_t blocks;               // what decodes
};

struct Counter : FrameSink {
    int64_t frames = 0;
    int64_t wrong = 0;
    void pushFrames(const float* interleaved, int32_t count) override {
        for (int32_t i = 0; i < 2 * count; ++i) wrong += interleaved[i] != 3.0f / 32768.0f;  // code 3
        frames += count;
    }
};

class ShortCacheFile : public ::testing::TestWithParam<Cut> {};

TEST_P(ShortCacheFile, DecodesUpToTheLastWholeBlock) {
    const Cut cut = GetParam();
    test::TestCatalogue made;
    const int before = made.add(kCH, {Chatter, "Before", "", 10, 3});
    const int last = made.add(kCH, {Chatter, "Long", "", 4100, 3});
    GameData& data = made.load();
    const Clip& clip = data.table()[kCH].clips[last];
    const fs::path pak = made.workDir() / "CACHE/CH.PAK";
    fs::resize_file(pak, clip.offset + cut.bytesOfLastClip);

    auto whole = data.loadClipData(kCH, before);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->blockCount(), 10);

    auto track = std::make_unique<PlaylistTrack>();
    track->clip = &clip;
    track->mainAudio = data.loadClipData(kCH, last);
    ASSERT_TRUE(track->mainAudio);
    EXPECT_EQ(track->mainAudio->size(), cut.bytesOfLastClip);  // what the file holds
    EXPECT_EQ(track->mainAudio->validBytes(), cut.bytesOfLastClip);
    EXPECT_EQ(track->mainAudio->blockCount(), cut.blocks);

    Counter exported;
    EXPECT_EQ(exportTrack(*track, exported, nullptr), 28 * cut.blocks);
    EXPECT_EQ(exported.frames, 28 * cut.blocks);
    EXPECT_EQ(exported.wrong, 0);

    // The player plays as much and then lets go of the preview.
    ClipPlayer player;
    player.gainLeft = player.gainRight = 1.0f;
    bool gone = false;
    PreviewDeleter deleter;
    deleter.onDelete = [&] { gone = true; };
    player.startTrack(PreviewTrack(track.release(), deleter), 0);
    std::vector<float> out(2 * (28 * std::size_t(cut.blocks) + 28));
    player.render(out.data(), int32_t(out.size() / 2));
    const std::size_t sounding = std::size_t(std::count(out.begin(), out.end(), 3.0f / 32768.0f));
    EXPECT_EQ(sounding, 2 * 28 * std::size_t(cut.blocks));
    EXPECT_TRUE(gone);
}

// The second clip's header is 8068 bytes; chunk c's right blocks start at
// 8068 + 135168 c + 69632.
INSTANTIATE_TEST_SUITE_P(
    , ShortCacheFile,
    ::testing::Values(Cut{"in the header", 100, 0}, Cut{"before the first right block", 8068 + 69632, 0},
                      Cut{"inside right block 5", 8068 + 69632 + 16 * 5 + 8, 5},
                      Cut{"after chunk 0", 8068 + 135168, 4096},
                      Cut{"inside chunk 1's left blocks", 8068 + 135168 + 4096 + 64, 4096},
                      Cut{"after right block 4098", 8068 + 135168 + 69632 + 16 * 3, 4099},
                      Cut{"nothing missing", 8068 + 2 * 135168, 4100}),
    [](const ::testing::TestParamInfo<Cut>& info) {
        std::string name;
        for (const char* c = info.param.where; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

}  // namespace
}  // namespace vh
