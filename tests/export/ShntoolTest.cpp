#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "export/Exporter.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

// A CD burning tool's view of an exported image: shntool splits the WAV file
// at the CUE sheet's indexes, which it accepts only on whole CD sectors.
TEST(CdImage, ShntoolSplitsItIntoOneFilePerCdTrack) {
    ASSERT_EQ(std::system("command -v shntool >/dev/null 2>&1"), 0) << "shntool (scripts/deps installs it)";
    test::TestCatalogue catalogue;
    const std::vector<int32_t> blocks = {100, 37, 900, 5};
    for (int32_t b : blocks) catalogue.add(4, {Chatter, "Talk", "", b, 2});
    catalogue.load();
    Playlist playlist(catalogue.data());
    for (int c = 0; c < int(blocks.size()); ++c) test::append(playlist, 4, c);
    test::TempDir out;
    ExportContext context(playlist, catalogue.prompts);
    ASSERT_EQ(exportToPath(context, true, out / "image.wav"), ExportOutcome::Done);
    const std::string command = "cd '" + out.path().string() +
                                "' && mkdir split && shntool split -q -f image.cue -d split -o wav image.wav >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    // Track k runs from its index to the next one, in whole sectors of 588 frames.
    std::vector<int64_t> starts;
    int64_t frames = 0;
    for (int32_t b : blocks) starts.push_back((frames + 319) / 320), frames += b * 28;
    starts.push_back((frames + 319) / 320);
    std::vector<fs::path> parts;
    for (auto& entry : fs::directory_iterator(out / "split")) parts.push_back(entry.path());
    std::sort(parts.begin(), parts.end());
    ASSERT_EQ(parts.size(), blocks.size());
    for (std::size_t k = 0; k < parts.size(); ++k)
        EXPECT_EQ(fs::file_size(parts[k]), uint64_t(44 + (starts[k + 1] - starts[k]) * 2352)) << parts[k];
}

}  // namespace
}  // namespace vh
