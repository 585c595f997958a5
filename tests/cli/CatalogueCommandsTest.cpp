#include <gtest/gtest.h>

#include <sstream>

#include "cli/Commands.h"
#include "demo/DemoDisc.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

constexpr int kCH = 4;

// The demo disc, with its catalogue file copied into a work folder.
TEST(CatalogueCommands, ExportImportEditAndCheckOnTheDemoDisc) {
    test::TempDir disc, work;
    std::string error;
    ASSERT_TRUE(writeDemoDisc(disc.path(), 7, error)) << error;
    fs::copy_file(disc / kCatalogueFileName, work / kCatalogueFileName);
    test::RecordingPrompts prompts;
    std::ostringstream out, err;
    auto run = [&](const std::string& action, const fs::path& text = {}, const fs::path& file = {}) {
        out.str("");
        err.str("");
        GameData data(prompts, [&] { return std::vector<fs::path>{disc.path()}; }, work.path());
        return cli::catalogueCommand(data, {action, text, file}, out, err);
    };
    ASSERT_EQ(run("export", work / "demo.tsv"), cli::kOk) << err.str();
    ASSERT_EQ(run("import", work / "demo.tsv", work / "again.dat"), cli::kOk) << err.str();
    EXPECT_EQ(test::readFile(work / "again.dat"), test::readFile(disc / kCatalogueFileName));
    EXPECT_NE(out.str().find(" clips matched, 0 kept their default titles, 0 unknown lines\n"), std::string::npos)
        << out.str();
    EXPECT_EQ(run("check", {}, work / "again.dat"), cli::kOk);
    EXPECT_EQ(out.str(), "matches\n");

    // An edited text is what the program then lists.
    std::string edited;
    int songs = 0, chatter = 0;
    std::string song, talk;  // the clips column of `vhradio clips` from offset on
    for (const std::string& line : test::split(test::readText(work / "demo.tsv"))) {
        std::vector<std::string> cells = test::split(line, '\t');
        if (cells[0] == "clip" && cells[1] == "4" && cells[3] == "song" && cells[5] != "0" && songs++ == 0) {
            cells[5] = std::to_string(std::stoi(cells[5]) - 1);
            cells[9] = "Caf\xC3\xA9 \xE2\x82\xAC";
            song = cells[2] + "\t0\t" + cells[4] + "\t" + cells[5] + "\t" + cells[6] + "\t" + cells[7] + "\t" +
                   cells[8] + "\tCaf\xE9 \x80\n";
        } else if (cells[0] == "clip" && cells[1] == "4" && cells[3] == "chatter" && chatter++ == 0) {
            cells[3] = "opener";
            talk = cells[2] + "\t6\t";
        }
        for (std::size_t i = 0; i < cells.size(); ++i) edited += (i ? "\t" : "") + cells[i];
        edited += "\n";
    }
    ASSERT_FALSE(song.empty());
    ASSERT_FALSE(talk.empty());
    test::writeText(work / "edited.tsv", edited);
    ASSERT_EQ(run("import", work / "edited.tsv"), cli::kOk) << err.str();
    GameData data(prompts, [&] { return std::vector<fs::path>{disc.path()}; }, work.path());
    data.loadCatalogue();
    EXPECT_TRUE(data.catalogueFileInUse());
    std::ostringstream clips;
    cli::listClips(data, "CH", clips, err);
    const std::string listed = clips.str();
    EXPECT_NE(listed.find("\n" + song), std::string::npos) << listed;
    EXPECT_NE(listed.find("\n" + talk), std::string::npos);
    EXPECT_TRUE(prompts.shown.empty());

    // A refused text leaves the file that is there as it was.
    const auto before = test::readFile(work / kCatalogueFileName);
    test::writeText(work / "bad.tsv", edited + "clip\t4\t0\tsong\t300\t0\t0\t1\n");
    EXPECT_EQ(run("import", work / "bad.tsv"), cli::kFailure);
    EXPECT_NE(err.str().find("bad.tsv: line "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("nothing was written"), std::string::npos);
    EXPECT_EQ(test::readFile(work / kCatalogueFileName), before);
    EXPECT_FALSE(fs::exists(work / (std::string(kCatalogueFileName) + ".part")));

    // The check goes by the disc's positions alone.
    auto bytes = before;
    bytes[kCH * sizeof(Station) + 52 + 140] ^= 1;  // clip 0's offset
    test::writeFile(work / kCatalogueFileName, bytes);
    EXPECT_EQ(run("check"), cli::kFailure);
    EXPECT_EQ(out.str().rfind("station 4 (CH) clip 0: the catalogue file has offset ", 0), 0u) << out.str();
}

}  // namespace
}  // namespace vh
