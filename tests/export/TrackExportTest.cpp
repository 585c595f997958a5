#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "export/ExportOptions.h"
#include "export/TrackExporter.h"
#include "export/TrackNames.h"
#include "support/HandClips.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

constexpr int kCH = 4;

struct Audio { int rate = 0; std::vector<int16_t> samples; std::map<int, std::string> tags; };

Audio readAudio(const fs::path& path) {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return a;
    a.rate = info.samplerate;
    a.samples.resize(std::size_t(info.frames) * 2);
    a.samples.resize(std::size_t(sf_readf_short(f, a.samples.data(), info.frames)) * 2);
    for (int t : {SF_STR_TITLE, SF_STR_ARTIST, SF_STR_ALBUM, SF_STR_TRACKNUMBER})
        if (const char* s = sf_get_string(f, t)) a.tags[t] = s;
    sf_close(f);
    return a;
}

struct TrackExport : ::testing::Test {
    test::TestCatalogue catalogue;
    std::unique_ptr<Playlist> playlist;
    std::unique_ptr<ExportContext> context;
    test::TempDir out;
    int ident, song, ad, talk, cafe;
    uint32_t seed = 1;

    void SetUp() override {
        ident = catalogue.add(kCH, {Ident, "Ident", "", 10, 1});
        song = catalogue.addSong(kCH, {"Song", "Band", {"Hi"}, {"Bye"}, 40});
        ad = catalogue.add(1, {Commercial, "Ad", "", 12, 2});  // no artist: the station's name stands in
        talk = catalogue.add(kCH, {Chatter, "Talk", "DJ", 80, 3});
        cafe = catalogue.addSong(kCH, {"Caf\xe9 \"Noir\"", "Band", {}, {}, 20});  // Windows-1252 é
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data());
        context = std::make_unique<ExportContext>(*playlist, catalogue.prompts);
    }
    // An entry whose parts hold `blocks` blocks of noise each.
    PlaylistTrack* append(int station, int clip, int32_t blocks = 300) {
        PlaylistTrack* t = test::append(*playlist, station, clip);
        for (auto* part : {&t->introAudio, &t->mainAudio, &t->outroAudio})
            if (*part) *part = handclips::makeClip(handclips::busyBlocks(blocks, seed++));
        return t;
    }
    std::vector<int16_t> decoded(const std::vector<PlaylistTrack*>& entries) {
        handclips::SampleSink c;
        for (PlaylistTrack* e : entries) exportTrack(*e, c, nullptr);
        return c.samples;
    }
    TrackExportResult run(TrackFormat format, int32_t rate, const fs::path& folder) {
        return exportTracksTo(*context, {folder, format, rate, true, 2});
    }
    std::vector<test::RecordingPrompts::Shown>& shown() { return catalogue.prompts.shown; }
};

TEST_F(TrackExport, Flac24000HoldsTheDecodedSamplesOfEachTracksEntries) {
    context->trackLayout = kLayoutPerSong;
    PlaylistTrack* a = append(kCH, ident);
    PlaylistTrack* b = append(kCH, song);
    PlaylistTrack* c = append(1, ad);
    PlaylistTrack* d = append(kCH, talk);
    PlaylistTrack* e = append(kCH, song);
    auto result = run(TrackFormat::Flac, 24000, out.path());
    ASSERT_EQ(result.outcome, ExportOutcome::Done);
    ASSERT_EQ(result.files.size(), 4u);  // three tracks and the playlist
    const std::vector<std::vector<PlaylistTrack*>> tracks = {{a}, {b, c, d}, {e}};
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        Audio audio = readAudio(result.files[t]);
        EXPECT_EQ(audio.rate, 24000);
        EXPECT_TRUE(audio.samples == decoded(tracks[t])) << result.files[t];
    }
    EXPECT_TRUE(shown().empty() && !playlist->exportActive);

    // A track without audio (none could be read) gets no file: no encoder
    // writes a valid one without frames.
    a->mainAudio.reset();
    result = run(TrackFormat::Flac, 24000, out / "again");
    ASSERT_EQ(result.outcome, ExportOutcome::Done);
    EXPECT_EQ(result.files.size(), 3u);
    EXPECT_EQ(result.files[0].filename().string().substr(0, 3), "02 ");
}

struct TrackExportCd : TrackExport, ::testing::WithParamInterface<uint8_t> {};

TEST_P(TrackExportCd, Flac44100TracksAreTheCdImageCutAtItsIndexes) {
    context->trackLayout = GetParam();
    context->resampler.blockFrames = 700;  // conversion blocks that straddle the cuts
    for (auto [station, clip] : {std::pair{kCH, ident}, {kCH, song}, {1, ad}, {kCH, talk}, {kCH, song}, {1, ad}})
        append(station, clip, 250 + 37 * int32_t(seed));
    ASSERT_EQ(exportToPath(*context, true, out / "cd.wav"), ExportOutcome::Done);
    auto result = run(TrackFormat::Flac, 44100, out / "tracks");
    ASSERT_EQ(result.outcome, ExportOutcome::Done);

    const auto wav = test::readFile(out / "cd.wav");
    const int16_t* image = reinterpret_cast<const int16_t*>(wav.data() + 44);
    std::vector<int64_t> starts;
    for (const std::string& line : test::split(test::readText(out / "cd.cue"))) {
        int m, s, f;
        if (std::sscanf(line.c_str(), "    INDEX 01 %d:%d:%d", &m, &s, &f) == 3) starts.push_back(588 * ((m * 60 + s) * 75 + f));
    }
    ASSERT_EQ(starts.size() + 1, result.files.size());
    starts.push_back(int64_t(wav.size() - 44) / 4);
    for (std::size_t t = 0; t + 1 < starts.size(); ++t) {
        Audio audio = readAudio(result.files[t]);
        EXPECT_EQ(audio.rate, 44100);
        EXPECT_TRUE(audio.samples == std::vector<int16_t>(image + 2 * starts[t], image + 2 * starts[t + 1])) << result.files[t];
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TrackExportCd, ::testing::Values(kLayoutPerClip, kLayoutPerSong));

TEST_F(TrackExport, TagsNamesAndPlaylistReadBack) {
    playlist->fileName = (catalogue.workDir() / "Night Drive.vhcd").string();
    append(kCH, cafe, 1500);  // 42000 frames: 1.75 s, listed as 2
    append(1, ad);
    append(kCH, cafe, 1500);  // the same title again
    auto flac = run(TrackFormat::Flac, 24000, out / "flac");
    ASSERT_EQ(flac.outcome, ExportOutcome::Done);
    const std::string cafeName = "Band - Caf\u00e9 _Noir_.flac";
    EXPECT_EQ(test::filesIn(out / "flac"), (std::vector<fs::path>{"01 - " + cafeName, "02 - ADVERTS - Ad.flac",
                                                           "03 - " + cafeName, "Night Drive.m3u8"}));
    EXPECT_EQ(test::readText(out / "flac/Night Drive.m3u8"),
              "#EXTM3U\n"
              "#EXTINF:2,Band - Caf\u00e9 \"Noir\"\n01 - " + cafeName + "\n"
              "#EXTINF:0,ADVERTS - Ad\n02 - ADVERTS - Ad.flac\n"
              "#EXTINF:2,Band - Caf\u00e9 \"Noir\"\n03 - " + cafeName + "\n");
    const std::map<int, std::string> second = {
        {SF_STR_TITLE, "Ad"}, {SF_STR_ARTIST, "ADVERTS"}, {SF_STR_ALBUM, "Night Drive"}, {SF_STR_TRACKNUMBER, "2/3"}};
    EXPECT_EQ(readAudio(flac.files[1]).tags, second);
    if (std::system("command -v metaflac >/dev/null 2>&1") == 0) {
        std::string command = "metaflac --export-tags-to=- '" + flac.files[0].string() + "' > '" +
                              (out / "tags.txt").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(test::readText(out / "tags.txt"),
                  "title=Caf\u00e9 \"Noir\"\nartist=Band\nalbum=Night Drive\ntracknumber=1/3\n");
    }

    // The lossy formats carry the same tags (MP3's stored as Latin-1) and
    // every decoded frame, at 24000 Hz.
    playlist->fileName.clear();
    for (TrackFormat format : {TrackFormat::Mp3, TrackFormat::Opus}) {
        auto result = run(format, 24000, out / trackFormatName(format));
        ASSERT_EQ(result.outcome, ExportOutcome::Done);
        EXPECT_EQ(result.files.back().filename(), "Varnholt Radio.m3u8");
        Audio audio = readAudio(result.files[2]);
        EXPECT_EQ(audio.rate, 24000);
        EXPECT_EQ(audio.samples.size(), decoded({playlist->trackAt(2)}).size());
        const std::map<int, std::string> third = {{SF_STR_TITLE, "Caf\u00e9 \"Noir\""}, {SF_STR_ARTIST, "Band"},
                                                  {SF_STR_ALBUM, "Varnholt Radio"}, {SF_STR_TRACKNUMBER, "3/3"}};
        EXPECT_EQ(audio.tags, third) << trackFormatName(format);
    }
    EXPECT_TRUE(shown().empty());
}

TEST(TrackNames, MadeSafeForEveryFileSystem) {
    struct Case {
        std::string stem, expected;
    } cases[] = {
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j.flac"},
        {"tab\there\x01\x7f", "tab_here__.flac"},
        {"ends with dots.. ", "ends with dots.flac"},
        {" ...", "_.flac"},
        {"CON", "CON_.flac"},
        {"lpt3.x", "lpt3_.x.flac"},
        {"CONCERT", "CONCERT.flac"},
    };
    for (const Case& c : cases) EXPECT_EQ(safeFileName(c.stem, ".flac"), c.expected) << c.stem;
    // 180 bytes at most, never cutting a character: "é" is two bytes.
    std::string longStem(170, 'x');
    for (int i = 0; i < 10; ++i) longStem += "\u00e9";
    const std::string cut = safeFileName(longStem, ".flac");
    EXPECT_EQ(cut, std::string(170, 'x') + "\u00e9\u00e9.flac");  // 170 + 4 + 5 = 179 bytes
    EXPECT_EQ(trackFileName(100, {"T", "A"}, ".mp3"), "100 - A - T.mp3");
    EXPECT_EQ(trackFileName(7, {"T", ""}, ".mp3"), "07 - T.mp3");
    // Windows-1252: the euro sign, é, and an undefined byte.
    EXPECT_EQ(windows1252ToUtf8("\x80 caf\xe9 \x81"), "\u20ac caf\u00e9 \ufffd");
    EXPECT_EQ(cdTextField("\u00c9t\u00e9 \"live\" \u20ac5 \u4e2d"), "Ete 'live' EUR5 _");
    EXPECT_EQ(cdTextField(std::string(100, 'y')).size(), 80u);
    EXPECT_EQ(latin1Text("caf\u00e9 \u2013 \u4e2d"), "caf\xe9 - ?");
}

TEST_F(TrackExport, CdTextLinesOnlyWhenAskedFor) {
    playlist->fileName = "/somewhere/Summer \u00e9dition.vhcd";
    append(kCH, cafe);
    append(1, ad);
    ASSERT_EQ(exportToPath(*context, true, out / "plain.wav"), ExportOutcome::Done);
    EXPECT_EQ(test::readText(out / "plain.cue").find("TITLE"), std::string::npos);
    context->cdText = true;
    ASSERT_EQ(exportToPath(*context, true, out / "titled.wav"), ExportOutcome::Done);
    const std::string expected = "TITLE \"Summer edition\"\r\nPERFORMER \"Varnholt Radio\"\r\n"
                                 "FILE \"" + (out / "titled.wav").string() + "\" WAVE\r\n"
                                 "  TRACK 01 AUDIO\r\n    TITLE \"Cafe 'Noir'\"\r\n    PERFORMER \"Band\"\r\n"
                                 "    INDEX 01 00:00:00\r\n"
                                 "  TRACK 02 AUDIO\r\n    TITLE \"Ad\"\r\n    PERFORMER \"ADVERTS\"\r\n" +
                                 cueIndexLine((28 * 300 + 319) / 320) + "\r\n\r\n\r\n";
    EXPECT_EQ(test::readText(out / "titled.cue"), expected);
    // cdrdao takes the sheet (it reads no CD-TEXT from CUE sheets itself);
    // cuetools' parser, which converts it into a TOC file with CD-TEXT, reads the titles.
    const std::string in = "cd '" + out.path().string() + "' && ";
    if (std::system("command -v cdrdao >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system((in + "cdrdao show-toc titled.cue > toc.txt 2>&1").c_str()), 0) << test::readText(out / "toc.txt");
        EXPECT_NE(test::readText(out / "toc.txt").find("TRACK  2"), std::string::npos) << test::readText(out / "toc.txt");
    }
    if (std::system("command -v cueprint >/dev/null 2>&1") == 0) {
        ASSERT_EQ(std::system((in + "cueprint -d '%T|%P\\n' -t '%n|%t|%p\\n' titled.cue > text.txt").c_str()), 0);
        EXPECT_EQ(test::readText(out / "text.txt"), "Summer edition|Varnholt Radio\n1|Cafe 'Noir'|Band\n2|Ad|ADVERTS\n");
    }
}

// The encoders write their last frames and headers while closing, and
// libsndfile's MP3 path ignores the results of those writes: the file's own
// record of them must fail the track.
TEST(TrackFileClose, AWriteFailingWhileClosingFailsTheFile) {
    test::TempDir dir;
    std::vector<int16_t> samples(2 * 24000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t((i * 7919) % 20000 - 10000);
    for (TrackFormat format : {TrackFormat::Flac, TrackFormat::Mp3, TrackFormat::Opus}) {
        const fs::path target = dir / (std::string("t") + trackExtension(format));
        TrackFile file(target, format, 24000, {"T", "A", "B", 1, 1});
        ASSERT_TRUE(file.write(samples.data(), 24000)) << trackFormatName(format);
        {
            test::FileSizeLimit fullDisk(fs::file_size(target.string() + ".part") + 1);
            EXPECT_FALSE(file.finish()) << trackFormatName(format);
        }
        EXPECT_EQ(file.error(), "File too large") << trackFormatName(format);
        EXPECT_FALSE(file.commit());
        EXPECT_TRUE(fs::is_empty(dir.path())) << trackFormatName(format);
    }
}

struct FullDisk : TrackExport, ::testing::WithParamInterface<std::pair<TrackFormat, int32_t>> {};

TEST_P(FullDisk, StopsInTheThirdTrackKeepingTheFirstTwoAndWhatWasThere) {
    const auto [format, rate] = GetParam();
    append(kCH, talk, 200);
    append(kCH, ident, 200);
    append(kCH, talk, 20000);  // far larger than the limit below in any format
    const std::string third = std::string("03 - DJ - Talk") + trackExtension(format);
    test::writeFile(out / third, {'o', 'l', 'd'});
    catalogue.prompts.answers = {true};  // replace the file of the same name
    TrackExportResult result;
    {
        test::FileSizeLimit fullDisk(100000);
        result = run(format, rate, out.path());
    }
    EXPECT_EQ(result.outcome, ExportOutcome::Failed);
    const std::string first = std::string("01 - DJ - Talk") + trackExtension(format);
    const std::string second = std::string("02 - CH - Ident") + trackExtension(format);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0].caption + "|" + shown()[0].text, "Export Tracks|A file of this export's names already exists in " +
                                                               out.path().string() + ":\n" + third + "\n\nReplace it?");
    EXPECT_EQ(shown()[1].caption + "|" + shown()[1].text, "Error|Export Tracks stopped: writing \"" + third +
                                   "\" failed (File too large). The unfinished file was removed; these files were "
                                   "written into " + out.path().string() + " before it and are kept:\n" + first +
                                   "\n" + second);
    EXPECT_EQ(test::filesIn(out.path()), (std::vector<fs::path>{first, second, third}));  // no part file, no playlist
    EXPECT_EQ(test::readText(out / third), "old");
    EXPECT_EQ(readAudio(out / second).rate, rate);
    EXPECT_FALSE(playlist->exportActive);

    // A folder that cannot be made writes nothing.
    shown().clear();
    result = run(format, rate, out / third / "sub");
    EXPECT_EQ(result.outcome, ExportOutcome::Failed);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].text.find("could not be created"), std::string::npos) << shown()[0].text;
}

INSTANTIATE_TEST_SUITE_P(Formats, FullDisk,
                         ::testing::Values(std::pair{TrackFormat::Flac, 24000}, std::pair{TrackFormat::Flac, 44100},
                                           std::pair{TrackFormat::Mp3, 24000}));

}  // namespace
}  // namespace vh
