#include <gtest/gtest.h>

#include "gamedata/GameData.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

// A work folder and disc folders; station 4 (CH) has two clips.
struct DiscFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingPrompts prompts;
    std::vector<fs::path> candidates;
    int searches = 0;
    std::unique_ptr<GameData> data;
    // Stream byte i is uint8(i × 7 + fill), so every offset is recognisable.
    void makeDisc(const fs::path& root, const std::string& lookup = "AUDIO/CONFIG/TRAKLKUP.DAT",
                  const std::string& pak = "AUDIO/STREAMS/CH.PAK", uint8_t fill = 0xD1) {
        test::writeFile(root / lookup, test::lookupBytes({{4, 100, 1000}, {4, 20000, 5000}}));
        std::vector<uint8_t> stream(30000);
        for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = uint8_t(i * 7 + fill);
        test::writeFile(root / pak, stream);
    }
    GameData& open() {
        data = std::make_unique<GameData>(prompts, [this] { return ++searches, candidates; }, dir / "work");
        return *data;
    }
};

// Only a file missing from the cache makes the disc be searched, once per run.
TEST_F(DiscFixture, TheCacheWinsAndTheDiscLocatedOnceServesWhatIsMissing) {
    makeDisc(dir / "disc");
    candidates = {dir / "disc"};
    test::writeFile(dir / "work/CACHE/TRAKLKUP.DAT", test::lookupBytes({{4, 100, 1000}, {4, 20000, 5000}, {5, 0, 16}}));
    test::writeFile(dir / "work/CACHE/CO.PAK", std::vector<uint8_t>(8084, 0x33));
    GameData& g = open();
    g.loadCatalogue();
    EXPECT_EQ(g.table()[5].clipCount, 1);  // the cached lookup file, not the disc's
    ASSERT_TRUE(g.loadClipData(5, 0));
    EXPECT_EQ(searches, 0);
    auto first = g.loadClipData(4, 0);  // CH.PAK is only on the disc
    ASSERT_TRUE(first);
    EXPECT_EQ(*g.discRoot(), dir / "disc/AUDIO");
    ASSERT_EQ(first->size(), 9068u);
    EXPECT_EQ(first->validBytes(), 9068u);
    for (std::size_t i : {0, 1, 9067}) EXPECT_EQ(first->data()[i], uint8_t((100 + i) * 7 + 0xD1)) << i;
    EXPECT_EQ(searches, 1);
    // Missing files and clips give nothing, and no message.
    EXPECT_FALSE(g.loadConfigFile("NOTHERE.DAT"));
    for (auto [station, clip] : {std::pair{5, 1}, {4, 2}, {-1, 0}, {16, 0}}) EXPECT_FALSE(g.loadClipData(station, clip));
    g.table()[6].clipCount = 1;  // a clip whose stream file exists nowhere
    EXPECT_TRUE(!g.loadClipData(6, 0) && prompts.shown.empty());
}

// A clip buffer holds the clip's length and header, or what the stream file
// holds from the offset when that is less: a damaged length costs no more
// memory than the file itself.
TEST_F(DiscFixture, ClipBuffersHoldNoMoreThanTheStreamFileSupplies) {
    struct Case {
        uint32_t offset, length;
        std::size_t bytes;
    } cases[] = {
        {100, 1000, 9068},        // whole
        {20000, 5000, 10000},     // the file ends 3068 bytes early
        {0, 0xFFFFFFFFu, 30000},  // a damaged length
        {29999, 0xFFFFFFFFu, 1},
        {30000, 10, 0},           // at or past the end
        {0xFFFFFFF0u, 0xFFFFFFFFu, 0},
    };
    std::vector<test::LookupRecord> records;
    for (const Case& c : cases) records.push_back({4, c.offset, c.length});
    makeDisc(dir / "disc");
    test::writeFile(dir / "disc/AUDIO/CONFIG/TRAKLKUP.DAT", test::lookupBytes(records));
    candidates = {dir / "disc"};
    GameData& g = open();
    g.loadCatalogue();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        auto audio = g.loadClipData(4, i);
        ASSERT_TRUE(audio) << i;
        EXPECT_EQ(audio->size(), cases[i].bytes) << i;
        EXPECT_EQ(audio->validBytes(), cases[i].bytes) << i;
        EXPECT_TRUE(!cases[i].bytes || audio->data()[0] == uint8_t(cases[i].offset * 7 + 0xD1)) << i;
    }

    // A lookup file far beyond any real one (a sparse 64 GiB file in the
    // cache) is not read into memory: it counts as missing there.
    test::writeFile(dir / "work/CACHE/TRAKLKUP.DAT", test::lookupBytes({{5, 0, 16}}));
    fs::resize_file(dir / "work/CACHE/TRAKLKUP.DAT", uint64_t(64) << 30);
    GameData& huge = open();
    huge.loadCatalogue();
    EXPECT_EQ(huge.table()[5].clipCount, 0);
    EXPECT_EQ(huge.table()[4].clipCount, int32_t(std::size(cases)));  // the disc's lookup file instead
}

TEST_F(DiscFixture, CandidatesAreTriedInOrderAndNamesMatchWithoutRegardToCase) {
    makeDisc(dir / "second", "audio/config/traklkup.dat", "audio/Streams/ch.pak", 0x02);
    makeDisc(dir / "third");
    fs::create_directories(dir / "first/AUDIO/CONFIG");  // a disc without the lookup file
    candidates = {dir / "missing", dir / "first", dir / "second", dir / "third"};
    GameData& g = open();
    g.loadCatalogue();
    EXPECT_EQ(g.table()[4].clipCount, 2);
    auto audio = g.loadClipData(4, 1);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->data()[0], uint8_t(20000 * 7 + 0x02));
}

TEST_F(DiscFixture, TheDiscPromptSearchesAgainOnOkAndEndsTheRunWithZeroOnCancel) {
    prompts.answers = {true, true};
    data = std::make_unique<GameData>(prompts, [this] {
        if (++searches == 3) makeDisc(dir / "disc");  // the disc arrives before the third search
        return std::vector<fs::path>{dir / "disc"};
    }, dir / "work");
    EXPECT_TRUE(data->locateDisc());
    EXPECT_EQ(searches, 3);
    EXPECT_EQ(prompts.shown.size(), 2u);
    prompts.shown.clear();
    try {
        open().locateDisc();
        FAIL() << "the run should have ended";
    } catch (const test::RunEnded& e) {
        EXPECT_EQ(e.exitCode, 0);
    }
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text,
              "Error|Unable to locate Orrin: Varnholt (PlayStation 2) disc in any of your drives.  Please insert the disc "
              "and press OK, or cancel to exit");
}

TEST(MountTable, OnlyDiscFileSystemsWithEscapesUndone) {
    EXPECT_EQ(discMountPoints("/dev/vda / ext4 rw,relatime 0 0\n/dev/sr0 /media/user/ORRIN\\040DISC iso9660 ro 0 0\n"
                              "proc /proc proc rw 0 0\n/dev/sr1 /mnt/dvd udf ro 0 0\nbroken line\n"),
              (std::vector<fs::path>{"/media/user/ORRIN DISC", "/mnt/dvd"}));
}

}  // namespace
}  // namespace vh
