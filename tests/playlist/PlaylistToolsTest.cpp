#include <gtest/gtest.h>

#include <map>

#include "playlist/PlaylistTools.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4;
constexpr int kCO = 5;  // a station with songs but no openers, idents or chatter

struct ToolsFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    RandomGenerator random;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<PlaylistTools> tools;
    int songs[5];

    void SetUp() override {
        catalogue.add(1, {Commercial, "Soap", "", 4});
        catalogue.add(1, {Commercial, "Cars", "", 4});
        catalogue.add(kCH, {Ident, "Ident A", "", 3});
        catalogue.add(kCH, {Opener, "Good morning", "", 3});
        for (int i = 0; i < 5; ++i)
            songs[i] = catalogue.addSong(kCH, {"Song " + std::to_string(i), "Band", {"Hey", ""}, {"", "Bye", "Later"}, 6});
        catalogue.add(kCH, {Chatter, "Talk", "", 3});
        catalogue.add(kCH, {ChatterAlt, "Talk alt", "", 3});
        catalogue.add(kCH, {Ident, "Ident B", "", 3});
        catalogue.addSong(kCO, {"Lonely", "", {"a"}, {"b"}, 6});
        catalogue.addSong(kCO, {"Twice", "", {"c", "d"}, {"e"}, 6});
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data());
        tools = std::make_unique<PlaylistTools>(*playlist, random);
        random.seed(1234);
    }
    // The classes of the entries in order, as letters: S song, C commercial,
    // T chatter, I ident, O opener.
    std::string shape() {
        std::string s;
        for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next)
            s += "SCT??IOT"[t->clip->clipClass];
        return s;
    }
    int listLength() {
        int n = 0;
        for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next) ++n;
        return n;
    }
    PlaylistTrack* append(int station, int clip) {
        auto t = playlist->createTrack(station, &catalogue.data().table()[station].clips[clip]);
        ++playlist->trackCount;
        return playlist->insertBefore(std::move(t), playlist->sentinel());
    }
    std::vector<std::string> titles() {
        std::vector<std::string> out;
        for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next)
            out.push_back(t->clip->title);
        return out;
    }
};

TEST(ClipPool, WithoutAgingEveryClipOnceInDrawOrderThenNothing) {
    StationTable table;
    buildDefaultCatalogue(table);
    table[kCH].clipCount = 3;
    for (int c = 0; c < 3; ++c) table[kCH].clips[c].clipClass = c == 1 ? ChatterAlt : Chatter;
    ClipPool pool = buildPool(table, kCH, kChatterMask, false);
    ASSERT_EQ(pool.entries.size(), 3u);
    RandomGenerator random;
    random.seed(1);  // draws 41, 18467, 6334
    const Clip* clips = table[kCH].clips;
    EXPECT_EQ(drawClip(pool, random), &clips[1]);  // 41 mod 9 = 5
    EXPECT_EQ(drawClip(pool, random), &clips[2]);  // 18467 mod 6 = 5
    EXPECT_EQ(drawClip(pool, random), &clips[0]);
    uint32_t state = random.state();
    EXPECT_EQ(drawClip(pool, random), nullptr);
    EXPECT_EQ(random.state(), state);  // an empty draw takes no value
}

TEST(ClipPool, AgingPoolOfOneAlwaysGivesItAndEmptyPoolsGiveNothing) {
    StationTable table;
    buildDefaultCatalogue(table);
    table[kCH].clipCount = 2;
    table[kCH].clips[0].clipClass = Chatter;
    table[kCH].clips[1].clipClass = Ident;
    ClipPool idents = buildPool(table, kCH, kIdentMask, true);
    RandomGenerator random;
    for (int i = 0; i < 50; ++i) EXPECT_EQ(drawClip(idents, random), &table[kCH].clips[1]);
    ClipPool openers = buildPool(table, kCH, kOpenerMask, true);
    EXPECT_EQ(drawClip(openers, random), nullptr);
}

TEST(ClipPool, AgedPoolPrefersClipsNotDrawnForLongest) {
    StationTable table;
    buildDefaultCatalogue(table);
    table[kCH].clipCount = 4;
    for (int c = 0; c < 4; ++c) table[kCH].clips[c].clipClass = Chatter;
    ClipPool pool = buildPool(table, kCH, kChatterMask, true);
    RandomGenerator random;
    random.seed(99);
    // The first four draws give each clip once.
    std::map<const Clip*, int> seen;
    for (int i = 0; i < 4; ++i) ++seen[drawClip(pool, random)];
    EXPECT_EQ(seen.size(), 4u);
    // Afterwards each clip's chance grows with the draws since it was last
    // drawn, so over many draws the counts stay balanced.
    std::map<const Clip*, int> counts;
    for (int i = 0; i < 4000; ++i) ++counts[drawClip(pool, random)];
    for (auto& [clip, n] : counts) EXPECT_NEAR(n, 1000, 150);
}

TEST_F(ToolsFixture, AddAllSongsAppendsEachSongOnceWithDefaultsAndKeepsTheScroll) {
    append(kCH, 0);
    playlist->playlistScroll = 1;
    random.seed(99);
    tools->addAllSongs(kCH);
    ASSERT_EQ(playlist->trackCount, 6);
    EXPECT_EQ(listLength(), 6);
    EXPECT_EQ(playlist->playlistScroll, 1);
    EXPECT_FALSE(playlist->pleaseWait);
    std::map<std::string, int> songs;
    for (PlaylistTrack* t = playlist->trackAt(1); t != playlist->sentinel(); t = t->next) {
        ++songs[t->clip->title];
        EXPECT_EQ(t->intro, 1);  // the first intro without speech
        EXPECT_EQ(t->outro, 0);
        EXPECT_TRUE(t->introAudio && t->mainAudio && t->outroAudio);
    }
    EXPECT_EQ(songs.size(), 5u);

    auto first = titles();
    tools->addAllSongs(kCH);
    EXPECT_EQ(playlist->trackCount, 11);
    auto second = titles();
    std::vector<std::string> firstRun(first.begin() + 1, first.end()), secondRun(second.begin() + 6, second.end());
    EXPECT_NE(firstRun, secondRun);  // a new order (for this seed)
    std::sort(firstRun.begin(), firstRun.end());
    std::sort(secondRun.begin(), secondRun.end());
    EXPECT_EQ(firstRun, secondRun);
}

TEST_F(ToolsFixture, SameSeedSameRadioMix) {
    tools->createRadioMix(kCH);
    auto first = titles();
    std::vector<std::pair<int, int>> choices;
    for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next) choices.push_back({t->intro, t->outro});
    random.seed(1234);
    tools->createRadioMix(kCH);
    EXPECT_EQ(titles(), first);
    std::vector<std::pair<int, int>> again;
    for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next) again.push_back({t->intro, t->outro});
    EXPECT_EQ(again, choices);
    EXPECT_EQ(playlist->trackCount, listLength());
}

TEST_F(ToolsFixture, RandomizeIntrosDrawsOnlyForSongsWithAChoice) {
    append(kCO, 0);  // one intro, one outro: no value is taken
    append(kCO, 3);  // two intros, one outro: one value for the intro
    append(kCH, 0);  // a commercial-like clip of another class: no value
    RandomGenerator reference;
    reference.seed(777);
    random.seed(777);
    tools->randomizeIntros();
    int32_t expectedIntro = reference.next() % 2;
    EXPECT_EQ(random.state(), reference.state());
    EXPECT_EQ(playlist->trackAt(1)->intro, expectedIntro);
    EXPECT_EQ(playlist->trackAt(0)->intro, 0);
}

TEST_F(ToolsFixture, PadOnOneAndOnTwoSongs) {
    append(kCO, 0);
    tools->pad(kCO);  // CO has no openers or idents: only commercials get through
    EXPECT_EQ(shape(), "SC");

    playlist->clearPlaylist();
    append(kCH, songs[0]);
    tools->pad(kCH);
    EXPECT_EQ(shape(), "IOSIC");

    playlist->clearPlaylist();
    append(kCH, songs[0]);
    append(kCH, songs[1]);
    tools->pad(kCH);
    EXPECT_EQ(shape(), "IOSCTSIC");
    EXPECT_EQ(playlist->trackCount, 8);
    EXPECT_EQ(listLength(), 8);
}

TEST_F(ToolsFixture, RadioMixAndMusicMixShapes) {
    playlist->fileName = "kept.vhcd";
    tools->createRadioMix(kCO);  // two songs, no ident/opener/chatter on CO
    EXPECT_EQ(shape(), "SCSC");
    EXPECT_TRUE(playlist->fileName.empty());

    tools->createRadioMix(kCH);
    // ident, opener, then song, commercial, (ident,) chatter for each song;
    // the last song ends with song, commercial, ident.
    std::string s = shape();
    ASSERT_EQ(s.substr(0, 2), "IO");
    EXPECT_EQ(s.substr(s.size() - 3), "SCI");
    EXPECT_EQ(std::count(s.begin(), s.end(), 'S'), 5);
    EXPECT_EQ(playlist->playlistScroll, 0);

    playlist->fileName = "kept.vhcd";
    tools->createMusicMix(kCH);
    EXPECT_EQ(shape(), "SSSSS");
    EXPECT_TRUE(playlist->fileName.empty());
}

TEST_F(ToolsFixture, NothingChangesWhileATrackPlays) {
    PlaylistTrack* t = append(kCH, songs[2]);
    playlist->currentTrack = t;
    uint32_t state = random.state();
    tools->addAllSongs(kCH);
    tools->pad(kCH);
    tools->randomizeIntros();
    tools->createMusicMix(kCH);
    tools->createRadioMix(kCH);
    EXPECT_EQ(shape(), "S");
    EXPECT_EQ(random.state(), state);
}

}  // namespace
}  // namespace vh
