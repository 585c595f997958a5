#include <gtest/gtest.h>

#include "gamedata/GameData.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

// A work folder and up to three disc folders; station 4 (CH) has two clips.
struct DiscFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingPrompts prompts;
    std::vector<fs::path> candidates;
    int searches = 0;
    std::unique_ptr<GameData> data;

    fs::path work() const { return dir / "work"; }

    void makeDisc(const fs::path& root, const std::string& audio = "AUDIO", const std::string& config = "CONFIG",
                  const std::string& lookup = "TRAKLKUP.DAT", const std::string& streams = "STREAMS",
                  const std::string& pak = "CH.PAK", uint8_t fill = 0xD1) {
        test::writeFile(root / audio / config / lookup, test::lookupBytes({{4, 100, 1000}, {4, 20000, 5000}}));
        std::vector<uint8_t> stream(30000);
        for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = uint8_t(i * 7 + fill);
        test::writeFile(root / audio / streams / pak, stream);
    }
    GameData& open() {
        data = std::make_unique<GameData>(prompts, [this] { ++searches; return candidates; }, work());
        return *data;
    }
};

TEST_F(DiscFixture, CompleteCacheNeverSearchesForTheDisc) {
    test::writeFile(work() / "CACHE/TRAKLKUP.DAT", test::lookupBytes({{4, 0, 10}}));
    test::writeFile(work() / "CACHE/CH.PAK", std::vector<uint8_t>(8078, 0x33));
    GameData& g = open();
    g.loadCatalogue();
    auto audio = g.loadClipData(4, 0);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->data()[0], 0x33);
    EXPECT_EQ(searches, 0);
    EXPECT_FALSE(g.discRoot());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(DiscFixture, CacheCopyWinsOverTheDiscAndTheDiscServesWhatIsMissing) {
    makeDisc(dir / "disc");
    candidates = {dir / "disc"};
    test::writeFile(work() / "CACHE/TRAKLKUP.DAT", test::lookupBytes({{4, 100, 1000}, {4, 20000, 5000}, {5, 0, 16}}));
    GameData& g = open();
    g.loadCatalogue();
    EXPECT_EQ(g.table()[5].clipCount, 1);  // the cached lookup file, not the disc's
    EXPECT_EQ(searches, 0);

    auto audio = g.loadClipData(4, 0);  // CH.PAK is only on the disc
    ASSERT_TRUE(audio);
    EXPECT_EQ(searches, 1);
    ASSERT_TRUE(g.discRoot());
    EXPECT_EQ(*g.discRoot(), dir / "disc/AUDIO");
    EXPECT_EQ(audio->data()[0], uint8_t(100 * 7 + 0xD1));
    g.loadClipData(4, 1);
    EXPECT_EQ(searches, 1);  // located once per run
}

TEST_F(DiscFixture, CandidatesAreTriedInOrder) {
    makeDisc(dir / "second", "AUDIO", "CONFIG", "TRAKLKUP.DAT", "STREAMS", "CH.PAK", 0x02);
    makeDisc(dir / "third", "AUDIO", "CONFIG", "TRAKLKUP.DAT", "STREAMS", "CH.PAK", 0x03);
    fs::create_directories(dir / "first/AUDIO/CONFIG");  // a disc without the lookup file
    candidates = {dir / "missing", dir / "first", dir / "second", dir / "third"};
    GameData& g = open();
    ASSERT_TRUE(g.locateDisc());
    EXPECT_EQ(*g.discRoot(), dir / "second/AUDIO");
}

TEST_F(DiscFixture, NamesOnTheDiscMatchWithoutRegardToCase) {
    makeDisc(dir / "disc", "audio", "config", "traklkup.dat", "Streams", "ch.pak");
    candidates = {dir / "disc"};
    GameData& g = open();
    g.loadCatalogue();
    EXPECT_EQ(g.table()[4].clipCount, 2);
    auto audio = g.loadClipData(4, 1);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->data()[0], uint8_t(20000 * 7 + 0xD1));
}

TEST_F(DiscFixture, ClipDataIsLengthPlusHeaderFromTheOffset) {
    makeDisc(dir / "disc");
    candidates = {dir / "disc"};
    GameData& g = open();
    g.loadCatalogue();
    auto audio = g.loadClipData(4, 0);
    ASSERT_TRUE(audio);
    ASSERT_EQ(audio->size(), 9068u);
    EXPECT_EQ(audio->validBytes(), 9068u);
    for (std::size_t i : {std::size_t(0), std::size_t(1), std::size_t(9067)})
        EXPECT_EQ(audio->data()[i], uint8_t((100 + i) * 7 + 0xD1)) << i;
}

// A clip buffer holds the clip's length and header, or what the stream file
// holds from the offset when that is less: a damaged length costs no more
// memory than the file itself.
TEST_F(DiscFixture, ClipBuffersHoldNoMoreThanTheStreamFileSupplies) {
    struct Case {
        uint32_t offset, length;
        std::size_t bytes;
    } cases[] = {
        {100, 1000, 9068},             // whole
        {20000, 5000, 10000},          // the file ends 3068 bytes early
        {0, 0xFFFFFFFFu, 30000},       // a damaged length
        {29999, 0xFFFFFFFFu, 1},
        {30000, 10, 0},                // at or past the end
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
        if (cases[i].bytes) {
            EXPECT_EQ(audio->data()[0], uint8_t(cases[i].offset * 7 + 0xD1)) << i;
        }
    }
}

// A lookup file far beyond any real one (here a sparse 64 GiB file in the
// cache) is not read into memory: it counts as missing there.
TEST_F(DiscFixture, HugeLookupFileCountsAsMissing) {
    makeDisc(dir / "disc");
    candidates = {dir / "disc"};
    test::writeFile(work() / "CACHE/TRAKLKUP.DAT", test::lookupBytes({{5, 0, 16}}));
    fs::resize_file(work() / "CACHE/TRAKLKUP.DAT", uint64_t(64) << 30);
    GameData& g = open();
    g.loadCatalogue();
    EXPECT_EQ(g.table()[5].clipCount, 0);
    EXPECT_EQ(g.table()[4].clipCount, 2);  // the disc's lookup file instead
}

TEST_F(DiscFixture, MissingFilesGiveNothing) {
    makeDisc(dir / "disc");
    candidates = {dir / "disc"};
    GameData& g = open();
    g.loadCatalogue();
    EXPECT_FALSE(g.loadConfigFile("NOTHERE.DAT"));
    EXPECT_FALSE(g.loadClipData(5, 0));   // no such clip
    EXPECT_FALSE(g.loadClipData(4, 2));
    EXPECT_FALSE(g.loadClipData(-1, 0));
    EXPECT_FALSE(g.loadClipData(16, 0));
    g.table()[5].clipCount = 1;           // a clip whose stream file exists nowhere
    EXPECT_FALSE(g.loadClipData(5, 0));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(DiscFixture, CancelOnTheDiscPromptEndsTheRunWithZero) {
    GameData& g = open();
    try {
        g.locateDisc();
        FAIL() << "the run should have ended";
    } catch (const test::RunEnded& e) {
        EXPECT_EQ(e.exitCode, 0);
    }
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Error");
    EXPECT_EQ(prompts.shown[0].text,
              "Unable to locate Orrin: Varnholt (PlayStation 2) disc in any of your drives.  Please insert the disc "
              "and press OK, or cancel to exit");
}

TEST_F(DiscFixture, OkOnTheDiscPromptSearchesAgain) {
    prompts.answers = {true, true};
    data = std::make_unique<GameData>(
        prompts,
        [this] {
            // The disc "arrives" before the third search.
            if (++searches == 3) makeDisc(dir / "disc");
            return std::vector<fs::path>{dir / "disc"};
        },
        work());
    EXPECT_TRUE(data->locateDisc());
    EXPECT_EQ(searches, 3);
    EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST(MountTable, OnlyDiscFileSystemsWithEscapesUndone) {
    const char* table =
        "/dev/vda / ext4 rw,relatime 0 0\n"
        "/dev/sr0 /media/user/ORRIN\\040DISC iso9660 ro,nosuid 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sr1 /mnt/dvd udf ro 0 0\n"
        "broken line\n";
    auto points = discMountPoints(table);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0], fs::path("/media/user/ORRIN DISC"));
    EXPECT_EQ(points[1], fs::path("/mnt/dvd"));
}

}  // namespace
}  // namespace vh
