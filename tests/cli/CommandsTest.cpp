#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "export/ExportOptions.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4;

struct CommandsFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    std::ostringstream out, err;
    test::TempDir files;
    int song;
    void SetUp() override {
        catalogue.add(1, {Commercial, "Soap", "", 4, 1});
        catalogue.add(kCH, {Ident, "Ident", "", 3, 1});
        catalogue.add(kCH, {Opener, "Hello", "", 3, 1});
        song = catalogue.addSong(kCH, {"Tune", "Band", {"", "DJ"}, {"Bye", ""}, 9});
        catalogue.addSong(kCH, {"Other", "", {""}, {""}, 9});
        catalogue.add(kCH, {Chatter, "Talk", "", 3, -2});
        catalogue.load();
    }
    GameData& data() { return catalogue.data(); }
    std::vector<std::string> lines() {
        std::vector<std::string> rows;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) rows.push_back(line);
        out.str("");
        return rows;
    }
    int tracks(const fs::path& cue) {
        const std::string text = test::readText(cue);
        int n = 0;
        for (auto at = text.find("TRACK"); at != std::string::npos; at = text.find("TRACK", at + 1)) ++n;
        return n;
    }
};

TEST_F(CommandsFixture, StationsAndClipsAreTabSeparatedLines) {
    EXPECT_EQ(cli::listStations(data(), out), cli::kOk);
    auto stations = lines();
    ASSERT_EQ(stations.size(), 16u);
    EXPECT_EQ(stations[0] + "|" + stations[4], "0\tAA\tAA\t0\t0|4\tCH\tCH\t1\t11");
    EXPECT_EQ(cli::listClips(data(), "CH", out, err), cli::kOk);
    auto clips = lines();
    ASSERT_EQ(clips.size(), 11u);
    const Clip& tune = data().table()[kCH].clips[song];
    EXPECT_EQ(clips[2], "2\t0\t2\t2\t" + std::to_string(tune.offset) + "\t" + std::to_string(tune.length) + "\tBand\tTune");
    EXPECT_EQ(cli::listClips(data(), "XX", out, err), cli::kUsage);
    EXPECT_EQ(cli::listClips(data(), "16", out, err), cli::kUsage);
    EXPECT_NE(err.str().find("no station XX"), std::string::npos);
}

TEST_F(CommandsFixture, DecodeWritesTheClipAloneAsDecoded) {
    const fs::path wav = files / "chatter.wav";
    EXPECT_EQ(cli::decodeClip(data(), "4", "10", wav, err), cli::kOk) << err.str();
    const auto bytes = test::readFile(wav);
    ASSERT_EQ(bytes.size(), 44u + 3 * 28 * 4);
    EXPECT_EQ(test::le32(bytes, 24), 24000u);
    for (std::size_t at = 44; at < bytes.size(); at += 2)
        ASSERT_EQ(int16_t(bytes[at] | bytes[at + 1] << 8), -1) << at;  // code -2 gives -2, written as -1
    for (const char* clip : {"11", "x"}) EXPECT_EQ(cli::decodeClip(data(), "CH", clip, wav, err), cli::kUsage);
    EXPECT_EQ(cli::decodeClip(data(), "CH", "1", files / "no/dir/x.wav", err), cli::kFailure);
}

TEST_F(CommandsFixture, ToolsWithASeedAreRepeatableAndExportTakesTheLayoutFromOptionsUnlessGiven) {
    cli::ToolRequest request{"radio-mix", "CH", "-", files / "a.vhcd", 42};
    ASSERT_EQ(cli::toolCommand(data(), request, err), cli::kOk) << err.str();
    request.out = files / "b.vhcd";
    ASSERT_EQ(cli::toolCommand(data(), request, err), cli::kOk);
    EXPECT_EQ(test::readFile(files / "a.vhcd"), test::readFile(files / "b.vhcd"));
    EXPECT_EQ(fs::file_size(files / "a.vhcd"), 4u + 8 * 16);  // ident, opener, 2 × (song, commercial), chatter, ident
    EXPECT_EQ(cli::toolCommand(data(), {"shuffle", "CH", "-", files / "d.vhcd", 1}, err), cli::kUsage);
    EXPECT_EQ(cli::toolCommand(data(), {"pad", "CH", (files / "none.vhcd").string(), files / "d.vhcd", 1}, err), cli::kFailure);
    EXPECT_FALSE(fs::exists(files / "d.vhcd"));
    cli::ExportRequest exportRequest{true, std::nullopt, files / "a.vhcd", files / "clip.wav", false};
    EXPECT_EQ(cli::exportCommand(data(), exportRequest, out, err), cli::kOk) << err.str();
    EXPECT_EQ(tracks(files / "clip.cue"), 8);
    ASSERT_TRUE(writeTrackLayout(catalogue.workDir(), kLayoutPerSong));
    exportRequest.out = files / "song.wav";
    EXPECT_EQ(cli::exportCommand(data(), exportRequest, out, err), cli::kOk);
    EXPECT_EQ(tracks(files / "song.cue"), 3);  // the station break before the first song, then two songs
    exportRequest.layout = kLayoutPerClip;
    exportRequest.out = files / "forced.wav";
    EXPECT_EQ(cli::exportCommand(data(), exportRequest, out, err), cli::kOk);
    EXPECT_EQ(tracks(files / "forced.cue"), 8);
    exportRequest.out = files / "bad.mp3";
    EXPECT_EQ(cli::exportCommand(data(), exportRequest, out, err), cli::kFailure);
}

}  // namespace
}  // namespace vh
