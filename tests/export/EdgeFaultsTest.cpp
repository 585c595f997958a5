// Faults at the edges of the program's files: a stream file that goes away
// after start-up, a work folder that cannot be written, a destination that
// fills up. Each has its defined outcome, and nothing already on disk is
// lost.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>

#include "audio/ClipPlayer.h"
#include "export/ExportOptions.h"
#include "export/Exporter.h"
#include "gamedata/CacheCopy.h"
#include "playlist/PlaylistFile.h"
#include "support/FileSizeLimit.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4, kDS = 8;

struct Player : PlaybackControl {
    ClipPlayer player;
    void playTrack(PlaylistTrack* track, int32_t startPart) override { player.startTrack(track, startPart); }
};

uint32_t u32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// A work folder whose CACHE and a disc folder both hold every file; the
// catalogue is loaded with the disc already located, as after a run that
// needed it.
struct EdgeFixture : ::testing::Test {
    test::TestCatalogue made;
    test::TempDir disc;
    test::RecordingPrompts prompts;
    std::unique_ptr<GameData> data;
    std::unique_ptr<Playlist> playlist;
    Player control;
    int chClip, dsClip, chSong;

    void SetUp() override {
        chClip = made.add(kCH, {Ident, "Ident", "", 10, 1});
        chSong = made.addSong(kCH, {"Song", "Band", {""}, {""}, 6});
        dsClip = made.add(kDS, {Chatter, "Talk", "", 12, 5});
        made.load();
        const fs::path cache = made.workDir() / "CACHE";
        for (const auto& entry : fs::directory_iterator(cache)) {
            const bool lookup = entry.path().filename() == kTrackLookupName;
            fs::path to = disc / "AUDIO" / (lookup ? "CONFIG" : "STREAMS") / entry.path().filename();
            fs::create_directories(to.parent_path());
            fs::copy_file(entry.path(), to);
        }
        data = std::make_unique<GameData>(prompts, [this] { return std::vector<fs::path>{disc.path()}; },
                                          made.workDir());
        data->loadCatalogue();
        ASSERT_TRUE(data->catalogueFileInUse());
        ASSERT_TRUE(data->locateDisc());
        playlist = std::make_unique<Playlist>(*data, nullptr, &control);
        control.player.gainLeft = control.player.gainRight = 1.0f;
        control.player.setCallback([this](PlaylistTrack* t, int32_t f) { playlist->reportPosition(t, f); });
    }
    PlaylistTrack* append(int station, int clip) {
        auto t = playlist->createTrack(station, &data->table()[station].clips[clip]);
        playlist->loadTrackAudio(*t, WaitDisplay::None);
        ++playlist->trackCount;
        return playlist->insertBefore(std::move(t), playlist->sentinel());
    }
    // Left samples of `frames` rendered frames, back as 16-bit values.
    std::vector<int16_t> play(int32_t frames) {
        std::vector<float> out(2 * std::size_t(frames));
        control.player.render(out.data(), frames);
        std::vector<int16_t> left;
        for (int32_t i = 0; i < frames; ++i) left.push_back(int16_t(out[2 * std::size_t(i)] * 32768.0f));
        return left;
    }
};

TEST_F(EdgeFixture, StreamFileGoneFromCacheAndDiscLeavesASilentEntryThatPlaybackAndExportPassOver) {
    // Gone from the cache only: the located disc serves it.
    fs::remove(made.workDir() / "CACHE/DS.PAK");
    EXPECT_NE(data->loadClipData(kDS, dsClip), nullptr);
    // Gone from both: no data, no message, no question.
    fs::remove(disc / "AUDIO/STREAMS/DS.PAK");
    EXPECT_EQ(data->loadClipData(kDS, dsClip), nullptr);

    PlaylistTrack* first = append(kCH, chClip);
    PlaylistTrack* gone = append(kDS, dsClip);
    PlaylistTrack* last = append(kCH, chClip);
    EXPECT_EQ(playlist->trackCount, 3);
    EXPECT_EQ(gone->mainAudio, nullptr);
    EXPECT_EQ(trackSamples(*gone), 0);
    EXPECT_EQ(playlist->playlistDuration().seconds, 1);  // 2 × 280 frames, rounded up
    EXPECT_TRUE(prompts.shown.empty());

    // Playback goes from the first entry on to the third, the silent one
    // costing at most one block of silence between them.
    control.playTrack(first, 0);
    std::vector<int16_t> left = play(280);
    for (int i = 0; i < 280; ++i) ASSERT_EQ(left[std::size_t(i)], 1) << i;  // code 1, shift 12
    left = play(28 + 280 + 28);
    const auto third = std::find(left.begin(), left.end(), int16_t(1));
    ASSERT_LE(third - left.begin(), 28);
    EXPECT_EQ(std::count(third, third + 280, int16_t(1)), 280);
    EXPECT_EQ(std::count(left.begin(), left.end(), int16_t(0)), 56);
    EXPECT_EQ(playlist->currentTrack, nullptr);  // idle after the last
    (void)last;

    // The export writes both real entries and marks the silent one at the
    // point where it would have begun.
    test::TempDir out;
    ExportContext context(*playlist, prompts);
    context.playback = &control;
    ASSERT_EQ(exportToPath(context, true, out / "mix.wav"), ExportOutcome::Done);
    std::vector<uint8_t> wav = test::readFile(out / "mix.wav");
    EXPECT_EQ(u32(wav, 40), 588u * 2 * 4);  // 560 input frames → 2 CD frames
    std::string cue;
    for (uint8_t b : test::readFile(out / "mix.cue")) cue += char(b);
    EXPECT_NE(cue.find("  TRACK 02 AUDIO\r\n    INDEX 01 00:00:01\r\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 03 AUDIO\r\n    INDEX 01 00:00:01\r\n"), std::string::npos);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(EdgeFixture, FullDiskDuringAnExportLosesNothingThatWasThere) {
    for (int i = 0; i < 30; ++i) append(kCH, chSong);
    test::TempDir out;
    ExportContext context(*playlist, prompts);
    context.playback = &control;

    // What lies around the destination already: an earlier CD image, the
    // CUE sheet of the name about to be exported as a wave, a playlist, the
    // options and the cache.
    ASSERT_EQ(exportToPath(context, true, out / "earlier.wav"), ExportOutcome::Done);
    test::writeFile(out / "mix.cue", {'o', 'l', 'd'});
    ASSERT_EQ(writePlaylistFile(*playlist, out / "list.vhcd"), WriteResult::Ok);
    ASSERT_TRUE(writeTrackLayout(made.workDir(), kLayoutPerSong));
    std::map<fs::path, std::vector<uint8_t>> before;
    for (const fs::path& dir : {out.path(), made.workDir(), made.workDir() / "CACHE"})
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) before[entry.path()] = test::readFile(entry.path());

    {
        test::FileSizeLimit fullDisk(400);
        EXPECT_EQ(exportToPath(context, false, out / "mix.wav"), ExportOutcome::Failed);
        EXPECT_EQ(exportToPath(context, true, out / "image.wav"), ExportOutcome::Failed);
        EXPECT_EQ(exportToPath(context, true, out / "earlier.wav"), ExportOutcome::Failed);
        // Saving the playlist (484 bytes) on the full disk fails too.
        EXPECT_EQ(writePlaylistFile(*playlist, out / "list.vhcd"), WriteResult::WriteFailed);
    }
    {
        test::FileSizeLimit fullDisk(0);
        EXPECT_FALSE(writeTrackLayout(made.workDir(), kLayoutPerClip));
    }
    ASSERT_EQ(prompts.shown.size(), 3u);
    for (const auto& shown : prompts.shown) EXPECT_EQ(shown.text, "Failed to write wave file");
    EXPECT_FALSE(fs::exists(out / "mix.wav"));
    EXPECT_FALSE(fs::exists(out / "image.wav"));
    EXPECT_FALSE(fs::exists(out / "image.cue"));
    for (const auto& [path, bytes] : before) EXPECT_EQ(test::readFile(path), bytes) << path;
    EXPECT_EQ(readTrackLayout(made.workDir()), kLayoutPerSong);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(out.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 4u);  // earlier.wav, earlier.cue, mix.cue, list.vhcd: no leftovers
}

// A work folder where Options.dat and CACHE cannot be written: a folder
// stands where the file should be, and a file where the folder should be.
TEST_F(EdgeFixture, WorkFolderThatCannotBeWrittenKeepsTheChoiceAndFailsTheCopy) {
    test::TempDir work;
    fs::create_directory(work / kOptionsFileName);
    test::writeFile(work / "CACHE", {'k', 'e', 'e', 'p'});
    GameData here(prompts, [this] { return std::vector<fs::path>{disc.path()}; }, work.path());
    here.loadCatalogue();  // from the disc: CACHE holds nothing
    EXPECT_EQ(here.table()[kCH].clipCount, data->table()[kCH].clipCount);

    EXPECT_EQ(readTrackLayout(work.path()), kLayoutPerClip);
    EXPECT_FALSE(writeTrackLayout(work.path(), kLayoutPerSong));
    EXPECT_TRUE(fs::is_directory(work / kOptionsFileName));
    // The choice still applies to this run's export.
    Playlist list(here);
    auto t = list.createTrack(kCH, &here.table()[kCH].clips[chClip]);
    list.loadTrackAudio(*t, WaitDisplay::None);
    list.insertBefore(std::move(t), list.sentinel());
    auto s = list.createTrack(kCH, &here.table()[kCH].clips[chClip]);
    list.loadTrackAudio(*s, WaitDisplay::None);
    list.insertBefore(std::move(s), list.sentinel());
    list.trackCount = 2;
    ExportContext context(list, prompts);
    context.trackLayout = kLayoutPerSong;
    test::TempDir out;
    ASSERT_EQ(exportToPath(context, true, out / "a.wav"), ExportOutcome::Done);
    std::string cue;
    for (uint8_t b : test::readFile(out / "a.cue")) cue += char(b);
    EXPECT_EQ(cue.find("TRACK 02"), std::string::npos);  // two idents, one CD track

    EXPECT_FALSE(copyAudioFiles(here, nullptr));
    EXPECT_EQ(test::readFile(work / "CACHE"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(fs::exists(disc / "AUDIO/CONFIG" / kTrackLookupName));
    EXPECT_TRUE(prompts.shown.empty());
}

// The same through the permissions of a read-only folder. The superuser
// writes there anyway, so the test has nothing to show when run as root.
TEST_F(EdgeFixture, ReadOnlyWorkFolderKeepsTheChoiceAndFailsTheCopy) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::TempDir work;
    test::writeFile(work / kOptionsFileName, {kLayoutPerSong});
    fs::permissions(work.path(), fs::perms::owner_read | fs::perms::owner_exec);
    GameData here(prompts, [this] { return std::vector<fs::path>{disc.path()}; }, work.path());
    here.loadCatalogue();
    EXPECT_EQ(readTrackLayout(work.path()), kLayoutPerSong);
    EXPECT_FALSE(writeTrackLayout(work.path(), kLayoutPerClip));
    EXPECT_EQ(readTrackLayout(work.path()), kLayoutPerSong);
    EXPECT_FALSE(copyAudioFiles(here, nullptr));
    EXPECT_FALSE(fs::exists(work / "CACHE"));
}

}  // namespace
}  // namespace vh
