#include "demo/DemoDisc.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "audio/Decoder.h"
#include "gamedata/GameData.h"
#include "support/HandClips.h"

namespace vh {
namespace {

// A demo disc read the way the program reads a disc: the catalogue file
// beside it matches (so the program keeps it), the music stations carry what
// the tools draw on, and every clip sounds.
TEST(DemoDisc, IsADiscTheProgramReadsWithAMatchingCatalogueAndAudibleClips) {
    test::TempDir disc, work;
    std::string error;
    ASSERT_TRUE(writeDemoDisc(disc.path(), 2024, error)) << error;
    fs::copy_file(disc / kCatalogueFileName, work / kCatalogueFileName);
    test::RecordingPrompts prompts;
    GameData data(prompts, [&] { return std::vector<fs::path>{disc.path()}; }, work.path());
    data.loadCatalogue();
    EXPECT_TRUE(data.catalogueFileInUse() && prompts.shown.empty());
    int withoutOpeners = 0, clips = 0;
    for (int s = 0; s < kStationCount; ++s) {
        const Station& station = data.table()[s];
        int perClass[kClipClassCount] = {};
        for (int i = 0; i < station.clipCount; i = nextTopLevel(station, i)) ++perClass[station.clips[i].clipClass];
        if (s == kCommercialStation) {
            EXPECT_EQ(perClass[Commercial], station.clipCount);
        } else if (station.listed) {
            EXPECT_TRUE(perClass[Song] >= 2 && perClass[Ident] && perClass[Chatter]) << s;
        }
        withoutOpeners += station.listed && s != kCommercialStation && perClass[Opener] == 0;
        for (int c = 0; c < station.clipCount; ++c, ++clips) {
            auto audio = data.loadClipData(s, c);
            ASSERT_TRUE(audio && audio->blockCount() > 0 && audio->validBytes() == audio->size()) << s << "/" << c;
            int peak = 0;
            for (int16_t v : handclips::decodedOf(*audio)) peak = std::max(peak, std::abs(int(v)));
            EXPECT_TRUE(peak > 8000 && peak < 32767) << s << "/" << c;  // audible, never clipped
        }
    }
    EXPECT_EQ(withoutOpeners, 1);  // the tools' fallback to chatter has a station to show on
    EXPECT_GT(clips, 100);

    test::writeFile(work / "file", {'x'});
    EXPECT_FALSE(writeDemoDisc(work / "file" / "disc", 1, error));
    EXPECT_NE(error.find("disc"), std::string::npos) << error;

    // A folder holding game data is left as it was.
    for (const char* existing : {"audio", "VarnholtRadioInfo.DAT"}) {
        const fs::path folder = work / (std::string("work-") + existing);
        fs::create_directories(folder);
        test::writeFile(folder / existing, {'x'});
        error.clear();
        EXPECT_FALSE(writeDemoDisc(folder, 1, error)) << existing;
        EXPECT_NE(error.find("already exists"), std::string::npos) << error;
        EXPECT_EQ(test::filesIn(folder), std::vector<fs::path>{existing});
    }
}

}  // namespace
}  // namespace vh
