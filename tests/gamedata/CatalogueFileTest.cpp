#include <gtest/gtest.h>

#include <memory>

#include "gamedata/CatalogueFile.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

using Result = CatalogueComparison::Result;

struct ComparisonCase {
    const char* name;
    void (*change)(StationTable&);
    Result result;
    const char* description;
};

class CatalogueComparisonTest : public ::testing::TestWithParam<ComparisonCase> {};

// The same comparison decides at start-up whether the file is kept; these
// are the reports a person reads from vhradio catalogue check.
TEST_P(CatalogueComparisonTest, NamesTheFirstDifference) {
    const std::vector<uint8_t> lookup =
        test::lookupBytes({{4, 0, 500}, {1, 0, 42}, {4, 1000, 500}, {4, 2000, 500}, {9, 7, 8}});
    auto table = std::make_unique<StationTable>();
    buildCatalogueFromLookup(*table, lookup);
    (*table)[4].clips[0].clipClass = Song;
    (*table)[4].clips[0].introCount = 1;
    GetParam().change(*table);
    const CatalogueComparison comparison = compareWithLookup(*table, lookup);
    EXPECT_EQ(comparison.result, GetParam().result);
    EXPECT_EQ(describeComparison(comparison), GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    , CatalogueComparisonTest,
    ::testing::Values(
        ComparisonCase{"Matching", [](StationTable&) {}, Result::Matches, "matches"},
        ComparisonCase{"MovedOffset", [](StationTable& t) { t[4].clips[1].offset = 1004; }, Result::ClipDiffers,
                       "station 4 (CH) clip 1: the catalogue file has offset 1004 length 500, the disc has offset "
                       "1000 length 500"},
        ComparisonCase{"MissingClip",
                       [](StationTable& t) {
                           t[4].clipCount = 2;
                           t[4].clips[2] = {};
                       },
                       Result::ClipDiffers,
                       "station 4 (CH) clip 2: the disc has a clip at offset 2000 length 500, the catalogue file "
                       "counts only 2 clips"},
        ComparisonCase{"ExtraCountedClip", [](StationTable& t) { t[9].clipCount = 2; }, Result::CountDiffers,
                       "station 9 (HC): the catalogue file counts 2 clips, the disc has 1 clip"},
        ComparisonCase{"GroupingPastTheStation", [](StationTable& t) { t[4].clips[0].outroCount = 2; },
                       Result::Unsound, "station 4 (CH) clip 0: 1 intro and 2 outros run past the station's 3 clips"},
        ComparisonCase{"StationOwnFault", [](StationTable& t) { setFieldText(t[6].pakName, "../CR"); },
                       Result::Unsound, "station 6 (CR): its pakName \"../CR\" holds a slash or backslash"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vh
