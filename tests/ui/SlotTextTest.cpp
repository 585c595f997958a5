#include <gtest/gtest.h>

#include "support/TestCatalogue.h"
#include "ui/ClipRows.h"
#include "ui/SlotText.h"

namespace vh {
namespace {

constexpr int kCH = 4, kAdverts = 1;

TEST(SlotText, NamesTheClipItsChosenVariantsAndTheStationUnlessACommercial) {
    test::TestCatalogue catalogue;
    const int song = catalogue.addSong(kCH, {"Tune", "Band", {"", "Hello there"}, {"Bye now", ""}});
    const int bare = catalogue.addSong(kCH, {"Plain", "", {}, {}});
    const int chatter = catalogue.add(kCH, {Chatter, "Talk", "", 5});
    const int ad = catalogue.add(kCH, {Commercial, "Buy", "", 5});
    const int jingle = catalogue.add(kAdverts, {Chatter, "Jingle", "", 5});
    catalogue.load();
    const StationTable& table = catalogue.data().table();
    auto text = [&](int station, int clip, int intro = 0, int outro = 0) {
        PlaylistTrack t;
        t.station = station;
        t.clip = &table[station].clips[clip];
        t.intro = intro;
        t.outro = outro;
        return slotText(table, t);
    };
    SlotText s = text(kCH, song, 1, 0);
    EXPECT_TRUE(s.song);
    EXPECT_EQ(s.title, "Band - Tune");
    EXPECT_TRUE(s.hasStationName);
    EXPECT_EQ(s.stationName, "CH");
    EXPECT_EQ(s.introText, "Hello there");
    EXPECT_EQ(s.outroText, "Bye now");
    // Untitled, missing or (from a damaged file) nonexistent variants carry no speech.
    for (SlotText none : {text(kCH, song, 0, 1), text(kCH, bare), text(kCH, song, 7, -3)}) {
        EXPECT_EQ(none.introText, "(no speech over intro)");
        EXPECT_EQ(none.outroText, "(no speech over outro)");
    }
    EXPECT_EQ(text(kCH, bare).title, "Plain");
    EXPECT_FALSE(text(kCH, chatter).song);
    EXPECT_TRUE(text(kCH, chatter).hasStationName);
    EXPECT_FALSE(text(kCH, ad).hasStationName);
    EXPECT_FALSE(text(kAdverts, jingle).hasStationName);

    // The browser lists the top-level clips only.
    const Clip* clips = table[kCH].clips;
    EXPECT_EQ(topLevelClips(table[kCH]), (std::vector<const Clip*>{&clips[song], &clips[bare], &clips[chatter], &clips[ad]}));
}

}  // namespace
}  // namespace vh
