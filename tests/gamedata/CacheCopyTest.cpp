#include <gtest/gtest.h>

#include "gamedata/CacheCopy.h"
#include "support/FileSizeLimit.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

struct CopyFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingPrompts prompts;
    std::unique_ptr<GameData> data;
    std::vector<std::pair<std::string, float>> reports;
    CopyProgress progress = [this](const std::string& name, float percent) { reports.push_back({name, percent}); };

    fs::path disc() const { return dir / "disc/AUDIO"; }
    void SetUp() override {
        test::writeFile(disc() / "CONFIG/TRAKLKUP.DAT", test::lookupBytes({{4, 0, 10}}));
        data = std::make_unique<GameData>(prompts, [this] { return std::vector<fs::path>{dir / "disc"}; },
                                          dir / "work");
        fs::create_directories(data->cacheDir());
    }
    std::vector<uint8_t> pattern(std::size_t size) {
        std::vector<uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 31 + 7);
        return bytes;
    }
};

struct ProgressCase {
    std::size_t size;
    std::vector<float> percents;
};

class CopyProgressSequence : public CopyFixture, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(CopyProgressSequence, ReportsBeforeEachPartAndAtTheEnd) {
    auto bytes = pattern(GetParam().size);
    test::writeFile(disc() / "STREAMS/CH.PAK", bytes);
    ASSERT_TRUE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", progress));
    EXPECT_EQ(test::readFile(data->cacheDir() / "CH.PAK"), bytes);
    ASSERT_EQ(reports.size(), GetParam().percents.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, "CH.PAK");
        EXPECT_FLOAT_EQ(reports[i].second, GetParam().percents[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(, CopyProgressSequence,
                         ::testing::Values(ProgressCase{65536, {0.0f, 100.0f}},
                                           ProgressCase{131072, {0.0f, 50.0f, 100.0f}},
                                           ProgressCase{65537, {0.0f, 6553600.0f / 65537.0f, 100.0f}},
                                           ProgressCase{0, {0.0f, 100.0f}}));

TEST_F(CopyFixture, CopiesTheLookupFileThenEveryListedStationInOrder) {
    buildDefaultCatalogue(data->table());
    for (int s = 0; s < kStationCount; ++s)
        test::writeFile(disc() / ("STREAMS/" + std::string(kDefaultStationNames[s]) + ".PAK"), pattern(100 + s));
    std::vector<std::string> started;
    ASSERT_TRUE(copyAudioFiles(*data, [&](const std::string& name, float percent) {
        if (percent == 0.0f) started.push_back(name);
    }));
    EXPECT_EQ(started, (std::vector<std::string>{"TRAKLKUP.DAT", "ADVERTS.PAK", "CH.PAK", "CO.PAK", "CR.PAK",
                                                 "DS.PAK", "HC.PAK", "MH.PAK", "MR.PAK", "NJ.PAK", "RE.PAK",
                                                 "RG.PAK", "TK.PAK"}));
    EXPECT_FALSE(fs::exists(data->cacheDir() / "AA.PAK"));
    EXPECT_EQ(test::readFile(data->cacheDir() / "TK.PAK"), pattern(115));
}

// A copy cut short (here by a full disk; a killed process is the same)
// leaves only whole files in the cache: the file being copied keeps its
// earlier complete copy, and leftovers of an earlier interruption go.
TEST_F(CopyFixture, CopyCutShortLeavesOnlyWholeFiles) {
    buildDefaultCatalogue(data->table());
    for (int s = 0; s < kStationCount; ++s)
        test::writeFile(disc() / ("STREAMS/" + std::string(kDefaultStationNames[s]) + ".PAK"),
                        pattern(s == 6 ? 300000 : 1000));
    test::writeFile(data->cacheDir() / "CR.PAK", pattern(300000));  // an earlier complete copy
    test::writeFile(data->cacheDir() / "CO.PAK.part", pattern(10));  // an earlier interruption
    bool copied;
    {
        test::FileSizeLimit fullDisk(200000);  // CR.PAK, the fifth file, does not fit
        copied = copyAudioFiles(*data, progress);
    }
    EXPECT_FALSE(copied);
    EXPECT_TRUE(fs::exists(data->cacheDir() / "TRAKLKUP.DAT"));
    EXPECT_TRUE(fs::exists(data->cacheDir() / "ADVERTS.PAK"));
    EXPECT_TRUE(fs::exists(data->cacheDir() / "CH.PAK"));
    EXPECT_TRUE(fs::exists(data->cacheDir() / "CO.PAK"));
    EXPECT_EQ(test::readFile(data->cacheDir() / "CR.PAK"), pattern(300000));
    EXPECT_FALSE(fs::exists(data->cacheDir() / "DS.PAK"));
    for (const auto& entry : fs::directory_iterator(data->cacheDir()))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

TEST_F(CopyFixture, MissingSourceFails) {
    EXPECT_FALSE(copyFile(*data, "STREAMS", "NJ.PAK", "NJ.PAK", progress));
    EXPECT_FALSE(fs::exists(data->cacheDir() / "NJ.PAK"));
    EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace vh
