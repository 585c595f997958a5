#include "export/Exporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sys/stat.h>

#include "export/ExportOptions.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

using test::append;

constexpr int kCH = 4, kDS = 8;

struct ExportFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    test::ViewRecorder view;
    test::PlayerStandIn player;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<ExportContext> context;
    test::TempDir out;
    // Lengths in 24000 Hz frames, 28 a block.
    int ident, song, commercial, exact, four, fifteen, shortSong, talk, fourSeconds;
    test::RecordingPrompts& prompts = catalogue.prompts;
    void SetUp() override {
        ident = catalogue.add(kCH, {Ident, "Ident", "", 10, 1});          // 280
        song = catalogue.addSong(kCH, {"Song", "Band", {""}, {""}, 40});  // 5 + 40 + 7 blocks
        commercial = catalogue.add(1, {Commercial, "Ad", "", 12, 2});      // 336
        exact = catalogue.add(kCH, {Chatter, "Exact", "", 80, 3});         // 2240 = 320 × 7
        four = catalogue.add(kCH, {Chatter, "Four", "", 4, 3});            // 112
        fifteen = catalogue.add(kCH, {Chatter, "Fifteen", "", 15, 3});     // 420
        shortSong = catalogue.addSong(kCH, {"Short", "", {}, {}, 3});
        talk = catalogue.add(kDS, {Chatter, "Talk", "", 12, 5});
        fourSeconds = catalogue.add(kCH, {Chatter, "Long", "", 3429, 1});  // 96012: 300.04 CD frames
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data(), &view, &player);
        view.playlist = player.playlist = playlist.get();
        context = std::make_unique<ExportContext>(*playlist, prompts);
        context->playback = &player;
        context->stopOutput = [this] { view.calls.push_back("output stopped after " + std::to_string(player.stops()) + " stop"); };
        context->resumeOutput = [this] { view.calls.push_back("output resumed"); };
        context->positionCallback = [this](PlaylistTrack* t, int32_t f) { playlist->reportPosition(t, f); };
    }
};

TEST(CueIndex, MinutesSecondsAndFramesWithTheMinutesWrappingAt99) {
    for (auto [frames, time] : {std::pair{0, "00:00:00"}, {4500 * 61 + 75 * 31 + 74, "61:31:74"},
                                {4500 * 98 + 75 * 59 + 74, "98:59:74"}, {4500 * 99, "00:00:00"}, {4500 * 100 + 75 * 3 + 2, "01:03:02"}})
        EXPECT_EQ(cueIndexLine(frames), std::string("    INDEX 01 ") + time);
}

// An index is the input before the track in CD frames of 320 input frames,
// rounded up: exactly 7 after 2240, 8 after 2352 (7.35) and 9 after 2772
// (8.66), so rounding down or to the nearest frame would show.
TEST_F(ExportFixture, CdImageOfOneTrackPerClip) {
    for (int clip : {exact, four, fifteen, ident}) append(*playlist, kCH, clip);
    ASSERT_EQ(exportToPath(*context, true, out / "mix.wav"), ExportOutcome::Done);
    EXPECT_EQ(test::readText(out / "mix.cue"), "FILE \"" + (out / "mix.wav").string() +
                                                   "\" WAVE\r\n"
                                                   "  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                                                   "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:07\r\n"
                                                   "  TRACK 03 AUDIO\r\n    INDEX 01 00:00:08\r\n"
                                                   "  TRACK 04 AUDIO\r\n    INDEX 01 00:00:09\r\n"
                                                   "\r\n\r\n");
    const auto wav = test::readFile(out / "mix.wav");
    EXPECT_EQ(test::le32(wav, 24), 44100u);  // the header's layout is the resampler's, checked there
    // 3052 input frames are 9.54 CD frames: padded to 10 of 588 frames.
    EXPECT_EQ(test::le32(wav, 40), 10u * 588 * 4);
    EXPECT_EQ(wav.size(), 44u + 10 * 588 * 4);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ExportFixture, OneTrackPerSongFoldsTheStationBreakIntoTheSongBefore) {
    context->trackLayout = 2;  // any non-zero byte means per song
    append(*playlist, kCH, ident);
    append(*playlist, kCH, song);
    append(*playlist, 1, commercial);
    append(*playlist, kCH, shortSong);
    ASSERT_EQ(exportToPath(*context, true, out / "MIX.WAV"), ExportOutcome::Done);
    // Track 1: the ident; 2: intro, song, outro and the commercial; 3: the short song.
    const int64_t shortStart = (280 + (5 + 40 + 7) * 28 + 336 + 319) / 320;
    const std::string cue = test::readText(out / "MIX.cue");
    EXPECT_NE(cue.find("  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                       "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:01\r\n"
                       "  TRACK 03 AUDIO\r\n" + cueIndexLine(shortStart) + "\r\n\r\n\r\n"), std::string::npos) << cue;
}

TEST_F(ExportFixture, MoreThan99EntriesGiveThreeDigitTrackNumbers) {
    for (int i = 0; i < 101; ++i) append(*playlist, kCH, ident);
    ASSERT_EQ(exportToPath(*context, true, out / "long.wav"), ExportOutcome::Done);
    const std::string cue = test::readText(out / "long.cue");
    for (const char* track : {"  TRACK 99 AUDIO\r\n", "  TRACK 100 AUDIO\r\n", "  TRACK 101 AUDIO\r\n"})
        EXPECT_NE(cue.find(track), std::string::npos) << track;
}

TEST_F(ExportFixture, WaveExportWritesTheSamplesAsDecodedAndNoCueSheet) {
    append(*playlist, kCH, exact);  // every sample decodes to 3 (code 3, shift 12)
    ASSERT_EQ(exportToPath(*context, false, out / "plain.wav"), ExportOutcome::Done);
    EXPECT_FALSE(fs::exists(out / "plain.cue"));
    const auto wav = test::readFile(out / "plain.wav");
    EXPECT_EQ(test::le32(wav, 24), 24000u);
    ASSERT_EQ(test::le32(wav, 40), 2240u * 4);  // exactly 7 CD frames: no padding
    for (std::size_t at = 44; at < wav.size(); at += 2) ASSERT_EQ(wav[at] | wav[at + 1] << 8, 3) << at;
}

TEST_F(ExportFixture, StopsPlaybackAndOutputAndShowsTheEntryBeingWritten) {
    append(*playlist, kCH, ident);
    append(*playlist, kCH, exact);
    ASSERT_EQ(exportToPath(*context, false, out / "a.wav"), ExportOutcome::Done);
    view.calls.erase(std::unique(view.calls.begin(), view.calls.end()), view.calls.end());
    EXPECT_EQ(view.calls, (std::vector<std::string>{"view scroll 0", "output stopped after 1 stop", "view scroll 0",
                                              "transport during export", "view scroll 1", "transport during export",
                                              "output resumed", "invalidate"}));
    EXPECT_FALSE(playlist->exportActive);
    EXPECT_EQ(playlist->playlistScroll, 1);                   // the pane stays on the last entry
    EXPECT_EQ(playlist->currentTrack, playlist->trackAt(1));  // until the player reports again
    playlist->currentTrack = nullptr;
}

TEST_F(ExportFixture, AStreamFileGoneFromCacheAndDiscLeavesASilentEntryThatIsPassedOver) {
    test::TempDir disc;  // the located disc holds the lookup file only
    test::writeFile(disc / "AUDIO/CONFIG/TRAKLKUP.DAT", test::readFile(catalogue.workDir() / "CACHE/TRAKLKUP.DAT"));
    GameData data(prompts, [&] { return std::vector<fs::path>{disc.path()}; }, catalogue.workDir());
    data.loadCatalogue();
    ASSERT_TRUE(data.locateDisc());
    fs::remove(catalogue.workDir() / "CACHE/DS.PAK");
    Playlist list(data);
    append(list, kCH, ident);
    PlaylistTrack* gone = append(list, kDS, talk);
    append(list, kCH, ident);
    EXPECT_EQ(gone->mainAudio, nullptr);
    EXPECT_EQ(list.playlistDuration().seconds, 1);  // 2 × 280 frames, rounded up
    ExportContext plain(list, prompts);
    ASSERT_EQ(exportToPath(plain, true, out / "mix.wav"), ExportOutcome::Done);
    EXPECT_EQ(test::le32(test::readFile(out / "mix.wav"), 40), 588u * 2 * 4);  // 560 frames: 2 CD frames
    const std::string cue = test::readText(out / "mix.cue");
    EXPECT_NE(cue.find("  TRACK 02 AUDIO\r\n    INDEX 01 00:00:01\r\n  TRACK 03 AUDIO\r\n    INDEX 01 00:00:01\r\n"),
              std::string::npos);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ExportFixture, RefusedNamesAndTargetsWriteNothing) {
    append(*playlist, kCH, ident);
    fs::create_directory(out / "taken.cue");  // the CUE sheet's name is a folder
    ASSERT_EQ(mkfifo((out / "pipe.wav").c_str(), 0600), 0);
    const std::string badName = "This name cannot be written into a CUE sheet: it holds a double quote, a line "
                                "break or another control character. Please choose another name.";
    struct Case {
        const char* name;
        std::string message;
    } cases[] = {
        {"mix.wave", "This program can only export wave (*.wav) files"},
        {"mixwav", "This program can only export wave (*.wav) files"},
        {"missing/folder/x.wav", "Failed to open wave file"},
        {"taken.wav", (out / "taken.cue").string() + " is not a regular file; nothing was written to it."},
        {"say \"hi\".wav", badName},
        {"two\nlines.wav", badName},
        {"tab\t.wav", badName},
        {"pipe.wav", (out / "pipe.wav").string() + " is not a regular file; nothing was written to it."},
    };
    for (const Case& c : cases) {
        prompts.shown.clear();
        EXPECT_EQ(exportToPath(*context, true, out / c.name), ExportOutcome::Failed) << c.name;
        ASSERT_EQ(prompts.shown.size(), 1u) << c.name;
        EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text, "Error|" + c.message) << c.name;
    }
    EXPECT_EQ(test::filesIn(out.path()), (std::vector<fs::path>{"pipe.wav", "taken.cue"}));
    EXPECT_TRUE(fs::is_fifo(out / "pipe.wav"));
    EXPECT_TRUE(player.calls.empty());  // nothing started

    // Without a CUE sheet a double quote is harmless.
    EXPECT_EQ(exportToPath(*context, false, out / "say \"hi\".wav"), ExportOutcome::Done);
    // An empty playlist says why nothing happens.
    playlist->clearPlaylist();
    prompts.shown.clear();
    EXPECT_EQ(exportToPath(*context, false, out / "empty.wav"), ExportOutcome::Failed);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "The playlist is empty: there is nothing to export.");
}

TEST_F(ExportFixture, AFullDiskIsReportedAndLosesNothingThatWasThere) {
    for (int i = 0; i < 30; ++i) append(*playlist, kCH, song);
    ASSERT_EQ(exportToPath(*context, true, out / "earlier.wav"), ExportOutcome::Done);
    test::writeFile(out / "mix.cue", {'o', 'l', 'd'});  // the CUE sheet of the name about to be exported as a wave
    std::map<fs::path, std::vector<uint8_t>> before;
    for (const auto& entry : fs::directory_iterator(out.path())) before[entry.path()] = test::readFile(entry.path());
    view.calls.clear();
    {
        test::FileSizeLimit fullDisk(400);
        EXPECT_EQ(exportToPath(*context, false, out / "mix.wav"), ExportOutcome::Failed);
        EXPECT_EQ(exportToPath(*context, true, out / "image.wav"), ExportOutcome::Failed);
        EXPECT_EQ(exportToPath(*context, true, out / "earlier.wav"), ExportOutcome::Failed);  // kept whole
    }
    ASSERT_EQ(prompts.shown.size(), 3u);
    for (auto& s : prompts.shown) EXPECT_EQ(s.text, "Failed to write wave file");
    std::map<fs::path, std::vector<uint8_t>> after;
    for (const auto& entry : fs::directory_iterator(out.path())) after[entry.path()] = test::readFile(entry.path());
    EXPECT_TRUE(after == before);  // no incomplete image left behind either
    EXPECT_FALSE(playlist->exportActive);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "output resumed"), 3);
}

TEST_F(ExportFixture, CdTracksUnderFourSecondsAreNamedAfterTheExport) {
    append(*playlist, kCH, fourSeconds);
    append(*playlist, kCH, exact);
    append(*playlist, kCH, fourSeconds);
    append(*playlist, kCH, ident);  // last: 1 CD frame, padding included
    prompts.saveAnswers = {out / "cd.wav"};
    ASSERT_EQ(exportPlaylist(*context, true), ExportOutcome::Done);
    EXPECT_EQ(context->shortCdTracks, (std::vector<int32_t>{2, 4}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Warning");
    EXPECT_NE(prompts.shown[0].text.find("CD tracks 2 and 4 are shorter than four seconds"), std::string::npos);
    EXPECT_NE(prompts.shown[0].text.find("\"One CD track per song\""), std::string::npos);
    // The per-song layout has no better layout to offer; a wave export has no CD tracks.
    EXPECT_EQ(shortCdTracksText({1}, kLayoutPerSong).find("per song"), std::string::npos);
    ASSERT_EQ(exportToPath(*context, false, out / "plain.wav"), ExportOutcome::Done);
    EXPECT_TRUE(context->shortCdTracks.empty());
}

TEST_F(ExportFixture, TheDialogsTitlesAndCancel) {
    append(*playlist, kCH, ident);
    EXPECT_EQ(exportPlaylist(*context, true), ExportOutcome::Cancelled);
    prompts.saveAnswers = {out / "d.wav"};
    EXPECT_EQ(exportPlaylist(*context, false), ExportOutcome::Done);
    ASSERT_EQ(prompts.choosers.size(), 2u);
    EXPECT_EQ(prompts.choosers[0].title + "|" + prompts.choosers[1].title + "|" + prompts.choosers[0].filter + "|" +
                  prompts.choosers[0].defaultExtension, "Export CD Image|Export wave file|Wave files (*.wav)|wav");
    EXPECT_TRUE(fs::exists(out / "d.wav"));
}

TEST(ExportOptions, OneByteWithTheDefaultPerClipAndNothingReportedWhenItCannotBeWritten) {
    test::TempDir dir;
    EXPECT_EQ(readTrackLayout(dir.path()), kLayoutPerClip);
    test::writeFile(dir / "Options.dat", {});
    EXPECT_EQ(readTrackLayout(dir.path()), kLayoutPerClip);
    ASSERT_TRUE(writeExportOptions(dir.path(), kLayoutPerSong, true));
    EXPECT_EQ(test::readFile(dir / "Options.dat"), (std::vector<uint8_t>{1, 1}));
    EXPECT_TRUE(readCdText(dir.path()));
    ASSERT_TRUE(writeExportOptions(dir.path(), kLayoutPerSong, false));  // CD-TEXT off: the one byte it always was
    EXPECT_EQ(test::readFile(dir / "Options.dat"), std::vector<uint8_t>{1});
    EXPECT_FALSE(readCdText(dir.path()));
    test::writeFile(dir / "Options.dat", {2, 9});
    EXPECT_EQ(readTrackLayout(dir.path()), 2);
    {
        test::FileSizeLimit fullDisk(0);
        EXPECT_FALSE(writeTrackLayout(dir.path(), kLayoutPerClip));
    }
    EXPECT_EQ(test::readFile(dir / "Options.dat"), (std::vector<uint8_t>{2, 9}));
    fs::remove(dir / "Options.dat");
    fs::create_directory(dir / "Options.dat");  // a folder cannot become the file
    EXPECT_FALSE(writeTrackLayout(dir.path(), kLayoutPerSong));
    EXPECT_EQ(readTrackLayout(dir.path()), kLayoutPerClip);
    // A FIFO under the name would block start-up: it counts as absent and is kept.
    test::TempDir other;
    ASSERT_EQ(mkfifo((other / "Options.dat").c_str(), 0600), 0);
    EXPECT_EQ(readTrackLayout(other.path()), 0);
    EXPECT_FALSE(writeTrackLayout(other.path(), kLayoutPerSong));
    EXPECT_TRUE(fs::is_fifo(other / "Options.dat"));
}

}  // namespace
}  // namespace vh
