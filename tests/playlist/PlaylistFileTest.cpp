#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>

#include "playlist/PlaylistFile.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

using test::append;
using Record = std::array<int32_t, 4>;  // station, clip index, intro, outro

constexpr int kCH = 4;

using test::playlistBytes;

struct FileFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<PlaylistFileCommands> commands;
    int song, chatter;
    test::TempDir files;
    test::RecordingPrompts& prompts = catalogue.prompts;
    void SetUp() override {
        song = catalogue.addSong(kCH, {"Song", "Band", {"a", "", "c"}, {"", "y"}});  // defaults: intro 1, outro 0
        chatter = catalogue.add(kCH, {Chatter, "Talk", "", 10});
        catalogue.add(1, {Commercial, "Ad", "", 10});
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data());
        commands = std::make_unique<PlaylistFileCommands>(*playlist, prompts);
    }
    std::vector<Record> records() {
        std::vector<Record> out;
        for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next)
            out.push_back({t->station, playlist->clipIndexOf(*t), t->intro, t->outro});
        return out;
    }
};

TEST_F(FileFixture, ThreeEntriesRoundTripAs52BytesWithTheirChoices) {
    PlaylistTrack* s = append(*playlist, kCH, song, false);
    s->intro = 2;
    s->outro = 1;
    append(*playlist, 1, 0, false);
    append(*playlist, kCH, chatter, false);
    const fs::path path = files / "mix.vhcd";
    ASSERT_EQ(writePlaylistFile(*playlist, path), WriteResult::Ok);
    EXPECT_EQ(test::readFile(path), playlistBytes(3, {{kCH, song, 2, 1}, {1, 0, 0, 0}, {kCH, chatter, 0, 0}}));
    playlist->clearPlaylist();
    commands->openPath(path);
    EXPECT_EQ(records(), (std::vector<Record>{{kCH, song, 2, 1}, {1, 0, 0, 0}, {kCH, chatter, 0, 0}}));
    EXPECT_EQ(playlist->trackCount, 3);
    EXPECT_EQ(playlist->fileName, path.string());
    EXPECT_TRUE(playlist->first()->introAudio && playlist->first()->outroAudio && prompts.shown.empty());
}

TEST_F(FileFixture, AtMost99RecordsAreLoadedAndACountOfZeroOrLessEmptiesThePlaylist) {
    std::vector<Record> many(150, {kCH, chatter, 0, 0});
    test::writeFile(files / "many.vhcd", playlistBytes(150, many));
    commands->openPath(files / "many.vhcd");
    EXPECT_EQ(playlist->trackCount, 99);
    ASSERT_EQ(prompts.shown.size(), 1u);  // the next Save would drop 51 entries: say so
    EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text,
              "Varnholt Radio|This playlist holds 150 entries; only the first 99 were loaded.");
    prompts.shown.clear();

    for (int32_t count : {0, -5}) {
        playlist->playlistScroll = 7;
        test::writeFile(files / "empty.vhcd", playlistBytes(count, many));
        commands->openPath(files / "empty.vhcd");
        EXPECT_EQ(playlist->trackCount, 0);
        EXPECT_EQ(playlist->first(), playlist->sentinel());
        EXPECT_EQ(playlist->fileName, (files / "empty.vhcd").string());
        EXPECT_EQ(playlist->playlistScroll, 7);  // loading keeps the pane where it was
    }
    EXPECT_TRUE(prompts.shown.empty());
    append(*playlist, kCH, chatter, false);
    commands->openPath(files / "missing.vhcd");
    commands->openPath(files.path());  // a folder is no playlist
    EXPECT_EQ(playlist->trackCount, 1);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text, "Varnholt Radio|Failed to open file\n");
}

TEST_F(FileFixture, DamagedRecordsAreSkippedOrGetTheDefaultChoicesAndAreReported) {
    struct Case {
        int32_t count;
        std::vector<Record> records;
        bool cutLastByte;
        std::vector<Record> loaded;
        const char* message;
    };
    for (const Case& c : {
             Case{3, {{4, 0, 0, 0}, {4, 6, 0, 0}, {1, 0, 0, 0}}, true, {{4, 0, 0, 0}, {4, 6, 0, 0}},
                  "This playlist file is damaged: 1 record was skipped."},
             Case{4, {{16, 0, 0, 0}, {-1, 0, 0, 0}, {4, 7, 0, 0}, {2, 0, 0, 0}}, false, {},
                  "This playlist file is damaged: 4 records were skipped."},
             Case{3, {{4, 0, 3, 0}, {4, 0, 0, -1}, {4, 6, 1, 0}}, false, {{4, 0, 1, 0}, {4, 0, 0, 0}, {4, 6, 0, 0}},
                  "This playlist file is damaged: 3 records were repaired (intro or outro reset to the default)."},
             Case{2, {{4, 0, 9, 9}, {9, 0, 0, 0}}, false, {{4, 0, 1, 0}},
                  "This playlist file is damaged: 1 record was skipped and 1 record was repaired (intro or outro reset "
                  "to the default)."}}) {
        auto bytes = playlistBytes(c.count, c.records);
        if (c.cutLastByte) bytes.pop_back();
        test::writeFile(files / "bad.vhcd", bytes);
        prompts.shown.clear();
        commands->openPath(files / "bad.vhcd");
        EXPECT_EQ(records(), c.loaded) << c.message;
        EXPECT_EQ(playlist->trackCount, int32_t(c.loaded.size()));
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, c.message);
    }
}

TEST_F(FileFixture, SaveAsksForANameOnlyWhenThereIsNoneAndAFailedSaveAsKeepsTheOldOne) {
    append(*playlist, kCH, chatter, false);
    prompts.saveAnswers = {files / "first.vhcd"};
    commands->save();  // no file name yet: the Save As dialog
    ASSERT_EQ(prompts.choosers.size(), 1u);
    EXPECT_EQ(prompts.choosers[0].title, "Save track list");
    EXPECT_EQ(playlist->fileName, (files / "first.vhcd").string());
    append(*playlist, kCH, song, false);
    commands->save();  // now straight to the file
    EXPECT_EQ(prompts.choosers.size(), 1u);
    EXPECT_EQ(fs::file_size(files / "first.vhcd"), 36u);
    prompts.saveAnswers = {files / "no/such/folder/x.vhcd"};
    commands->saveAs();
    EXPECT_EQ(prompts.choosers.back().initialName, (files / "first.vhcd").string());
    EXPECT_EQ(playlist->fileName, (files / "first.vhcd").string());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Failed to open file\n");
    commands->saveAs();  // cancelled: nothing changes
    EXPECT_EQ(playlist->fileName, (files / "first.vhcd").string());
    playlist->clearPlaylist();  // an empty playlist offers no saving
    const std::size_t dialogs = prompts.choosers.size();
    commands->save();
    commands->saveAs();
    EXPECT_EQ(prompts.choosers.size(), dialogs);
}

TEST_F(FileFixture, AFailedWriteIsReportedAndKeepsTheOldFileWhole) {
    for (int i = 0; i < 30; ++i) append(*playlist, kCH, chatter, false);
    const fs::path path = files / "kept.vhcd";
    test::writeFile(path, playlistBytes(1, {{kCH, song, 0, 0}}));
    playlist->fileName = path.string();
    prompts.saveAnswers = {files / "other.vhcd"};
    {
        test::FileSizeLimit fullDisk(100);  // the 484-byte file does not fit
        commands->save();
        commands->saveAs();
    }
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text, "Varnholt Radio|Failed to write file");
    EXPECT_EQ(test::readFile(path), playlistBytes(1, {{kCH, song, 0, 0}}));
    EXPECT_FALSE(fs::exists(files / "kept.vhcd.part"));
    EXPECT_EQ(playlist->fileName, path.string());
    EXPECT_FALSE(fs::exists(files / "other.vhcd"));
}

// Saving through a symbolic link replaces the file it names and keeps the
// link; a FIFO or device under the name is refused, never replaced.
TEST_F(FileFixture, SaveFollowsLinksAndRefusesSpecialFiles) {
    append(*playlist, kCH, song);
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
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, (files / "pipe.vhcd").string() + " is not a regular file; nothing was written to it.");
    // Opening one does not block: it is no playlist.
    commands->openPath(files / "pipe.vhcd");
    EXPECT_EQ(prompts.shown.back().text, "Failed to open file\n");
}

}  // namespace
}  // namespace vh
