#include <gtest/gtest.h>

#include <sys/stat.h>

#include "playlist/PlaylistFile.h"
#include "support/FileSizeLimit.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4;

struct StopRecorder : PlaybackControl {
    int stops = 0;
    Playlist* playlist = nullptr;
    void playTrack(PlaylistTrack* track, int32_t) override {
        if (!track) ++stops;
        if (playlist) playlist->reportPosition(nullptr, 0);
    }
};

std::vector<uint8_t> playlistBytes(int32_t count, const std::vector<std::array<int32_t, 4>>& records) {
    std::vector<uint8_t> bytes;
    auto put = [&](int32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    };
    put(count);
    for (auto& r : records)
        for (int32_t v : r) put(v);
    return bytes;
}

struct FileFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    StopRecorder playback;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<PlaylistFileCommands> commands;
    int song, chatter;
    test::TempDir files;

    void SetUp() override {
        song = catalogue.addSong(kCH, {"Song", "Band", {"a", "", "c"}, {"", "y"}});
        chatter = catalogue.add(kCH, {Chatter, "Talk", "", 10});
        catalogue.add(1, {Commercial, "Ad", "", 10});
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data(), nullptr, &playback);
        playback.playlist = playlist.get();
        commands = std::make_unique<PlaylistFileCommands>(*playlist, catalogue.prompts);
    }
    PlaylistTrack* append(int station, int clip) {
        auto t = playlist->createTrack(station, &catalogue.data().table()[station].clips[clip]);
        ++playlist->trackCount;
        return playlist->insertBefore(std::move(t), playlist->sentinel());
    }
    std::vector<std::array<int32_t, 4>> records() {
        std::vector<std::array<int32_t, 4>> out;
        for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next)
            out.push_back({t->station, playlist->clipIndexOf(*t), t->intro, t->outro});
        return out;
    }
    std::vector<test::RecordingPrompts::Shown>& shown() { return catalogue.prompts.shown; }
};

TEST_F(FileFixture, ThreeEntriesRoundTripWithTheirChoices) {
    PlaylistTrack* s = append(kCH, song);
    s->intro = 2;  // not the default (1)
    s->outro = 1;  // not the default (0)
    append(1, 0);
    append(kCH, chatter);
    auto written = records();
    fs::path path = files / "mix.vhcd";
    ASSERT_EQ(writePlaylistFile(*playlist, path), WriteResult::Ok);
    EXPECT_EQ(fs::file_size(path), 52u);
    EXPECT_EQ(test::readFile(path), playlistBytes(3, written));

    playlist->clearPlaylist();
    commands->openPath(path);
    EXPECT_EQ(records(), written);
    EXPECT_EQ(playlist->trackCount, 3);
    EXPECT_EQ(playlist->fileName, path.string());
    EXPECT_TRUE(playlist->first()->introAudio && playlist->first()->outroAudio);
    EXPECT_TRUE(shown().empty());
}

TEST_F(FileFixture, CountsAboveTheLimitZeroAndNegative) {
    std::vector<std::array<int32_t, 4>> many(150, {kCH, chatter, 0, 0});
    test::writeFile(files / "many.vhcd", playlistBytes(150, many));
    commands->openPath(files / "many.vhcd");
    EXPECT_EQ(playlist->trackCount, 99);
    ASSERT_EQ(shown().size(), 1u);  // the next Save would drop 51 entries: say so
    EXPECT_EQ(shown()[0].caption, "Varnholt Radio");
    EXPECT_EQ(shown()[0].text, "This playlist holds 150 entries; only the first 99 were loaded.");
    shown().clear();

    for (int32_t count : {0, -5}) {
        playlist->playlistScroll = 7;
        test::writeFile(files / "empty.vhcd", playlistBytes(count, many));
        commands->openPath(files / "empty.vhcd");
        EXPECT_EQ(playlist->trackCount, 0);
        EXPECT_EQ(playlist->first(), playlist->sentinel());
        EXPECT_EQ(playlist->fileName, (files / "empty.vhcd").string());
        EXPECT_EQ(playlist->playlistScroll, 7);  // loading keeps the pane where it was
    }
    EXPECT_TRUE(shown().empty());
}

TEST_F(FileFixture, OpenStopsPlaybackEvenForAnEmptyFile) {
    PlaylistTrack* t = append(kCH, chatter);
    playlist->currentTrack = t;
    test::writeFile(files / "empty.vhcd", playlistBytes(0, {}));
    commands->openPath(files / "empty.vhcd");
    EXPECT_EQ(playback.stops, 1);
    EXPECT_EQ(playlist->currentTrack, nullptr);
}

TEST_F(FileFixture, OpenFailureLeavesThePlaylistAlone) {
    append(kCH, chatter);
    playlist->fileName = "before.vhcd";
    commands->openPath(files / "missing.vhcd");
    commands->openPath(files.path());  // a folder is no playlist
    EXPECT_EQ(playlist->trackCount, 1);
    EXPECT_EQ(playlist->fileName, "before.vhcd");
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0].caption, "Varnholt Radio");
    EXPECT_EQ(shown()[0].text, "Failed to open file\n");
}

struct DamageCase {
    const char* name;
    int32_t count;
    std::vector<std::array<int32_t, 4>> records;
    bool cutLastByte;
    int32_t loaded, skipped, repaired;
    const char* message;
};

class DamagedFile : public FileFixture, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedFile, LoadsWhatIsWholeAndSaysWhatWasWrong) {
    const DamageCase& c = GetParam();
    auto bytes = playlistBytes(c.count, c.records);
    if (c.cutLastByte) bytes.pop_back();
    test::writeFile(files / "bad.vhcd", bytes);
    PlaylistLoadReport report;
    ASSERT_TRUE(loadPlaylistFile(*playlist, files / "bad.vhcd", report));
    EXPECT_EQ(report.loaded, c.loaded);
    EXPECT_EQ(report.skipped, c.skipped);
    EXPECT_EQ(report.repaired, c.repaired);
    EXPECT_EQ(playlist->trackCount, c.loaded);
    int n = 0;
    const StationTable& table = catalogue.data().table();
    for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next, ++n) {
        ASSERT_TRUE(t->station >= 0 && t->station < kStationCount);
        int32_t index = playlist->clipIndexOf(*t);
        ASSERT_TRUE(index >= 0 && index < table[t->station].clipCount);
        EXPECT_TRUE(t->intro == 0 || t->intro < t->clip->introCount);
        EXPECT_TRUE(t->outro == 0 || t->outro < t->clip->outroCount);
    }
    EXPECT_EQ(n, c.loaded);
    EXPECT_EQ(damagedPlaylistText(report), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    , DamagedFile,
    ::testing::Values(
        DamageCase{"ShortFile", 3, {{4, 0, 0, 0}, {4, 6, 0, 0}, {1, 0, 0, 0}}, true, 2, 1, 0,
                   "This playlist file is damaged: 1 record was skipped."},
        DamageCase{"StationOutOfRange", 3, {{16, 0, 0, 0}, {-1, 0, 0, 0}, {4, 6, 0, 0}}, false, 1, 2, 0,
                   "This playlist file is damaged: 2 records were skipped."},
        DamageCase{"ClipNotInStation", 3, {{4, 7, 0, 0}, {4, -1, 0, 0}, {2, 0, 0, 0}}, false, 0, 3, 0,
                   "This playlist file is damaged: 3 records were skipped."},
        DamageCase{"ChoicesOutOfRange", 3, {{4, 0, 3, 0}, {4, 0, 0, -1}, {4, 6, 1, 0}}, false, 3, 0, 3,
                   "This playlist file is damaged: 3 records were repaired (intro or outro reset to the default)."},
        DamageCase{"Both", 2, {{4, 0, 9, 9}, {9, 0, 0, 0}}, false, 1, 1, 1,
                   "This playlist file is damaged: 1 record was skipped and 1 record was repaired (intro or outro "
                   "reset to the default)."},
        DamageCase{"CountOnlyPartOfAByte", 1, {}, false, 0, 1, 0,
                   "This playlist file is damaged: 1 record was skipped."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileFixture, RepairedChoicesBecomeTheDefaults) {
    test::writeFile(files / "bad.vhcd", playlistBytes(1, {{kCH, song, 5, 7}}));
    commands->openPath(files / "bad.vhcd");
    ASSERT_EQ(playlist->trackCount, 1);
    EXPECT_EQ(playlist->first()->intro, 1);
    EXPECT_EQ(playlist->first()->outro, 0);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].caption, "Varnholt Radio");
}

TEST_F(FileFixture, SaveAsksForANameOnlyWhenThereIsNone) {
    append(kCH, chatter);
    auto& prompts = catalogue.prompts;
    prompts.saveAnswers = {files / "first.vhcd"};
    commands->save();  // no file name yet: the Save As dialog
    ASSERT_EQ(prompts.choosers.size(), 1u);
    EXPECT_EQ(prompts.choosers[0].title, "Save track list");
    EXPECT_EQ(prompts.choosers[0].filter, "Playlists (*.vhcd)");
    EXPECT_EQ(prompts.choosers[0].defaultExtension, "vhcd");
    EXPECT_EQ(playlist->fileName, (files / "first.vhcd").string());

    append(kCH, song);
    commands->save();  // now straight to the file
    EXPECT_EQ(prompts.choosers.size(), 1u);
    EXPECT_EQ(fs::file_size(files / "first.vhcd"), 36u);

    // Save As to a place that cannot be created keeps the old name.
    prompts.saveAnswers = {files / "no/such/folder/x.vhcd"};
    commands->saveAs();
    EXPECT_EQ(prompts.choosers.back().initialName, (files / "first.vhcd").string());
    EXPECT_EQ(playlist->fileName, (files / "first.vhcd").string());
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "Failed to open file\n");

    // Cancelled dialogs change nothing; an empty playlist offers no saving.
    commands->saveAs();
    EXPECT_EQ(playlist->fileName, (files / "first.vhcd").string());
    playlist->clearPlaylist();
    std::size_t dialogs = prompts.choosers.size();
    commands->save();
    commands->saveAs();
    EXPECT_EQ(prompts.choosers.size(), dialogs);
}

TEST_F(FileFixture, FailedWriteIsReportedAndKeepsTheOldFileWhole) {
    for (int i = 0; i < 30; ++i) append(kCH, chatter);
    fs::path path = files / "kept.vhcd";
    test::writeFile(path, playlistBytes(1, {{kCH, song, 0, 0}}));
    playlist->fileName = path.string();
    {
        test::FileSizeLimit fullDisk(100);  // the 484-byte file does not fit
        commands->save();
    }
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].caption, "Varnholt Radio");
    EXPECT_EQ(shown()[0].text, "Failed to write file");
    EXPECT_EQ(test::readFile(path), playlistBytes(1, {{kCH, song, 0, 0}}));
    EXPECT_FALSE(fs::exists(files / "kept.vhcd.part"));

    catalogue.prompts.saveAnswers = {files / "other.vhcd"};
    {
        test::FileSizeLimit fullDisk(100);
        commands->saveAs();
    }
    EXPECT_EQ(playlist->fileName, path.string());
    EXPECT_FALSE(fs::exists(files / "other.vhcd"));
}

// Saving through a symbolic link replaces the file it names and keeps the
// link; a FIFO or device under the name is refused, never replaced.
TEST_F(FileFixture, SaveFollowsLinksAndRefusesSpecialFiles) {
    append(kCH, song);
    fs::create_directory(files / "real");
    test::writeFile(files / "real/list.vhcd", {});
    fs::create_symlink("real/list.vhcd", files / "link.vhcd");
    playlist->fileName = (files / "link.vhcd").string();
    commands->save();
    EXPECT_TRUE(fs::is_symlink(files / "link.vhcd"));
    ASSERT_EQ(writePlaylistFile(*playlist, files / "plain.vhcd"), WriteResult::Ok);
    EXPECT_EQ(test::readFile(files / "real/list.vhcd"), test::readFile(files / "plain.vhcd"));

    ASSERT_EQ(mkfifo((files / "pipe.vhcd").c_str(), 0600), 0);
    playlist->fileName = (files / "pipe.vhcd").string();
    commands->save();
    EXPECT_TRUE(fs::is_fifo(files / "pipe.vhcd"));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, (files / "pipe.vhcd").string() + " is not a regular file; nothing was written to it.");
    // Opening one does not block: it is no playlist.
    commands->openPath(files / "pipe.vhcd");
    EXPECT_EQ(shown().back().text, "Failed to open file\n");
}

}  // namespace
}  // namespace vh
