#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "support/TestSoundOutput.h"
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
        const auto rows = test::split(out.str());
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
    EXPECT_EQ(cli::listStations(data(), out, err), cli::kOk);
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
    const fs::path wav = files / "chatter.wav";
    EXPECT_EQ(cli::decodeClip(data(), "4", "10", wav, err), cli::kOk) << err.str();
    const auto bytes = test::readFile(wav);
    ASSERT_EQ(bytes.size(), 44u + 3 * 28 * 4);
    EXPECT_EQ(test::le32(bytes, 24), 24000u);
    for (std::size_t at = 44; at < bytes.size(); at += 2)
        ASSERT_EQ(int16_t(bytes[at] | bytes[at + 1] << 8), -1) << at;  // code -2 gives -2, written as -1
    for (const char* clip : {"11", "x"}) EXPECT_EQ(cli::decodeClip(data(), "CH", clip, wav, err), cli::kUsage);
    EXPECT_EQ(cli::decodeClip(data(), "CH", "1", files / "no/dir/x.wav", err), cli::kFailure);

    // A clip whose stream holds nothing writes nothing.
    fs::resize_file(catalogue.workDir() / "CACHE/CH.PAK", data().table()[kCH].clips[10].offset);
    EXPECT_EQ(cli::decodeClip(data(), "CH", "10", files / "none.wav", err), cli::kFailure);
    EXPECT_FALSE(fs::exists(files / "none.wav"));
    EXPECT_NE(err.str().find("has no audio"), std::string::npos);
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
    // What the menus grey out is refused: songs from a station without any,
    // padding a playlist without a song.
    for (auto [tool, station, named] : {std::tuple{"add-songs", "ADVERTS", "ADVERTS"}, {"music-mix", "1", "ADVERTS"},
                                        {"radio-mix", "1", "ADVERTS"}, {"pad", "CH", "CH"}, {"randomize-intros", "CH", "CH"}}) {
        err.str("");
        EXPECT_EQ(cli::toolCommand(data(), {tool, station, "-", files / "d.vhcd", 1}, err), cli::kFailure) << tool;
        EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(files / "d.vhcd"));
    }
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

    // A relative name is written into the CUE sheet as a full path, so the
    // sheet names its image from wherever it is read.
    const fs::path before = fs::current_path();
    fs::create_directory(files / "sub");
    fs::current_path(files.path());
    exportRequest.out = "sub/rel.wav";
    EXPECT_EQ(cli::exportCommand(data(), exportRequest, out, err), cli::kOk);
    fs::current_path(before);
    EXPECT_EQ(test::readText(files / "sub/rel.cue").rfind("FILE \"" + (files / "sub/rel.wav").string() + "\" WAVE\r\n", 0), 0u);
}

// Plays a three-track playlist in real time through SDL's disk driver, which
// writes what the device is given to a file.
TEST(PlayCommand, PlaysEveryTrackToItsEndInOrderThroughTheDevice) {
    test::TestCatalogue catalogue;
    // Codes 7, -8 and 5 are heard as 2, -2 and 1 (× 2^-15 × 0.3 × 32767).
    const int a = catalogue.add(kCH, {Chatter, "First", "", 250, 7});
    const int b = catalogue.add(kCH, {Chatter, "Second", "", 300, -8});
    const int c = catalogue.add(kCH, {Chatter, "Third", "", 350, 5});
    catalogue.load();
    test::TempDir files;
    test::writeFile(files / "three.vhcd", test::playlistBytes(3, {{kCH, a, 0, 0}, {kCH, b, 0, 0}, {kCH, c, 0, 0}}));
    const fs::path heardFile = files / "heard.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heardFile.c_str(), 1);
    std::ostringstream status, err;
    cli::PlayRequest request;
    request.playlist = files / "three.vhcd";
    const int result = cli::play(catalogue.data(), request, nullptr, status, err);
    unsetenv("SDL_DISKAUDIOFILE");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(result, cli::kOk) << err.str();

    // The status line names the tracks in turn.
    std::vector<std::string> numbers;
    for (const std::string& line : test::split(status.str(), '\r'))
        if (line.size() >= 2 && (numbers.empty() || numbers.back() != line.substr(0, 2)))
            numbers.push_back(line.substr(0, 2));
    EXPECT_EQ(numbers, (std::vector<std::string>{"01", "02", "03"}));

    // After the ring's first pass of silence: each track whole, no gap, in
    // order, then silence that shows the last one was not cut short.
    const std::vector<uint8_t> bytes = test::readFile(heardFile);
    const std::vector<int16_t> heard(reinterpret_cast<const int16_t*>(bytes.data()),
                                     reinterpret_cast<const int16_t*>(bytes.data()) + bytes.size() / 2);
    const auto first = std::find_if(heard.begin(), heard.end(), [](int16_t v) { return v != 0; });
    ASSERT_NE(first, heard.end());
    EXPECT_GE(first - heard.begin(), 2 * 24000 - 2 * 2048);
    std::vector<std::pair<int16_t, size_t>> runs;  // value, samples
    for (auto it = first; it != heard.end(); ++it) {
        if (runs.empty() || runs.back().first != *it) runs.push_back({*it, 0});
        ++runs.back().second;
    }
    const std::vector<std::pair<int16_t, size_t>> tracks = {{2, 2 * 28 * 250}, {-2, 2 * 28 * 300}, {1, 2 * 28 * 350}};
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(std::vector(runs.begin(), runs.begin() + 3), tracks);
    EXPECT_EQ(runs[3].first, 0);
}

TEST_F(CommandsFixture, PlayFailsWhenNothingCanBeHeard) {
    const int empty = catalogue.add(kCH, {Chatter, "Empty", "", 0, 1});
    catalogue.load();
    test::writeFile(files / "empty.vhcd", test::playlistBytes(2, {{kCH, empty, 0, 0}, {kCH, empty, 0, 0}}));
    cli::PlayRequest request;
    request.playlist = files / "empty.vhcd";
    EXPECT_EQ(cli::play(data(), request, nullptr, out, err), cli::kFailure);
    EXPECT_NE(err.str().find("has audio to play"), std::string::npos) << err.str();

    err.str("");
    request = cli::PlayRequest{};
    request.station = "CH";
    request.clip = std::to_string(empty);
    EXPECT_EQ(cli::play(data(), request, nullptr, out, err), cli::kFailure);
    EXPECT_NE(err.str().find("holds no audio"), std::string::npos) << err.str();

    err.str("");
    request.clip = std::to_string(song);
    // Its cursor moves only when told to, so it never takes a sample.
    request.makeOutput = [] { return std::make_unique<TestSoundOutput>(); };
    request.stallLimit = std::chrono::milliseconds(200);
    EXPECT_EQ(cli::play(data(), request, nullptr, out, err), cli::kFailure);
    EXPECT_NE(err.str().find("takes no samples"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace vh
