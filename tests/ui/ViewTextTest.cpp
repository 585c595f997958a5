#include <gtest/gtest.h>

#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"
#include "ui/SlotText.h"
#include "ui/TransportText.h"

namespace vh {
namespace {

struct TransportCase {
    const char* name;
    TransportState state;
    const char* text;
    bool red;
};

TransportState idle(int32_t tracks, int32_t minutes, int32_t seconds, bool over = false, bool hasLength = true) {
    TransportState s;
    s.trackCount = tracks;
    s.length = {hasLength, minutes, seconds, over};
    return s;
}
TransportState playing(int32_t position, int32_t elapsed) {
    TransportState s;
    s.playing = true;
    s.trackPosition = position;
    s.elapsedSeconds = elapsed;
    return s;
}
TransportState with(TransportState s, bool copy, int32_t percent, bool wait, bool exporting) {
    s.copyActive = copy;
    s.copyPercent = percent;
    s.copyFileName = "CH.PAK";
    s.pleaseWait = wait;
    s.exportActive = exporting;
    return s;
}

class TransportTextTest : public ::testing::TestWithParam<TransportCase> {};

TEST_P(TransportTextTest, BuildsTheLineInTheOrderItsStatesOverrideEachOther) {
    const TransportText line = buildTransportText(GetParam().state);
    EXPECT_EQ(line.text, GetParam().text);
    EXPECT_EQ(line.red, GetParam().red);
}

INSTANTIATE_TEST_SUITE_P(
    States, TransportTextTest,
    ::testing::Values(TransportCase{"NothingAtAll", {}, "-- --:--", false},
                      TransportCase{"IdleWithoutAudio", idle(2, 0, 0, false, false), "-- --:--", false},
                      TransportCase{"IdleTotal", idle(3, 61, 31), "03 61:31", false},
                      TransportCase{"OverLength", idle(20, 78, 0, true), "20 78:00", true},
                      TransportCase{"PlaylistTrack", playing(2, 75), "03 01:15", false},
                      TransportCase{"HourWraps", playing(0, 3723), "01 02:03", false},
                      TransportCase{"Preview", playing(-1, 9), "-- 00:09", false},
                      TransportCase{"CopyStart", with({}, true, 0, false, false), "Copying CH.PAK : 00%", false},
                      TransportCase{"CopyDone", with({}, true, 100, false, false), "Copying CH.PAK : OK ", false},
                      TransportCase{"CopyHidesTheTotal", with(idle(3, 80, 0, true), true, 5, false, false), "Copying CH.PAK : 05%", true},
                      TransportCase{"PleaseWait", with(playing(-1, 0), true, 40, true, false), "PLEASE WAIT", false},
                      TransportCase{"Export", with(playing(4, 65), false, 0, false, true), ">> 05 01:05 <<", false},
                      TransportCase{"ExportWithWait", with({}, false, 0, true, true), ">> PLEASE WAIT <<", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransportStateOf, CountsPlaylistTracksFromOneAndShowsPreviewsWithoutANumber) {
    test::TestCatalogue catalogue;
    const int song = catalogue.addSong(4, {"Tune", "Band", {""}, {""}, 20});
    catalogue.load();
    Playlist playlist(catalogue.data());
    for (int i = 0; i < 3; ++i) test::append(playlist, 4, song);
    EXPECT_EQ(buildTransportText(transportStateOf(playlist)).text, "03 00:01");  // 3 × 32 blocks, rounded up
    playlist.currentTrack = playlist.trackAt(1);
    playlist.elapsedSeconds = 7;
    EXPECT_EQ(buildTransportText(transportStateOf(playlist)).text, "02 00:07");
    auto preview = playlist.createTrack(4, playlist.first()->clip);
    playlist.currentTrack = preview.get();
    EXPECT_EQ(buildTransportText(transportStateOf(playlist)).text, "-- 00:07");
    playlist.currentTrack = nullptr;
}

TEST(SlotText, NamesTheClipItsChosenVariantsAndTheStationUnlessACommercial) {
    test::TestCatalogue catalogue;
    const int song = catalogue.addSong(4, {"Tune", "Band", {"", "Hello there"}, {"Bye now", ""}});
    const int ad = catalogue.add(4, {Commercial, "Buy", "", 5});
    const int jingle = catalogue.add(1, {Chatter, "Jingle", "", 5});
    catalogue.load();
    const StationTable& table = catalogue.data().table();
    auto text = [&](int station, int clip, int intro, int outro) {
        PlaylistTrack t;
        t.station = station;
        t.clip = &table[station].clips[clip];
        t.intro = intro;
        t.outro = outro;
        return slotText(table, t);
    };
    const SlotText s = text(4, song, 1, 0);
    EXPECT_TRUE(s.song && s.hasStationName);
    EXPECT_EQ(s.title + "|" + s.stationName + "|" + s.introText + "|" + s.outroText, "Band - Tune|CH|Hello there|Bye now");
    // Untitled or (from a damaged file) nonexistent variants carry no speech.
    for (const SlotText& none : {text(4, song, 0, 1), text(4, song, 7, -3)})
        EXPECT_EQ(none.introText + "|" + none.outroText, "(no speech over intro)|(no speech over outro)");
    EXPECT_FALSE(text(4, ad, 0, 0).hasStationName);
    EXPECT_FALSE(text(1, jingle, 0, 0).hasStationName);
}

}  // namespace
}  // namespace vh
