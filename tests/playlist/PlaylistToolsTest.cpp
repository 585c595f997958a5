#include <gtest/gtest.h>

#include "playlist/PlaylistTools.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

using test::append;
using test::entries;

constexpr int kCH = 4;
constexpr int kCO = 5;  // one song, and no openers, idents or chatter

// The expected playlists, "station:clip/intro/outro" per entry, were worked
// out from the tools' rules with a model of the C library's generator.
struct ToolsFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    RandomGenerator random;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<PlaylistTools> tools;
    void SetUp() override {
        for (const char* ad : {"Ad 0", "Ad 1", "Ad 2"}) catalogue.add(kCommercialStation, {Commercial, ad, "", 2});
        catalogue.add(kCH, {Ident, "Ident A", "", 2});                                // 0
        catalogue.add(kCH, {Opener, "Morning", "", 2});                               // 1
        catalogue.addSong(kCH, {"S0", "", {"Hey", ""}, {"", "Bye", "Later"}, 3});     // 2, variants 3-7
        catalogue.add(kCH, {Chatter, "Talk", "", 2});                                 // 8
        catalogue.addSong(kCH, {"S1", "", {"Yo"}, {"Out"}, 3});                       // 9
        catalogue.add(kCH, {ChatterAlt, "Alt", "", 2});                               // 12
        catalogue.addSong(kCH, {"S2", "", {"A", "B", ""}, {}, 3});                    // 13
        catalogue.add(kCH, {Ident, "Ident B", "", 2});                                // 17
        catalogue.addSong(kCH, {"S3", "", {}, {"x", ""}, 3});                         // 18
        catalogue.addSong(kCH, {"S4", "", {""}, {""}, 3});                            // 21
        catalogue.addSong(kCO, {"Lonely", "", {"a"}, {"b"}, 3});
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data());
        tools = std::make_unique<PlaylistTools>(*playlist, random);
    }
    const Clip* clip(int station, int index) { return &catalogue.data().table()[station].clips[index]; }
};

TEST_F(ToolsFixture, APoolWithoutAgingGivesEveryClipOnceInDrawOrderThenNothing) {
    ClipPool pool = buildPool(catalogue.data().table(), kCH, kSongMask, false);
    ASSERT_EQ(pool.entries.size(), 5u);
    random.seed(1);  // draws 41, 18467, 6334, 26500, 19169
    std::vector<const Clip*> drawn;
    for (int i = 0; i < 5; ++i) drawn.push_back(drawClip(pool, random));
    EXPECT_EQ(drawn, (std::vector<const Clip*>{clip(kCH, 18), clip(kCH, 9), clip(kCH, 2), clip(kCH, 13), clip(kCH, 21)}));
    const uint32_t state = random.state();
    EXPECT_EQ(drawClip(pool, random), nullptr);
    EXPECT_EQ(random.state(), state);  // an empty draw takes no value
}

TEST_F(ToolsFixture, AnAgingPoolFavoursTheClipsDrawnLongestAgoAndNeverRunsDry) {
    // Idents 0 and 17 and chatter 8 and 12 of CH, as one pool with aging.
    ClipPool pool = buildPool(catalogue.data().table(), kCH, kChatterMask | kIdentMask, true);
    ASSERT_EQ(pool.entries.size(), 4u);
    random.seed(1);
    std::vector<const Clip*> drawn;
    for (int i = 0; i < 8; ++i) drawn.push_back(drawClip(pool, random));
    const std::vector<int> expected = {0, 17, 8, 12, 17, 8, 8, 0};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(drawn[i], clip(kCH, expected[i])) << "draw " << i;
    ClipPool one = buildPool(catalogue.data().table(), kCH, kOpenerMask, true);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(drawClip(one, random), clip(kCH, 1));
    ClipPool none = buildPool(catalogue.data().table(), kCO, kIdentMask, true);
    EXPECT_EQ(drawClip(none, random), nullptr);
}

TEST_F(ToolsFixture, RadioMixClearsAndSequencesTheStation) {
    append(*playlist, kCH, 8);
    playlist->fileName = "kept.vhcd";
    playlist->playlistScroll = 4;
    random.seed(1234);
    tools->createRadioMix(kCH);
    // Ident, opener; then per song: song (random variants), commercial,
    // (ident,) chatter; after the last song: song, commercial, ident.
    EXPECT_EQ(entries(*playlist),
              "4:0/0/0 4:1/0/0 4:13/1/0 1:1/0/0 4:8/0/0 4:18/0/0 1:2/0/0 4:12/0/0 4:21/0/0 1:0/0/0 4:17/0/0 4:12/0/0 "
              "4:9/0/0 1:1/0/0 4:8/0/0 4:2/1/2 1:1/0/0 4:17/0/0");
    EXPECT_EQ(std::pair(playlist->trackCount, test::listLength(*playlist)), std::pair(18, 18));
    EXPECT_TRUE(playlist->fileName.empty());
    EXPECT_EQ(playlist->playlistScroll, 0);
    EXPECT_TRUE(!playlist->pleaseWait && playlist->trackAt(2)->introAudio && playlist->trackAt(2)->mainAudio);
}

TEST_F(ToolsFixture, PadPutsAStationBreakAfterSomeSongsAndFallsBackWhenPoolsAreEmpty) {
    for (int song : {2, 9, 13}) append(*playlist, kCH, song);
    playlist->playlistScroll = 2;
    random.seed(99);
    tools->pad(kCH);
    EXPECT_EQ(entries(*playlist), "4:17/0/0 4:1/0/0 4:2/1/0 1:0/0/0 4:12/0/0 4:9/0/0 1:1/0/0 4:8/0/0 4:13/2/0 4:0/0/0 1:2/0/0");
    EXPECT_EQ(std::pair(playlist->trackCount, playlist->playlistScroll), std::pair(11, 2));
    playlist->clearPlaylist();
    append(*playlist, kCO, 0);
    random.seed(3);
    tools->pad(kCO);  // no opener, chatter or ident: only the commercial gets through
    EXPECT_EQ(entries(*playlist), "5:0/0/0 1:0/0/0");
}

TEST_F(ToolsFixture, AddAllSongsAppendsEachSongOnceWithItsDefaultsAndMusicMixStartsAfresh) {
    append(*playlist, kCH, 8);
    playlist->playlistScroll = 1;
    random.seed(7);
    tools->addAllSongs(kCH);
    EXPECT_EQ(entries(*playlist), "4:8/0/0 4:13/2/0 4:2/1/0 4:18/0/1 4:9/0/0 4:21/0/0");
    EXPECT_EQ(playlist->playlistScroll, 1);
    EXPECT_TRUE(playlist->trackAt(2)->introAudio && playlist->trackAt(2)->outroAudio);
    playlist->fileName = "kept.vhcd";
    random.seed(3);
    tools->createMusicMix(kCH);
    EXPECT_EQ(entries(*playlist), "4:21/0/0 4:18/0/1 4:9/0/0 4:2/1/0 4:13/2/0");
    EXPECT_TRUE(playlist->fileName.empty());
}

TEST_F(ToolsFixture, RandomizeIntrosDrawsOnlyForChoicesOfMoreThanOneVariant) {
    for (int song : {2, 9, 13, 18}) append(*playlist, kCH, song);
    random.seed(5);
    tools->randomizeIntros();
    // S0: intro and outro; S1 (one of each): nothing; S2: intro; S3: outro.
    EXPECT_EQ(entries(*playlist), "4:2/0/1 4:9/0/0 4:13/0/0 4:18/0/1");
    EXPECT_EQ(random.state(), 1602335321u);
    EXPECT_TRUE(playlist->first()->outroAudio);
}

TEST_F(ToolsFixture, NothingChangesWhileATrackPlays) {
    playlist->currentTrack = append(*playlist, kCH, 2);
    random.seed(1);
    const uint32_t state = random.state();
    tools->addAllSongs(kCH);
    tools->pad(kCH);
    tools->randomizeIntros();
    tools->createMusicMix(kCH);
    tools->createRadioMix(kCH);
    EXPECT_EQ(entries(*playlist), "4:2/1/0");
    EXPECT_EQ(random.state(), state);
    playlist->currentTrack = nullptr;
}

}  // namespace
}  // namespace vh
