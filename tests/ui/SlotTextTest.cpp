#include <gtest/gtest.h>

#include "support/TestCatalogue.h"
#include "ui/ClipRows.h"
#include "ui/SlotText.h"

namespace vh {
namespace {

constexpr int kCH = 4;
constexpr int kAdverts = 1;

struct SlotTextFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    int song, bare, chatter, ad, adStationChatter;

    void SetUp() override {
        song = catalogue.addSong(kCH, {"Tune", "Band", {"", "Hello there"}, {"Bye now", ""}});
        bare = catalogue.addSong(kCH, {"Plain", "", {}, {}});
        chatter = catalogue.add(kCH, {Chatter, "Talk", "", 5});
        ad = catalogue.add(kCH, {Commercial, "Buy", "", 5});
        adStationChatter = catalogue.add(kAdverts, {Chatter, "Jingle", "", 5});
        catalogue.load();
    }
    PlaylistTrack track(int station, int clip, int intro = 0, int outro = 0) {
        PlaylistTrack t;
        t.station = station;
        t.clip = &catalogue.data().table()[station].clips[clip];
        t.intro = intro;
        t.outro = outro;
        return t;
    }
    SlotText text(const PlaylistTrack& t) { return slotText(catalogue.data().table(), t); }
};

TEST_F(SlotTextFixture, SongShowsItsChosenIntroAndOutro) {
    SlotText s = text(track(kCH, song, 1, 0));
    EXPECT_TRUE(s.song);
    EXPECT_EQ(s.title, "Band - Tune");
    EXPECT_TRUE(s.hasStationName);
    EXPECT_EQ(s.stationName, "CH");
    EXPECT_EQ(s.introText, "Hello there");
    EXPECT_EQ(s.outroText, "Bye now");
}

TEST_F(SlotTextFixture, UntitledOrMissingVariantsShowNoSpeech) {
    SlotText s = text(track(kCH, song, 0, 1));
    EXPECT_EQ(s.introText, kNoSpeechOverIntro);
    EXPECT_EQ(s.outroText, kNoSpeechOverOutro);

    SlotText plain = text(track(kCH, bare));
    EXPECT_EQ(plain.title, "Plain");
    EXPECT_EQ(plain.introText, kNoSpeechOverIntro);
    EXPECT_EQ(plain.outroText, kNoSpeechOverOutro);

    // A choice outside the song's variants (a damaged playlist file) reads
    // nothing beyond them.
    SlotText wild = text(track(kCH, song, 7, -3));
    EXPECT_EQ(wild.introText, kNoSpeechOverIntro);
    EXPECT_EQ(wild.outroText, kNoSpeechOverOutro);
}

TEST_F(SlotTextFixture, CommercialsAndTheCommercialStationHaveNoStationName) {
    EXPECT_TRUE(text(track(kCH, chatter)).hasStationName);
    EXPECT_FALSE(text(track(kCH, chatter)).song);
    EXPECT_FALSE(text(track(kCH, ad)).hasStationName);
    EXPECT_FALSE(text(track(kAdverts, adStationChatter)).hasStationName);
}

TEST_F(SlotTextFixture, BrowserListsTopLevelClipsOnly) {
    std::vector<const Clip*> rows = topLevelClips(catalogue.data().table()[kCH]);
    const Clip* clips = catalogue.data().table()[kCH].clips;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], &clips[song]);
    EXPECT_EQ(rows[1], &clips[bare]);
    EXPECT_EQ(rows[2], &clips[chatter]);
    EXPECT_EQ(rows[3], &clips[ad]);
    EXPECT_TRUE(topLevelClips(catalogue.data().table()[0]).empty());
}

}  // namespace
}  // namespace vh
