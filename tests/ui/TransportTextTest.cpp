#include <gtest/gtest.h>

#include "support/TestCatalogue.h"
#include "ui/TransportText.h"

namespace vh {
namespace {

TransportState idle(int32_t tracks, int32_t minutes, int32_t seconds, bool over = false) {
    TransportState s;
    s.trackCount = tracks;
    s.length.hasLength = tracks != 0;
    s.length.minutes = minutes;
    s.length.seconds = seconds;
    s.length.overLength = over;
    return s;
}

TransportState playing(int32_t position, int32_t elapsed) {
    TransportState s;
    s.playing = true;
    s.trackPosition = position;
    s.elapsedSeconds = elapsed;
    return s;
}

struct TransportCase {
    const char* name;
    TransportState state;
    const char* text;
    bool red;
};

class TransportTextTest : public ::testing::TestWithParam<TransportCase> {};

TEST_P(TransportTextTest, BuildsTheLine) {
    const TransportText line = buildTransportText(GetParam().state);
    EXPECT_EQ(line.text, GetParam().text);
    EXPECT_EQ(line.red, GetParam().red);
}

TransportState copying(int32_t percent, TransportState base = {}) {
    base.copyActive = true;
    base.copyPercent = percent;
    base.copyFileName = "CH.PAK";
    return base;
}

TransportState waiting(TransportState base) {
    base.pleaseWait = true;
    return base;
}

TransportState exporting(TransportState base) {
    base.exportActive = true;
    return base;
}

TransportState withoutAudio() {
    TransportState s = idle(2, 0, 0);
    s.length.hasLength = false;  // tracks whose audio could not be loaded
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    States, TransportTextTest,
    ::testing::Values(
        TransportCase{"NothingAtAll", TransportState{}, "-- --:--", false},
        TransportCase{"IdleWithoutAudio", withoutAudio(), "-- --:--", false},
        TransportCase{"IdleTotal", idle(3, 61, 31), "03 61:31", false},
        TransportCase{"JustUnderACd", idle(12, 77, 59), "12 77:59", false},
        TransportCase{"OverLength", idle(20, 78, 0, true), "20 78:00", true},
        TransportCase{"CappedTotal", idle(99, 99, 59, true), "99 99:59", true},
        TransportCase{"PlaylistTrack", playing(2, 75), "03 01:15", false},
        TransportCase{"HourWraps", playing(0, 3723), "01 02:03", false},
        TransportCase{"Preview", playing(-1, 9), "-- 00:09", false},
        TransportCase{"CopyStart", copying(0), "Copying CH.PAK : 00%", false},
        TransportCase{"CopyHalf", copying(57), "Copying CH.PAK : 57%", false},
        TransportCase{"CopyDone", copying(100), "Copying CH.PAK : OK ", false},
        TransportCase{"CopyHidesTheTotal", copying(5, idle(3, 80, 0, true)), "Copying CH.PAK : 05%", true},
        TransportCase{"PleaseWait", waiting(playing(-1, 0)), "PLEASE WAIT", false},
        TransportCase{"PleaseWaitOverCopy", waiting(copying(40)), "PLEASE WAIT", false},
        TransportCase{"Export", exporting(playing(4, 65)), ">> 05 01:05 <<", false},
        TransportCase{"ExportWithWait", exporting(waiting(TransportState{})), ">> PLEASE WAIT <<", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransportStateOf, TellsPlaylistTracksFromPreviews) {
    test::TestCatalogue catalogue;
    const int song = catalogue.addSong(4, {"Tune", "Band", {""}, {""}, 20});
    catalogue.load();
    Playlist playlist(catalogue.data());
    const Clip* clip = &catalogue.data().table()[4].clips[song];
    for (int i = 0; i < 3; ++i) {
        PlaylistTrack* t = playlist.insertBefore(playlist.createTrack(4, clip), playlist.sentinel());
        playlist.loadTrackAudio(*t, WaitDisplay::None);
        ++playlist.trackCount;
    }
    // Idle: the count and the rounded-up total of the loaded audio.
    EXPECT_EQ(buildTransportText(transportStateOf(playlist)).text, "03 00:01");

    playlist.currentTrack = playlist.trackAt(1);
    playlist.elapsedSeconds = 7;
    EXPECT_EQ(buildTransportText(transportStateOf(playlist)).text, "02 00:07");

    auto preview = playlist.createTrack(4, clip);
    playlist.currentTrack = preview.get();
    EXPECT_EQ(buildTransportText(transportStateOf(playlist)).text, "-- 00:07");
    playlist.currentTrack = nullptr;
}

}  // namespace
}  // namespace vh
