#include <gtest/gtest.h>

#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"
#include "ui/SlotText.h"
#include "ui/TransportText.h"

// The cases name only the fields that differ from a default state.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vh {
namespace {

struct TransportCase { const char* name; TransportState state; const char* text; bool red; };

class TransportTextTest : public ::testing::TestWithParam<TransportCase> {};

TEST_P(TransportTextTest, BuildsTheLineInTheOrderItsStatesOverrideEachOther) {
    const TransportText line = buildTransportText(GetParam().state);
    EXPECT_EQ(std::pair(line.text, line.red), std::pair(std::string(GetParam().text), GetParam().red));
}

INSTANTIATE_TEST_SUITE_P(
    States, TransportTextTest,
    ::testing::Values(
        TransportCase{"NothingAtAll", {}, "-- --:--", false},
        TransportCase{"IdleWithoutAudio", {.trackCount = 2}, "-- --:--", false},
        TransportCase{"IdleTotal", {.trackCount = 3, .length = {true, 61, 31, false}}, "03 61:31", false},
        TransportCase{"OverLength", {.trackCount = 20, .length = {true, 78, 0, true}}, "20 78:00", true},
        TransportCase{"PlaylistTrack", {.playing = true, .trackPosition = 2, .elapsedSeconds = 75}, "03 01:15", false},
        TransportCase{"HourWraps", {.playing = true, .trackPosition = 0, .elapsedSeconds = 3723}, "01 02:03", false},
        TransportCase{"Preview", {.playing = true, .elapsedSeconds = 9}, "-- 00:09", false},
        TransportCase{"CopyStart", {.copyActive = true, .copyFileName = "CH.PAK"}, "Copying CH.PAK : 00%", false},
        TransportCase{"CopyDone", {.copyActive = true, .copyPercent = 100, .copyFileName = "CH.PAK"}, "Copying CH.PAK : OK ", false},
        TransportCase{"CopyHidesTheTotal", {.trackCount = 3, .length = {true, 80, 0, true}, .copyActive = true, .copyPercent = 5,
                                            .copyFileName = "CH.PAK"}, "Copying CH.PAK : 05%", true},
        TransportCase{"PleaseWait", {.playing = true, .copyActive = true, .copyPercent = 40, .copyFileName = "CH.PAK",
                                     .pleaseWait = true}, "PLEASE WAIT", false},
        TransportCase{"Export", {.playing = true, .trackPosition = 4, .elapsedSeconds = 65, .exportActive = true}, ">> 05 01:05 <<", false},
        TransportCase{"ExportWithWait", {.pleaseWait = true, .exportActive = true}, ">> PLEASE WAIT <<", false}),
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
    EXPECT_TRUE(!text(4, ad, 0, 0).hasStationName && !text(1, jingle, 0, 0).hasStationName);
}

}  // namespace
}  // namespace vh
