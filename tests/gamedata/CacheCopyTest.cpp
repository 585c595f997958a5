#include <gtest/gtest.h>

#include "gamedata/CacheCopy.h"
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
        data = std::make_unique<GameData>(prompts, [this] { return std::vector<fs::path>{dir / "disc"}; }, dir / "work");
        buildDefaultCatalogue(data->table());
        fs::create_directories(dir / "work");
    }
    static std::vector<uint8_t> pattern(std::size_t size) {
        std::vector<uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 31 + 7);
        return bytes;
    }
    void writeStreams(std::size_t crBytes = 106) {  // CR.PAK is the fifth file copied
        for (int s = 0; s < kStationCount; ++s)
            test::writeFile(disc() / ("STREAMS/" + std::string(kDefaultStationNames[s]) + ".PAK"), pattern(s == 6 ? crBytes : 100 + s));
    }
};

TEST_F(CopyFixture, ReportsBeforeEach65536BytePartAndAtTheEnd) {
    struct Case { std::size_t size; std::vector<float> percents; };
    fs::create_directories(data->cacheDir());
    for (const Case& c : {Case{65536, {0.0f, 100.0f}}, Case{131072, {0.0f, 50.0f, 100.0f}},
                          Case{65537, {0.0f, 6553600.0f / 65537.0f, 100.0f}}, Case{0, {0.0f, 100.0f}}}) {
        reports.clear();
        test::writeFile(disc() / "STREAMS/CH.PAK", pattern(c.size));
        ASSERT_TRUE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", progress));
        EXPECT_EQ(test::readFile(data->cacheDir() / "CH.PAK"), pattern(c.size));
        ASSERT_EQ(reports.size(), c.percents.size()) << c.size;
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].first, "CH.PAK");
            EXPECT_FLOAT_EQ(reports[i].second, c.percents[i]) << c.size << " report " << i;
        }
    }
}

TEST_F(CopyFixture, CopiesTheLookupFileThenEveryListedStationInOrderUntilTheDiskIsFull) {
    writeStreams();
    std::vector<std::string> started;
    ASSERT_TRUE(copyAudioFiles(*data, [&](const std::string& name, float percent) {
        if (percent == 0.0f) started.push_back(name);
    }));
    EXPECT_EQ(started, (std::vector<std::string>{"TRAKLKUP.DAT", "ADVERTS.PAK", "CH.PAK", "CO.PAK", "CR.PAK", "DS.PAK",
                                                 "HC.PAK", "MH.PAK", "MR.PAK", "NJ.PAK", "RE.PAK", "RG.PAK", "TK.PAK"}));
    EXPECT_FALSE(fs::exists(data->cacheDir() / "AA.PAK"));
    EXPECT_EQ(test::readFile(data->cacheDir() / "TK.PAK"), pattern(115));

    // Cut short by a full disk (a killed process is the same): only whole
    // files stay, the file being copied keeps its earlier complete copy, and
    // leftovers of an earlier interruption go.
    fs::remove_all(data->cacheDir());
    writeStreams(300000);
    test::writeFile(data->cacheDir() / "CR.PAK", pattern(300000));  // an earlier complete copy
    test::writeFile(data->cacheDir() / "CO.PAK.part", pattern(10));  // an earlier interruption
    bool copied;
    {
        test::FileSizeLimit fullDisk(200000);  // CR.PAK does not fit: the files before it stay, its part goes
        copied = copyAudioFiles(*data, progress);
    }
    EXPECT_FALSE(copied);
    EXPECT_EQ(test::filesIn(data->cacheDir()),
              (std::vector<fs::path>{"ADVERTS.PAK", "CH.PAK", "CO.PAK", "CR.PAK", "TRAKLKUP.DAT"}));
    EXPECT_EQ(test::readFile(data->cacheDir() / "CR.PAK"), pattern(300000));
}

TEST_F(CopyFixture, AMissingSourceOrACacheThatCannotBeAFolderFails) {
    fs::create_directories(data->cacheDir());
    EXPECT_FALSE(copyFile(*data, "STREAMS", "NJ.PAK", "NJ.PAK", progress));
    EXPECT_TRUE(!fs::exists(data->cacheDir() / "NJ.PAK") && reports.empty());
    writeStreams();
    fs::remove_all(data->cacheDir());
    test::writeFile(data->cacheDir(), {'k', 'e', 'e', 'p'});  // a file where the folder should be
    EXPECT_FALSE(copyAudioFiles(*data, nullptr));
    EXPECT_EQ(test::readFile(data->cacheDir()), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
}  // namespace vh
