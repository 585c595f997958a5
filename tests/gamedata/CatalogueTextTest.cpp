#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

#include "gamedata/CatalogueFile.h"
#include "gamedata/CatalogueText.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

constexpr int kCH = 4;

// Station 4 holds five clips of 500 bytes at offsets 0 to 4000, station 1 one.
std::vector<uint8_t> discLookup() {
    return test::lookupBytes({{kCH, 0, 500}, {1, 0, 42}, {kCH, 1000, 500}, {kCH, 2000, 500}, {kCH, 3000, 500},
                              {kCH, 4000, 500}});
}

std::unique_ptr<StationTable> defaultsOf(const std::vector<uint8_t>& lookup) {
    auto table = std::make_unique<StationTable>();
    buildCatalogueFromLookup(*table, lookup);
    return table;
}

// The disc above, described: a song with two intros and an outro, an ident.
std::unique_ptr<StationTable> namedCatalogue() {
    auto table = defaultsOf(discLookup());
    setFieldText((*table)[kCH].displayName, "Harbour FM");
    Clip* clips = (*table)[kCH].clips;
    setFieldText(clips[0].title, "Night Drive");
    setFieldText(clips[0].artist, "The Examples");
    clips[0].clipClass = Song;
    clips[0].introCount = 2;
    clips[0].outroCount = 1;
    setFieldText(clips[1].title, "");
    clips[4].clipClass = Ident;
    return table;
}

std::string joined(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

// Line numbers of namedCatalogue()'s text: the header, stations 0 and 1,
// station 1's clip, stations 2 to 4, then station 4's clips.
constexpr int kSongLine = 8;
constexpr int kCommercialLine = 4;

TEST(CatalogueText, AwkwardTextsSurviveExportAndImport) {
    auto named = namedCatalogue();
    Clip* clips = (*named)[kCH].clips;
    setFieldText(clips[1].title, "Tab\there, line\nbreak\r end");
    setFieldText(clips[1].artist, "Back\\slash \\n \\x01 not a break");
    setFieldText(clips[2].title, "\"Quoted\"");  // would read as a spreadsheet's quoted cell
    setFieldText(clips[2].artist, "Caf\xE9 \x80 \x81\x8D\x8F\x90\x9D \x01");  // é, €, the undefined five
    setFieldText(clips[3].title, std::string(63, 'x'));
    setFieldText((*named)[kCH].pakName, "C\xE9");
    const std::string text = catalogueText(*named);
    EXPECT_NE(text.find("\tCaf\xC3\xA9 \xE2\x82\xAC "), std::string::npos);  // UTF-8 in the text
    EXPECT_NE(text.find("\tTab\\there, line\\nbreak\\r end\n"), std::string::npos);
    EXPECT_NE(text.find("\x9D \\x01\t"), std::string::npos);  // other controls as \xHH

    auto imported = defaultsOf(discLookup());
    const CatalogueImport result = importCatalogueText(text, *imported);
    ASSERT_TRUE(result.ok()) << result.errors[0];
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(std::memcmp(imported.get(), named.get(), sizeof(StationTable)), 0);
    EXPECT_EQ(std::pair(result.matched, result.keptDefault), std::pair(6, 0));
}

TEST(CatalogueText, SpreadsheetLinesReadAsTheirOwn) {
    const std::string text = catalogueText(*namedCatalogue());
    // What a spreadsheet saves: a byte order mark, CR LF, every line padded
    // to the widest, every cell quoted, a blank line at the end.
    std::vector<std::string> lines;
    for (const std::string& line : test::split(text)) {
        std::string quoted = "\"";
        for (char ch : line) quoted += ch == '\t' ? std::string("\"\t\"") : ch == '"' ? "\"\"" : std::string(1, ch);
        lines.push_back(quoted + "\"\t\t\t");
    }
    lines.push_back("\t\t");
    // Written by hand: a cell that only starts with a quote stands as it is.
    lines[kSongLine - 1] = "clip\t4\t0\tsong\t2\t1\t0\t500\t\"\"\"The\"\" Examples\"\t\"Night\" Drive";
    auto plain = defaultsOf(discLookup());
    auto spreadsheet = defaultsOf(discLookup());
    ASSERT_TRUE(importCatalogueText(text, *plain).ok());
    const CatalogueImport result = importCatalogueText("\xEF\xBB\xBF" + joined(lines, "\r\n"), *spreadsheet);
    ASSERT_TRUE(result.ok()) << result.errors[0];
    EXPECT_EQ(clipName((*spreadsheet)[kCH].clips[0]), "\"The\" Examples - \"Night\" Drive");
    (*spreadsheet)[kCH].clips[0] = (*plain)[kCH].clips[0];
    EXPECT_EQ(std::memcmp(plain.get(), spreadsheet.get(), sizeof(StationTable)), 0);
}

TEST(CatalogueText, ConvertsToWindows1252AndMeasuresThere) {
    std::vector<std::string> lines = test::split(catalogueText(*namedCatalogue()));
    std::string accents;
    for (int i = 0; i < 63; ++i) accents += "\xC3\xA9";  // 126 bytes of UTF-8, 63 in Windows-1252
    lines[kSongLine - 1] = "clip\t4\t0\tsong\t2\t1\t0\t500\t" + accents + "\tNihon \xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC";
    auto table = defaultsOf(discLookup());
    const CatalogueImport result = importCatalogueText(joined(lines), *table);
    ASSERT_TRUE(result.ok()) << result.errors[0];
    EXPECT_EQ(fieldText((*table)[kCH].clips[0].artist), std::string(63, '\xE9'));
    EXPECT_EQ(fieldText((*table)[kCH].clips[0].title), "Nihon ?? \x80");
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings[0],
              "line 8: Windows-1252 cannot hold \xE6\x97\xA5\xE6\x9C\xAC in the title; each became \"?\"");
}

TEST(CatalogueText, RefusesBadLinesNamingThem) {
    struct Case {
        int line;  // replaced, 1-based
        std::string text;
        const char* message;
    };
    const std::string song = "clip\t4\t0\tsong\t2\t";
    const Case cases[] = {
        {kSongLine, song + "3\t0\t500\tA\tB", "line 8: 2 intros and 3 outros run past the station's 5 clips"},
        {kSongLine, "clip\t4\t0\tjingle\t0\t0\t0\t500", "line 8: unknown class \"jingle\""},
        {kSongLine, song + "1\t0\t500\tA\t" + std::string(64, 't'),
         "line 8: the title is 64 bytes long in Windows-1252; at most 63 fit"},
        {7, "station\t4\t" + std::string(16, 'P') + "\tCH\t1", "line 7: the pakName is 16 bytes long"},
        {7, "station\t4\tCH\t" + std::string(32, 'D') + "\t1", "line 7: the displayName is 32 bytes long"},
        {7, "station\t16\tXX\tXX\t1", "line 7: the station \"16\" is not a number from 0 to 15"},
        {kSongLine, "clip\t4\t0\tsong\t2", "line 8: a clip line has 8 to 10 cells"},
        {kSongLine, song + "1\t0x10\t500", "line 8: the offset \"0x10\" is not a number"},
        {kSongLine, song + "1\t0\t500\tA\tCaf\xE9", "line 8: the title is not UTF-8 text"},
        {kSongLine, "clip\t4\t0\tchatter\t0\t1\t0\t500", "line 8: only a song has intros and outros"},
        {kSongLine, "station\t2\tAMBIENCE\tAMBIENCE\t0", "line 8: station 2 was given on line 5"},
        {kSongLine, "track\t4", "line 8: \"track\" is neither station nor clip"},
        {1, "station\tclip", "line 1: this is not a catalogue text"},
    };
    const std::vector<std::string> good = test::split(catalogueText(*namedCatalogue()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> lines = good;
        lines[std::size_t(c.line - 1)] = c.text;
        auto table = defaultsOf(discLookup());
        const CatalogueImport result = importCatalogueText(joined(lines), *table);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.errors[0].rfind(c.message, 0), 0u) << result.errors[0];
    }
}

TEST(CatalogueText, MatchesClipsByPositionNotIndex) {
    std::vector<std::string> lines = test::split(catalogueText(*namedCatalogue()));
    lines.push_back(lines[kSongLine - 1]);  // the song twice: the second finds it taken
    // Another issue of the disc: station 4 has a clip more at its start, and
    // station 1's clip is longer.
    const std::vector<uint8_t> other = test::lookupBytes({{kCH, 9000, 77}, {kCH, 0, 500}, {1, 0, 43}, {kCH, 1000, 500},
                                                          {kCH, 2000, 500}, {kCH, 3000, 500}, {kCH, 4000, 500}});
    auto table = defaultsOf(other);
    const CatalogueImport result = importCatalogueText(joined(lines), *table);
    ASSERT_TRUE(result.ok()) << result.errors[0];

    const Station& ch = (*table)[kCH];
    EXPECT_EQ(std::pair(fieldText(ch.clips[0].title), ch.clips[0].clipClass), std::pair(std::string_view("Clip #1 00:00"), int32_t(Chatter)));
    EXPECT_EQ(clipName(ch.clips[1]), "The Examples - Night Drive");
    EXPECT_EQ(std::pair(ch.clips[1].introCount, ch.clips[1].outroCount), std::pair(2, 1));
    EXPECT_EQ(std::pair(ch.clips[2].offset, fieldText(ch.clips[2].title)), std::pair(1000u, std::string_view()));
    EXPECT_EQ(ch.clips[5].clipClass, Ident);
    EXPECT_EQ(fieldText((*table)[1].clips[0].title), "Clip #1 00:00");
    EXPECT_TRUE(compareWithLookup(*table, other).matches());

    EXPECT_EQ(std::tuple(result.matched, result.keptDefault, result.unknownLines), std::tuple(5, 2, 2));
    ASSERT_EQ(result.warnings.size(), 2u);
    EXPECT_EQ(result.warnings[0], "line " + std::to_string(kCommercialLine) +
                                      ": station 1 has no clip at offset 0 length 42 on this disc; the line was left out");
    EXPECT_EQ(result.warnings[1], "line " + std::to_string(lines.size()) +
                                      ": the clip of station 4 at offset 0 length 500 was given on line 8; this line "
                                      "was left out");
}

}  // namespace
}  // namespace vh
