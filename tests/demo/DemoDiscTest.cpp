#include "demo/DemoDisc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "audio/Decoder.h"
#include "gamedata/GameData.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

constexpr uint32_t kSeed = 2024;
constexpr int kMusicStations[] = {4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15};

// One demo disc for the suite, loaded the way the program loads a disc.
class DemoDiscTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        written_ = writeDemoDisc(disc_.path(), kSeed, error_);
        if (written_) fs::copy_file(disc_ / kCatalogueFileName, work_ / kCatalogueFileName);
        data_ = std::make_unique<GameData>(prompts_, [] { return std::vector<fs::path>{disc_.path()}; }, work_.path());
        data_->loadCatalogue();
    }
    static void TearDownTestSuite() { data_.reset(); }
    void SetUp() override { ASSERT_TRUE(written_) << error_; }

    static inline test::TempDir disc_, work_;
    static inline test::RecordingPrompts prompts_;
    static inline std::string error_;
    static inline bool written_ = false;
    static inline std::unique_ptr<GameData> data_;
};

TEST_F(DemoDiscTest, TheCatalogueFileMatchesTheDiscAndDescribesRadioStations) {
    EXPECT_TRUE(data_->catalogueFileInUse());  // positions and counts agree with the lookup file
    EXPECT_TRUE(prompts_.shown.empty());
    const StationTable& table = data_->table();
    EXPECT_TRUE(catalogueIsSane(table));
    int withoutOpeners = 0, musicOnly = 0, spoken = 0;
    for (int s : kMusicStations) {
        SCOPED_TRACE("station " + std::to_string(s));
        const Station& station = table[s];
        EXPECT_EQ(station.listed, 1);
        EXPECT_NE(fieldText(station.displayName), fieldText(station.pakName));
        int perClass[kClipClassCount] = {};
        for (int i = 0; i < station.clipCount; i = nextTopLevel(station, i)) {
            const Clip& clip = station.clips[i];
            ++perClass[clip.clipClass];
            EXPECT_FALSE(fieldText(clip.title).empty());
            if (clip.clipClass != Song) continue;
            EXPECT_FALSE(fieldText(clip.artist).empty());
            EXPECT_TRUE(clip.introCount >= 1 && clip.introCount <= 3 && clip.outroCount >= 1 && clip.outroCount <= 3);
            for (int k = 1; k <= clip.introCount + clip.outroCount; ++k)
                (fieldText(station.clips[i + k].title).empty() ? musicOnly : spoken) += 1;
        }
        EXPECT_GE(perClass[Song], 2);
        EXPECT_GE(perClass[Ident], 1);
        EXPECT_GE(perClass[Chatter] + perClass[ChatterAlt], 2);
        withoutOpeners += perClass[Opener] == 0;
    }
    EXPECT_EQ(withoutOpeners, 1);  // the tools' fallback to chatter has a station to show on
    EXPECT_GT(musicOnly, 0);
    EXPECT_GT(spoken, 0);
    EXPECT_GE(table[kCommercialStation].clipCount, 5);
    for (int c = 0; c < table[kCommercialStation].clipCount; ++c) EXPECT_EQ(table[kCommercialStation].clips[c].clipClass, Commercial);
    for (int hidden : {0, 2, 3, 7}) EXPECT_EQ(table[hidden].listed, 0);
}

TEST_F(DemoDiscTest, EveryClipDecodesToAudibleUnclippedSound) {
    int clips = 0;
    for (int s = 0; s < kStationCount; ++s)
        for (int c = 0; c < data_->table()[s].clipCount; ++c, ++clips) {
            SCOPED_TRACE(std::to_string(s) + "/" + std::to_string(c));
            auto audio = data_->loadClipData(s, c);
            ASSERT_TRUE(audio);
            ASSERT_GT(audio->blockCount(), 0);
            EXPECT_EQ(audio->validBytes(), audio->size());
            PartCursor cursor;
            cursor.open(*audio);
            PredictorState left, right;
            int16_t out[56];
            double energy = 0.0;
            int peak = 0, atFullScale = 0;
            while (!cursor.atEnd()) {
                cursor.nextStereoBlock(out, left, right);
                for (int16_t v : out) {
                    energy += double(v) * v;
                    peak = std::max(peak, std::abs(int(v)));
                    atFullScale += v == 32767 || v == -32768;
                }
            }
            EXPECT_GT(std::sqrt(energy / (double(audio->blockCount()) * 56)), 600.0);
            EXPECT_GT(peak, 8000);
            EXPECT_EQ(atFullScale, 0);
        }
    EXPECT_GT(clips, 100);
}

TEST_F(DemoDiscTest, TheSameSeedGivesTheSameBytes) {
    test::TempDir again;
    std::string error;
    ASSERT_TRUE(writeDemoDisc(again.path(), kSeed, error)) << error;
    std::vector<fs::path> files = {kCatalogueFileName, "AUDIO/CONFIG/TRAKLKUP.DAT"};
    for (const char* name : kDefaultStationNames) files.push_back(fs::path("AUDIO/STREAMS") / (std::string(name) + ".PAK"));
    for (const fs::path& file : files) EXPECT_TRUE(test::readFile(disc_ / file) == test::readFile(again / file)) << file;
}

TEST(DemoDiscErrors, AnUnwritableFolderFailsWithAMessage) {
    test::TempDir base;
    test::writeFile(base / "file", {'x'});
    std::string error;
    EXPECT_FALSE(writeDemoDisc(base / "file" / "disc", 1, error));
    EXPECT_NE(error.find("disc"), std::string::npos) << error;
}

}  // namespace
}  // namespace vh
