#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <fstream>
#include <sstream>

#include "export/ExportOptions.h"
#include "export/Exporter.h"
#include "support/FileSizeLimit.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4;

struct Events : ViewHooks, PlaybackControl {
    std::vector<std::string> log;
    Playlist* playlist = nullptr;
    void invalidate() override { log.push_back("invalidate"); }
    void drawTransportNow(bool) override {
        log.push_back(playlist && playlist->exportActive ? "transport during export" : "transport");
    }
    void drawViewNow() override { log.push_back("view scroll " + std::to_string(playlist->playlistScroll)); }
    void playTrack(PlaylistTrack* t, int32_t) override {
        log.push_back(t ? "play" : "stop");
        playlist->reportPosition(nullptr, 0);
    }
};

uint32_t u32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::string text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ExportFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    Events events;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<ExportContext> context;
    test::TempDir out;
    int ident, song, commercial, exact, shortSong, fourSeconds;
    int resumed = 0, stopped = 0;

    void SetUp() override {
        ident = catalogue.add(kCH, {Ident, "Ident", "", 10, 1});        // 280 frames
        song = catalogue.addSong(kCH, {"Song", "Band", {""}, {""}, 40});  // 5 + 40 + 7 blocks
        commercial = catalogue.add(1, {Commercial, "Ad", "", 12, 2});    // 336 frames
        exact = catalogue.add(kCH, {Chatter, "Exact", "", 80, 3});       // 2240 frames = 320 × 7
        shortSong = catalogue.addSong(kCH, {"Short", "", {}, {}, 3});
        fourSeconds = catalogue.add(kCH, {Chatter, "Long", "", 3429, 1});  // 96012 frames: 300.04 CD frames
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data(), &events, &events);
        events.playlist = playlist.get();
        context = std::make_unique<ExportContext>(*playlist, catalogue.prompts);
        context->playback = &events;
        context->stopOutput = [this] { ++stopped; };
        context->resumeOutput = [this] { ++resumed; };
        context->positionCallback = [this](PlaylistTrack* t, int32_t f) { playlist->reportPosition(t, f); };
    }
    void append(int station, int clip) {
        auto t = playlist->createTrack(station, &catalogue.data().table()[station].clips[clip]);
        playlist->loadTrackAudio(*t, WaitDisplay::None);
        playlist->insertBefore(std::move(t), playlist->sentinel());
        ++playlist->trackCount;
    }
    std::vector<test::RecordingPrompts::Shown>& shown() { return catalogue.prompts.shown; }
};

TEST(CueIndex, MinutesSecondsFramesWithMinutesWrappingAt99) {
    EXPECT_EQ(cueIndexLine(0), "    INDEX 01 00:00:00");
    EXPECT_EQ(cueIndexLine(7), "    INDEX 01 00:00:07");
    EXPECT_EQ(cueIndexLine(4500 * 61 + 75 * 31 + 74), "    INDEX 01 61:31:74");
    EXPECT_EQ(cueIndexLine(4500 * 99), "    INDEX 01 00:00:00");
    EXPECT_EQ(cueIndexLine(4500 * 100 + 75 * 3 + 2), "    INDEX 01 01:03:02");
    // A full 80-minute CD lies far beyond 2^31 input frames × 75.
    EXPECT_EQ(cueIndexLine(80 * 4500), "    INDEX 01 80:00:00");
}

TEST(WavName, EndingChecksIgnoreCase) {
    EXPECT_TRUE(hasWavExtension("MIX.WAV"));
    EXPECT_TRUE(hasWavExtension("/a/b/mix.Wav"));
    EXPECT_FALSE(hasWavExtension("mix.wave"));
    EXPECT_FALSE(hasWavExtension("mix.mp3"));
    EXPECT_FALSE(hasWavExtension("wav"));
    EXPECT_EQ(cuePathFor("/x/MIX.WAV"), fs::path("/x/MIX.cue"));
}

TEST_F(ExportFixture, PerClipLayoutMarksEveryEntry) {
    append(kCH, ident);
    append(kCH, exact);
    append(kCH, exact);
    append(1, commercial);
    ASSERT_EQ(exportToPath(*context, true, out / "mix.wav"), ExportOutcome::Done);
    // 280 frames round up to CD frame 1; the 2240-frame entry ends exactly on 1 + 7.
    std::string expected = "FILE \"" + (out / "mix.wav").string() +
                           "\" WAVE\r\n"
                           "  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                           "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:01\r\n"
                           "  TRACK 03 AUDIO\r\n    INDEX 01 00:00:08\r\n"
                           "  TRACK 04 AUDIO\r\n    INDEX 01 00:00:15\r\n"
                           "\r\n\r\n";
    EXPECT_EQ(text(out / "mix.cue"), expected);

    auto wav = test::readFile(out / "mix.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(u32(wav, 24), 44100u);
    EXPECT_EQ(u32(wav, 28), 176400u);
    // 280 + 2240 + 2240 + 336 input frames = 5096 → 16 CD frames → 16 × 588 output frames.
    EXPECT_EQ(u32(wav, 40), 16u * 588 * 4);
    EXPECT_EQ(wav.size(), 44u + 16 * 588 * 4);
    EXPECT_TRUE(shown().empty());
}

TEST_F(ExportFixture, PerSongLayoutFoldsStationBreaksIntoTheSongBefore) {
    context->trackLayout = 2;  // any non-zero byte means per song
    append(kCH, ident);
    append(kCH, song);
    append(1, commercial);
    append(kCH, shortSong);
    ASSERT_EQ(exportToPath(*context, true, out / "MIX.WAV"), ExportOutcome::Done);
    std::string cue = text(out / "MIX.cue");
    // Track 1: the ident; 2: intro, song, outro and the commercial; 3: the short song.
    int64_t songStart = 1;                                   // ceil(280 / 320)
    int64_t shortStart = (280 + (5 + 40 + 7) * 28 + 336 + 319) / 320;
    EXPECT_NE(cue.find("  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 02 AUDIO\r\n" + cueIndexLine(songStart) + "\r\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 03 AUDIO\r\n" + cueIndexLine(shortStart) + "\r\n"), std::string::npos);
    EXPECT_EQ(cue.find("TRACK 04"), std::string::npos);
}

TEST_F(ExportFixture, MoreThan99EntriesGiveThreeDigitTrackNumbers) {
    for (int i = 0; i < 101; ++i) append(kCH, ident);
    ASSERT_EQ(exportToPath(*context, true, out / "long.wav"), ExportOutcome::Done);
    std::string cue = text(out / "long.cue");
    EXPECT_NE(cue.find("  TRACK 99 AUDIO\r\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 100 AUDIO\r\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 101 AUDIO\r\n"), std::string::npos);
}

TEST_F(ExportFixture, WaveExportWritesSamplesAsDecodedAndNoCueSheet) {
    append(kCH, exact);  // every sample decodes to 3 (code 3, shift 12)
    ASSERT_EQ(exportToPath(*context, false, out / "plain.wav"), ExportOutcome::Done);
    EXPECT_FALSE(fs::exists(out / "plain.cue"));
    auto wav = test::readFile(out / "plain.wav");
    EXPECT_EQ(u32(wav, 24), 24000u);
    ASSERT_EQ(u32(wav, 40), 2240u * 4);  // exactly 7 CD frames: no padding
    for (std::size_t at = 44; at < wav.size(); at += 2) ASSERT_EQ(wav[at] | wav[at + 1] << 8, 3) << at;
}

TEST_F(ExportFixture, StopsPlaybackAndOutputAndFollowsTheEntryBeingWritten) {
    append(kCH, ident);
    append(kCH, exact);
    ASSERT_EQ(exportToPath(*context, false, out / "a.wav"), ExportOutcome::Done);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(resumed, 1);
    EXPECT_FALSE(playlist->exportActive);
    EXPECT_EQ(playlist->playlistScroll, 1);  // stays on the last entry
    std::vector<std::string> expected = {"view scroll 0", "stop", "view scroll 0", "transport during export",
                                         "view scroll 1", "transport during export", "invalidate"};
    std::vector<std::string> seen;
    for (auto& e : events.log)
        if (seen.empty() || e != seen.back() || e != "transport during export") seen.push_back(e);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(playlist->currentTrack, playlist->trackAt(1));  // until the player reports again
}

TEST_F(ExportFixture, RefusedNamesAndTargetsWriteNothing) {
    append(kCH, ident);
    fs::create_directory(out / "taken.cue");  // the CUE sheet's name is a folder
    ASSERT_EQ(mkfifo((out / "pipe.wav").c_str(), 0600), 0);
    const std::string badName = "This name cannot be written into a CUE sheet: it holds a double quote, a line "
                                "break or another control character. Please choose another name.";
    struct Case {
        const char* name;
        std::string message;
    } cases[] = {
        {"mix.wave", "This program can only export wave (*.wav) files"},
        {"mix.mp3", "This program can only export wave (*.wav) files"},
        {"missing/folder/x.wav", "Failed to open wave file"},
        {"taken.wav", (out / "taken.cue").string() + " is not a regular file; nothing was written to it."},
        {"say \"hi\".wav", badName},
        {"two\nlines.wav", badName},
        {"tab\t.wav", badName},
        {"pipe.wav", (out / "pipe.wav").string() + " is not a regular file; nothing was written to it."},
    };
    for (const Case& c : cases) {
        shown().clear();
        EXPECT_EQ(exportToPath(*context, true, out / c.name), ExportOutcome::Failed) << c.name;
        ASSERT_EQ(shown().size(), 1u) << c.name;
        EXPECT_EQ(shown()[0].caption, "Error");
        EXPECT_EQ(shown()[0].text, c.message) << c.name;
    }
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(out.path())) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<fs::path>{"pipe.wav", "taken.cue"}));
    EXPECT_TRUE(fs::is_fifo(out / "pipe.wav"));
    EXPECT_EQ(stopped, 0);  // nothing started

    // Without a CUE sheet a double quote is harmless.
    EXPECT_EQ(exportToPath(*context, false, out / "say \"hi\".wav"), ExportOutcome::Done);
    // An empty playlist says why nothing happens.
    playlist->clearPlaylist();
    shown().clear();
    EXPECT_EQ(exportToPath(*context, false, out / "empty.wav"), ExportOutcome::Failed);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "The playlist is empty: there is nothing to export.");
}

TEST_F(ExportFixture, FullDiskKeepsTheExportItWouldReplace) {
    for (int i = 0; i < 20; ++i) append(kCH, exact);
    ASSERT_EQ(exportToPath(*context, true, out / "full.wav"), ExportOutcome::Done);
    const auto wavBefore = test::readFile(out / "full.wav");
    const auto cueBefore = test::readFile(out / "full.cue");
    append(kCH, exact);  // the new export would differ
    ExportOutcome outcome;
    {
        test::FileSizeLimit fullDisk(100000);
        outcome = exportToPath(*context, true, out / "full.wav");
    }
    EXPECT_EQ(outcome, ExportOutcome::Failed);
    EXPECT_EQ(test::readFile(out / "full.wav"), wavBefore);
    EXPECT_EQ(test::readFile(out / "full.cue"), cueBefore);
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 2);  // no .part left
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].caption, "Error");
    EXPECT_EQ(shown()[0].text, "Failed to write wave file");
    EXPECT_FALSE(playlist->exportActive);
    EXPECT_EQ(resumed, 2);
}

TEST_F(ExportFixture, CdTracksUnderFourSecondsAreNamedAfterTheExport) {
    append(kCH, fourSeconds);
    append(kCH, exact);
    append(kCH, fourSeconds);
    append(kCH, ident);  // last: 1 CD frame, padding included
    catalogue.prompts.saveAnswers = {out / "cd.wav"};
    ASSERT_EQ(exportPlaylist(*context, true), ExportOutcome::Done);
    EXPECT_EQ(context->shortCdTracks, (std::vector<int32_t>{2, 4}));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].caption, "Warning");
    EXPECT_NE(shown()[0].text.find("CD tracks 2 and 4 are shorter than four seconds"), std::string::npos);
    EXPECT_NE(shown()[0].text.find("\"One CD track per song\""), std::string::npos);
    // The per-song layout has no better layout to offer; a wave export has no CD tracks.
    EXPECT_EQ(shortCdTracksText({1}, kLayoutPerSong).find("per song"), std::string::npos);
    ASSERT_EQ(exportToPath(*context, false, out / "plain.wav"), ExportOutcome::Done);
    EXPECT_TRUE(context->shortCdTracks.empty());
}

TEST_F(ExportFixture, DialogTitlesAndCancel) {
    append(kCH, ident);
    auto& prompts = catalogue.prompts;
    EXPECT_EQ(exportPlaylist(*context, true), ExportOutcome::Cancelled);
    prompts.saveAnswers = {out / "d.wav"};
    EXPECT_EQ(exportPlaylist(*context, false), ExportOutcome::Done);
    ASSERT_EQ(prompts.choosers.size(), 2u);
    EXPECT_EQ(prompts.choosers[0].title, "Export CD Image");
    EXPECT_EQ(prompts.choosers[1].title, "Export wave file");
    EXPECT_EQ(prompts.choosers[0].filter, "Wave files (*.wav)");
    EXPECT_EQ(prompts.choosers[0].defaultExtension, "wav");
    EXPECT_TRUE(fs::exists(out / "d.wav"));
}

TEST(ExportOptions, OneByteFileWithDefaults) {
    test::TempDir dir;
    EXPECT_EQ(readTrackLayout(dir.path()), 0);
    test::writeFile(dir / "Options.dat", {});
    EXPECT_EQ(readTrackLayout(dir.path()), 0);
    ASSERT_TRUE(writeTrackLayout(dir.path(), kLayoutPerSong));
    EXPECT_EQ(test::readFile(dir / "Options.dat"), std::vector<uint8_t>{1});
    EXPECT_EQ(readTrackLayout(dir.path()), 1);
    test::writeFile(dir / "Options.dat", {2, 9});
    EXPECT_EQ(readTrackLayout(dir.path()), 2);
    EXPECT_FALSE(writeTrackLayout(dir / "no/such", 1));
    // A FIFO under the name would block start-up: it counts as absent and is kept.
    test::TempDir other;
    ASSERT_EQ(mkfifo((other / "Options.dat").c_str(), 0600), 0);
    EXPECT_EQ(readTrackLayout(other.path()), 0);
    EXPECT_FALSE(writeTrackLayout(other.path(), kLayoutPerSong));
    EXPECT_TRUE(fs::is_fifo(other / "Options.dat"));
}

}  // namespace
}  // namespace vh
