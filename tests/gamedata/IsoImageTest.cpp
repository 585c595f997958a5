// Disc images read like a disc folder. Damage beyond the few cases here is
// the iso_image fuzz target's job.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "gamedata/CacheCopy.h"
#include "gamedata/IsoImage.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

constexpr std::size_t kChBytes = 1'100'000;  // more than one batch of sectors, a partial last one

// A disc tree in mixed case (a plain image shows it as upper case with
// ";1"), made into an image by genisoimage. The stream file's bytes never
// repeat with a period of a sector, so reading the wrong one shows.
struct Image : ::testing::Test {
    test::TempDir dir;
    test::RecordingPrompts prompts;
    std::vector<uint8_t> lookup = test::lookupBytes({{4, 100, 1000}, {4, 1'050'000, 60'000}}), ch;
    fs::path image() const { return dir / "game.iso"; }

    void SetUp() override {
        for (std::size_t i = 0; i < kChBytes; ++i) ch.push_back(uint8_t((uint32_t(i) * 2654435761u) >> 24));
        test::writeFile(dir / "tree/Audio/config/TrakLkup.dat", lookup);
        test::writeFile(dir / "tree/Audio/STREAMS/ch.pak", ch);
    }
    void make(const char* option) {
        const std::string command = std::string("genisoimage -quiet -no-pad ") + option + " -o '" + image().string() +
                                    "' '" + (dir / "tree").string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "genisoimage (scripts/deps installs it)";
    }
    std::unique_ptr<GameData> gameData() {
        return std::make_unique<GameData>(prompts, [this] { return std::vector<fs::path>{dir / "nothing", image()}; },
                                          dir / "work");
    }
};

// A plain and a Joliet image (the library prefers the Joliet tree).
TEST_F(Image, GameDataReadsAndCopiesItLikeAFolder) {
    for (const char* option : {"", "-J"}) {
        SCOPED_TRACE(*option ? "Joliet" : "plain");
        make(option);
        fs::remove_all(dir / "work");
        auto data = gameData();
        data->loadCatalogue();
        ASSERT_EQ(data->table()[4].clipCount, 2);
        EXPECT_EQ(*data->discRoot(), image());
        auto first = data->loadClipData(4, 0);
        ASSERT_TRUE(first && first->validBytes() == 9068u);
        EXPECT_TRUE(std::equal(first->data(), first->data() + 9068, ch.begin() + 100));
        auto last = data->loadClipData(4, 1);  // 68068 bytes asked from 1050000: the file ends 50000 bytes in
        ASSERT_TRUE(last && last->validBytes() == 50000u);
        EXPECT_TRUE(std::equal(last->data(), last->data() + 50000, ch.begin() + 1'050'000));
        fs::create_directories(data->cacheDir());
        ASSERT_TRUE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", nullptr));
        EXPECT_EQ(test::readFile(data->cacheDir() / "CH.PAK"), ch);
        EXPECT_TRUE(prompts.shown.empty());

        // Exactly the range asked for, nothing written beyond what was read.
        auto iso = IsoImage::open(image());
        auto file = iso->find({"audio", "Streams", "CH.PAK"});
        ASSERT_TRUE(file);
        for (auto [offset, count] : {std::pair<uint64_t, std::size_t>{0, 1}, {2047, 2}, {2000, 5000}, {4096, 2048},
                                     {1, kChBytes - 1}, {kChBytes - 10, 100}, {kChBytes, 5}, {kChBytes + 4096, 5}}) {
            std::vector<uint8_t> out(count + 16, 0xEE);
            const std::size_t expected = offset >= kChBytes ? 0 : std::min<std::size_t>(count, kChBytes - offset);
            ASSERT_EQ(iso->read(*file, offset, count, out.data()), expected) << offset << "+" << count;
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + long(expected), ch.begin() + long(offset))) << offset;
            EXPECT_TRUE(std::all_of(out.begin() + long(expected), out.end(), [](uint8_t b) { return b == 0xEE; })) << offset;
        }
    }
}

// A directory record holds its extent (both-endian uint32) at byte 2, its
// size at byte 10 and its name, after its length byte, from byte 33.
void putRecordField(std::vector<uint8_t>& image, uint32_t dirSector, std::string_view name, std::size_t field,
                    uint32_t value) {
    std::vector<uint8_t> needle{uint8_t(name.size())};
    needle.insert(needle.end(), name.begin(), name.end());
    const auto begin = image.begin() + long(dirSector) * 2048;
    const std::size_t record = std::size_t(std::search(begin, begin + 2048, needle.begin(), needle.end()) - image.begin()) - 32;
    for (std::size_t i = 0; i < 4; ++i) image[record + field + i] = image[record + field + 7 - i] = uint8_t(value >> (8 * i));
}

TEST_F(Image, ALoopOfDirectoriesOrAnExtentPastTheEndGivesNotFoundOrAShortRead) {
    make("");
    const uint32_t streams = IsoImage::open(image())->find({"AUDIO", "STREAMS"})->sector;
    const std::vector<uint8_t> original = test::readFile(image());
    const uint32_t root = test::le32(original, 16 * 2048 + 156 + 2);  // the primary volume descriptor's root record
    const uint32_t sectors = uint32_t(original.size() / 2048);
    std::vector<uint8_t> bytes = original;  // AUDIO pointing back at the root: no disc
    putRecordField(bytes, root, "AUDIO", 2, root);
    test::writeFile(image(), bytes);
    EXPECT_FALSE(IsoImage::open(image())->find({"AUDIO", "AUDIO", "AUDIO", "CONFIG"}));
    EXPECT_THROW(gameData()->locateDisc(), test::RunEnded);  // the prompt, cancelled

    test::writeFile(dir / "work/CACHE/TRAKLKUP.DAT", lookup);
    auto data = gameData();
    data->loadCatalogue();
    for (auto [start, valid] : {std::pair{sectors + 10, 0u}, {sectors - 1, 2048u - 100u}}) {
        bytes = original;  // CH.PAK's extent wholly beyond the image, then in its last sector
        putRecordField(bytes, streams, "CH.PAK;1", 2, start);
        test::writeFile(image(), bytes);
        auto clip = data->loadClipData(4, 0);
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->validBytes(), valid);
        EXPECT_TRUE(std::equal(clip->data(), clip->data() + valid, bytes.end() - valid));
        EXPECT_FALSE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", nullptr));
        EXPECT_FALSE(fs::exists(data->cacheDir() / "CH.PAK"));
    }
}

// An image cut inside its lookup file, or whose lookup file claims nearly
// 4 GiB, is passed over: the search goes on to the next candidate.
TEST_F(Image, AnImageWhoseLookupFileCannotBeReadWholeIsPassedOver) {
    make("");
    const std::vector<uint8_t> original = test::readFile(image());
    fs::copy_file(image(), dir / "later.iso");
    auto iso = IsoImage::open(image());
    const uint32_t config = iso->find({"AUDIO", "CONFIG"})->sector;
    const std::size_t lookupAt = std::size_t(iso->find({"AUDIO", "CONFIG", "TRAKLKUP.DAT"})->sector) * 2048;
    std::vector<uint8_t> huge = original;
    putRecordField(huge, config, "TRAKLKUP.DAT;1", 10, 0xFFFFFFFFu);
    for (const std::vector<uint8_t>& damaged : {std::vector<uint8_t>(original.begin(), original.begin() + long(lookupAt) + 6), huge}) {
        test::writeFile(image(), damaged);
        GameData data(prompts, [this] { return std::vector<fs::path>{image(), dir / "later.iso"}; }, dir / "work");
        data.loadCatalogue();
        ASSERT_TRUE(data.disc());
        EXPECT_EQ(data.disc()->root(), dir / "later.iso");
        EXPECT_EQ(data.table()[4].clipCount, 2);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
}  // namespace vh
