#include <gtest/gtest.h>

#include <sstream>

#include "cli/Commands.h"
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
};

TEST_F(CommandsFixture, StationsAndClipsAreTabSeparatedLines) {
    EXPECT_EQ(cli::listStations(data(), out, err), cli::kOk);
    std::istringstream lines(out.str());
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        if (n == 4) {
            EXPECT_EQ(line, "4\tCH\tCH\t1\t11");
        } else if (n == 0) {
            EXPECT_EQ(line, "0\tAA\tAA\t0\t0");
        }
        ++n;
    }
    EXPECT_EQ(n, 16);

    out.str("");
    EXPECT_EQ(cli::listClips(data(), "CH", out, err), cli::kOk);
    std::istringstream clips(out.str());
    std::vector<std::string> rows;
    while (std::getline(clips, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 11u);
    const Clip& tune = data().table()[kCH].clips[song];
    EXPECT_EQ(rows[2], "2\t0\t2\t2\t" + std::to_string(tune.offset) + "\t" + std::to_string(tune.length) +
                           "\tBand\tTune");
    EXPECT_EQ(rows[3].substr(0, 2), "3\t");

    EXPECT_EQ(cli::listClips(data(), "XX", out, err), cli::kUsage);
    EXPECT_EQ(cli::listClips(data(), "16", out, err), cli::kUsage);
    EXPECT_NE(err.str().find("no station XX"), std::string::npos);

    // Control characters in a text are escaped, so the fields stay apart.
    setFieldText(data().table()[kCH].clips[song].title, "a\tb\nc\\d\x1b");
    out.str("");
    EXPECT_EQ(cli::listClips(data(), "CH", out, err), cli::kOk);
    EXPECT_NE(out.str().find("\tBand\ta\\tb\\nc\\\\d\\x1B\n"), std::string::npos) << out.str();

    // A full disk under standard output is a failure, not a success.
    struct FullDisk : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } full;
    std::ostream nowhere(&full);
    EXPECT_EQ(cli::listStations(data(), nowhere, err), cli::kFailure);
    EXPECT_EQ(cli::listClips(data(), "CH", nowhere, err), cli::kFailure);
}

TEST_F(CommandsFixture, DecodeWritesTheClipAloneAsDecoded) {
    fs::path wav = files / "chatter.wav";
    EXPECT_EQ(cli::decodeClip(data(), "4", "10", wav, err), cli::kOk) << err.str();
    auto bytes = test::readFile(wav);
    ASSERT_EQ(bytes.size(), 44u + 3 * 28 * 4);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    for (std::size_t at = 44; at < bytes.size(); at += 2)
        ASSERT_EQ(int16_t(bytes[at] | bytes[at + 1] << 8), -1) << at;  // code -2 gives -2, rounded up to -1

    EXPECT_EQ(cli::decodeClip(data(), "CH", "11", wav, err), cli::kUsage);
    EXPECT_EQ(cli::decodeClip(data(), "CH", "x", wav, err), cli::kUsage);
    EXPECT_EQ(cli::decodeClip(data(), "CH", "1", files / "no/dir/x.wav", err), cli::kFailure);

    // A clip whose stream holds nothing writes nothing.
    fs::resize_file(catalogue.workDir() / "CACHE/CH.PAK", data().table()[kCH].clips[10].offset);
    EXPECT_EQ(cli::decodeClip(data(), "CH", "10", files / "none.wav", err), cli::kFailure);
    EXPECT_FALSE(fs::exists(files / "none.wav"));
    EXPECT_NE(err.str().find("has no audio"), std::string::npos);
}

TEST_F(CommandsFixture, ToolsWithASeedAreRepeatable) {
    cli::ToolRequest request{"radio-mix", "CH", "-", files / "a.vhcd", 42};
    EXPECT_EQ(cli::toolCommand(data(), request, err), cli::kOk) << err.str();
    request.out = files / "b.vhcd";
    EXPECT_EQ(cli::toolCommand(data(), request, err), cli::kOk);
    auto a = test::readFile(files / "a.vhcd");
    EXPECT_EQ(a, test::readFile(files / "b.vhcd"));
    // ident, opener, song, commercial, chatter, song, commercial, ident
    EXPECT_EQ(a.size(), 4u + 8 * 16);

    cli::ToolRequest pad{"pad", "CH", (files / "a.vhcd").string(), files / "c.vhcd", 1};
    EXPECT_EQ(cli::toolCommand(data(), pad, err), cli::kOk);
    EXPECT_GT(test::readFile(files / "c.vhcd").size(), a.size());

    cli::ToolRequest bad{"shuffle", "CH", "-", files / "d.vhcd", 1};
    EXPECT_EQ(cli::toolCommand(data(), bad, err), cli::kUsage);
    cli::ToolRequest missing{"pad", "CH", (files / "none.vhcd").string(), files / "d.vhcd", 1};
    EXPECT_EQ(cli::toolCommand(data(), missing, err), cli::kFailure);
    EXPECT_FALSE(fs::exists(files / "d.vhcd"));

    // What the menus grey out is refused: songs from a station without any,
    // padding a playlist without a song.
    for (cli::ToolRequest refused : {cli::ToolRequest{"add-songs", "ADVERTS", "-", files / "d.vhcd", 1},
                                     cli::ToolRequest{"music-mix", "1", "-", files / "d.vhcd", 1},
                                     cli::ToolRequest{"radio-mix", "1", "-", files / "d.vhcd", 1},
                                     cli::ToolRequest{"pad", "CH", "-", files / "d.vhcd", 1},
                                     cli::ToolRequest{"randomize-intros", "CH", "-", files / "d.vhcd", 1}}) {
        err.str("");
        EXPECT_EQ(cli::toolCommand(data(), refused, err), cli::kFailure) << refused.tool;
        EXPECT_NE(err.str().find(refused.tool == "pad" || refused.tool == "randomize-intros" ? "CH" : "ADVERTS"),
                  std::string::npos)
            << err.str();
        EXPECT_FALSE(fs::exists(files / "d.vhcd"));
    }
}

TEST_F(CommandsFixture, ExportTakesTheLayoutFromOptionsUnlessGiven) {
    cli::ToolRequest mix{"radio-mix", "CH", "-", files / "mix.vhcd", 42};
    ASSERT_EQ(cli::toolCommand(data(), mix, err), cli::kOk);
    auto tracks = [&](const fs::path& cue) {
        auto bytes = test::readFile(cue);
        std::string text(bytes.begin(), bytes.end());
        int n = 0;
        for (std::size_t at = text.find("TRACK"); at != std::string::npos; at = text.find("TRACK", at + 1)) ++n;
        return n;
    };
    cli::ExportRequest request{true, std::nullopt, files / "mix.vhcd", files / "clip.wav", false};
    EXPECT_EQ(cli::exportCommand(data(), request, out, err), cli::kOk) << err.str();
    EXPECT_EQ(tracks(files / "clip.cue"), 8);

    ASSERT_TRUE(writeTrackLayout(catalogue.workDir(), kLayoutPerSong));
    request.out = files / "song.wav";
    EXPECT_EQ(cli::exportCommand(data(), request, out, err), cli::kOk);
    EXPECT_EQ(tracks(files / "song.cue"), 3);  // the station break before the first song, then two songs

    request.layout = 0;
    request.out = files / "forced.wav";
    EXPECT_EQ(cli::exportCommand(data(), request, out, err), cli::kOk);
    EXPECT_EQ(tracks(files / "forced.cue"), 8);

    request.out = files / "bad.mp3";
    EXPECT_EQ(cli::exportCommand(data(), request, out, err), cli::kFailure);

    // A relative name is written into the CUE sheet as a full path, so the
    // sheet names its image from wherever it is read.
    const fs::path before = fs::current_path();
    fs::create_directory(files / "sub");
    fs::current_path(files.path());
    request.out = "sub/rel.wav";
    EXPECT_EQ(cli::exportCommand(data(), request, out, err), cli::kOk);
    fs::current_path(before);
    auto cue = test::readFile(files / "sub/rel.cue");
    const std::string expected = "FILE \"" + (files / "sub/rel.wav").string() + "\" WAVE\r\n";
    EXPECT_EQ(std::string(cue.begin(), cue.begin() + long(std::min(cue.size(), expected.size()))), expected);
}

}  // namespace
}  // namespace vh
