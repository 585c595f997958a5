#include <gtest/gtest.h>

#include <cstring>

#include "gamedata/GameData.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

// A work folder whose CACHE holds the lookup file, so no disc is ever needed.
struct CatalogueFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingPrompts prompts;
    std::unique_ptr<GameData> data;
    void load(const std::vector<uint8_t>& lookup) {
        test::writeFile(dir / "CACHE/TRAKLKUP.DAT", lookup);
        data = std::make_unique<GameData>(prompts, [] { return std::vector<fs::path>{}; }, dir.path());
        data->loadCatalogue();
    }
    void writeCatalogue(const StationTable& table, std::size_t bytes = sizeof(StationTable)) {
        std::vector<uint8_t> image(bytes);
        std::memcpy(image.data(), &table, bytes);
        test::writeFile(dir / kCatalogueFileName, image);
    }
    const StationTable& table() const { return data->table(); }
};

TEST(DefaultTitle, CountsWholeChunksOfFourPointSevenSeconds) {
    struct Case { int number; uint32_t length; const char* title; };
    for (auto c : {Case{1, 100000, "Clip #1 00:00"}, Case{2, 135168, "Clip #2 00:04"}, Case{3, 270335, "Clip #3 00:04"},
                   Case{4, 1000000, "Clip #4 00:33"}, Case{12, 17031168, "Clip #12 10:02"},
                   // 1256 chunks are 6002 seconds: the minutes take three digits.
                   Case{1, 1256u * 135168u, "Clip #1 100:02"}, Case{256, 0xFFFFFFFFu, "Clip #256 2530:42"}})
        EXPECT_EQ(defaultClipTitle(c.number, c.length), c.title) << c.length;
}

TEST_F(CatalogueFixture, WithoutACatalogueFileEveryRecordGetsADefaultClip) {
    std::vector<test::LookupRecord> records = {{4, 0, 100000}, {1, 0, 135168}, {4, 200000, 270335}, {-1, 0, 1},
                                               {16, 0, 1}, {4, 500000, 1000000}};
    for (uint32_t i = 0; i < 257; ++i) records.push_back({6, i * 100, 100});  // one more than a station holds
    auto bytes = test::lookupBytes(records);
    bytes.push_back(0x7F);  // a stray byte after the last whole record
    load(bytes);
    EXPECT_TRUE(!data->catalogueFileInUse() && prompts.shown.empty());
    int listed = 0;
    for (int s = 0; s < kStationCount; ++s) listed += table()[s].listed;
    EXPECT_EQ(listed, 12);
    EXPECT_EQ(std::string(table()[9].pakName) + "|" + table()[9].displayName, "HC|HC");
    for (int hidden : {0, 2, 3, 7}) EXPECT_EQ(table()[hidden].listed, 0);
    const Station& ch = table()[4];
    ASSERT_EQ(ch.clipCount, 3);
    EXPECT_STREQ(ch.clips[2].title, "Clip #3 00:33");
    EXPECT_EQ(std::pair(ch.clips[1].offset, ch.clips[1].length), std::pair(200000u, 270335u));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(ch.clips[c].clipClass, Chatter);
    EXPECT_EQ(table()[1].clips[0].clipClass, Commercial);
    EXPECT_EQ(std::pair(table()[6].clipCount, table()[6].clips[255].offset), std::pair(256, 25500u));
    EXPECT_FALSE(stationHasSong(ch));
}

// A catalogue file describing the same data as the lookup file below.
StationTable matchingCatalogue() {
    StationTable table;
    buildDefaultCatalogue(table);
    setFieldText(table[4].displayName, "Harbour FM");
    table[3].listed = 1;
    table[4].clipCount = 4;
    Clip* clips = table[4].clips;
    setFieldText(clips[0].title, "Night Drive");
    clips[0].clipClass = Song;
    clips[0].introCount = 2;
    clips[0].outroCount = 1;
    for (int c = 0; c < 4; ++c) clips[c].offset = uint32_t(c) * 1000, clips[c].length = 500;
    clips[3].reserved = 0x12345678;
    table[1].clipCount = 1;
    table[1].clips[0].length = 42;
    table[1].clips[0].clipClass = Commercial;
    return table;
}

std::vector<uint8_t> matchingLookup() {
    return test::lookupBytes({{4, 0, 500}, {1, 0, 42}, {4, 1000, 500}, {4, 2000, 500}, {4, 3000, 500}});
}

TEST_F(CatalogueFixture, AMatchingCatalogueFileIsKeptExactlyAndAShortOneOnlyReplacesTheStart) {
    StationTable written = matchingCatalogue();
    writeCatalogue(written);
    load(matchingLookup());
    EXPECT_TRUE(data->catalogueFileInUse() && prompts.shown.empty());
    EXPECT_EQ(std::memcmp(&table(), &written, sizeof written), 0);  // names, flags, reserved words
    // Stations 5-15 of a short file keep their zeros: no clips, no name, not
    // listed; the positions of stations 0-4 still match.
    writeCatalogue(written, sizeof(Station) * 5);
    load(matchingLookup());
    EXPECT_TRUE(data->catalogueFileInUse());
    EXPECT_STREQ(table()[4].displayName, "Harbour FM");
    EXPECT_STREQ(table()[15].pakName, "");
    EXPECT_EQ(table()[15].listed, 0);
}

// Positions and counts that differ, and damage that would lead a reader
// outside the table or out of the cache folder: one warning, then the
// defaults; the file on disk stays as it was.
TEST_F(CatalogueFixture, AMismatchingCatalogueFileWarnsOnceThenTheDefaultsAreBuilt) {
    using Damage = void (*)(StationTable&);
    for (Damage damage : std::initializer_list<Damage>{
             [](StationTable& t) { t[4].clips[2].offset += 1; }, [](StationTable& t) { t[1].clips[0].length = 43; },
             [](StationTable& t) { t[4].clipCount = 5; }, [](StationTable& t) { t[1].clipCount = 0; },
             [](StationTable& t) { t[4].clips[1].clipClass = 8; }, [](StationTable& t) { t[4].clips[0].outroCount = 2; },
             [](StationTable& t) { t[4].clips[0].introCount = 0x7FFFFFFF; }, [](StationTable& t) { t[9].clipCount = 300; },
             [](StationTable& t) { std::memset(t[4].clips[1].title, 'x', 64); },
             [](StationTable& t) { setFieldText(t[4].pakName, "../CH"); }}) {
        prompts.shown.clear();
        StationTable written = matchingCatalogue();
        damage(written);
        writeCatalogue(written);
        load(matchingLookup());
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text,
                  "Warning|Your copy of Orrin does not have the same audio data as the first issue PAL version.  Please email "
                  "support@varnholt-radio.example if you want help.");
        EXPECT_FALSE(data->catalogueFileInUse());
        EXPECT_EQ(std::string(table()[4].displayName) + " " + table()[4].clips[0].title, "CH Clip #1 00:00");
        EXPECT_EQ(table()[4].clipCount, 4);
        EXPECT_EQ(table()[4].clips[0].introCount + table()[3].listed, 0);
        EXPECT_EQ(std::memcmp(test::readFile(dir / kCatalogueFileName).data(), &written, sizeof written), 0);
    }
}

}  // namespace
}  // namespace vh
