#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "gamedata/CacheCopy.h"
#include "gamedata/IsoImage.h"
#include "gamedata/IsoTestImages.h"
#include "support/TestCatalogue.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

using test::IsoKind;

// Bytes that never repeat with a period of a sector, so that reading the
// wrong sector cannot go unnoticed.
std::vector<uint8_t> streamBytes(std::size_t size, uint32_t salt = 0) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = uint8_t((uint32_t(i) * 2654435761u + salt) >> 24);
    return bytes;
}

// More than one batch of whole sectors (512), with a partial last sector.
constexpr std::size_t kChBytes = 1'100'000;
const std::vector<test::LookupRecord> kRecords = {{4, 100, 1000}, {4, 1'050'000, 60'000}};

// A work folder and a disc tree whose names are in mixed case, so that each
// kind of image shows them differently (plain ISO 9660: upper case with ;1).
struct ImageFixture {
    test::TempDir dir;
    test::RecordingPrompts prompts;
    std::vector<uint8_t> lookup = test::lookupBytes(kRecords);
    std::vector<uint8_t> ch = streamBytes(kChBytes);

    fs::path tree() const { return dir / "tree"; }
    fs::path image() const { return dir / "game.iso"; }
    fs::path work() const { return dir / "work"; }

    void writeTree() {
        test::writeFile(tree() / "Audio/config/TrakLkup.dat", lookup);
        test::writeFile(tree() / "Audio/STREAMS/ch.pak", ch);
        test::writeFile(tree() / "Audio/STREAMS/CO.PAK", streamBytes(3000, 77));
    }
    std::unique_ptr<GameData> gameData(std::vector<fs::path> candidates) {
        return std::make_unique<GameData>(prompts, [candidates] { return candidates; }, work());
    }
    // Whether the image is taken for the disc; a refused one shows the
    // prompt, which the recorder cancels.
    bool locates(const fs::path& candidate) {
        auto data = gameData({candidate});
        try {
            return data->locateDisc();
        } catch (const test::RunEnded&) {
            return false;
        }
    }
};

class IsoKinds : public ImageFixture, public ::testing::TestWithParam<IsoKind> {
protected:
    void SetUp() override {
        if (!test::isoToolFor(GetParam())) GTEST_SKIP() << "the tool for this image kind is not installed";
        writeTree();
        ASSERT_TRUE(test::makeIsoImage(tree(), image(), GetParam()));
    }
};

TEST_P(IsoKinds, NamesMatchWithoutRegardToCaseOrVersion) {
    auto iso = IsoImage::open(image());
    ASSERT_TRUE(iso);
    for (auto names : {std::vector<std::string>{"AUDIO", "CONFIG", "TRAKLKUP.DAT"},
                       std::vector<std::string>{"audio", "config", "traklkup.dat"},
                       std::vector<std::string>{"Audio", "config", "TrakLkup.dat"}}) {
        auto entry = iso->find({names[0], names[1], names[2]});
        ASSERT_TRUE(entry) << names[0] << "/" << names[1] << "/" << names[2];
        EXPECT_FALSE(entry->directory);
        EXPECT_EQ(entry->bytes, lookup.size());
    }
    auto streams = iso->find({"audio", "Streams"});
    ASSERT_TRUE(streams);
    EXPECT_TRUE(streams->directory);
    EXPECT_EQ(iso->find({"AUDIO", "STREAMS", "CH.PAK"})->bytes, kChBytes);
    EXPECT_EQ(iso->find({"AUDIO", "STREAMS", "co.pak"})->bytes, 3000u);

    EXPECT_FALSE(iso->find({"AUDIO", "CONFIG", "NOTHERE.DAT"}));
    EXPECT_FALSE(iso->find({"AUDIO", "STREAMS", "CH.PAK", "MORE"}));  // a file is no directory
    EXPECT_FALSE(iso->find({"AUDIO", "STREAMS", "CH"}));
    EXPECT_FALSE(iso->find({"AUDIO", "STREAMS", "CH.PAK;1x"}));
}

struct Range {
    uint64_t offset;
    std::size_t count;
};

TEST_P(IsoKinds, ReadsExactlyTheRangeAskedFor) {
    auto iso = IsoImage::open(image());
    ASSERT_TRUE(iso);
    auto file = iso->find({"AUDIO", "STREAMS", "CH.PAK"});
    ASSERT_TRUE(file);
    const Range ranges[] = {
        {0, 1},                      // the first byte
        {2047, 2},                   // across one sector boundary
        {2000, 5000},                // partial sectors at both ends, whole ones between
        {4096, 2048},                // exactly one sector
        {1, kChBytes - 1},           // more than one batch of sectors, unaligned
        {0, kChBytes},               // the whole file
        {kChBytes - 10, 100},        // past the end of the file: the last 10 bytes
        {kChBytes - 1, 1},           // the last byte
        {kChBytes, 5},               // at the end: nothing
        {kChBytes + 4096, 5},        // beyond the end: nothing
    };
    for (const Range& r : ranges) {
        std::vector<uint8_t> out(r.count + 16, 0xEE);
        const std::size_t expected = r.offset >= kChBytes ? 0 : std::min<std::size_t>(r.count, kChBytes - r.offset);
        ASSERT_EQ(iso->read(*file, r.offset, r.count, out.data()), expected) << r.offset << "+" << r.count;
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + long(expected), ch.begin() + long(r.offset)))
            << r.offset << "+" << r.count;
        EXPECT_TRUE(std::all_of(out.begin() + long(expected), out.end(), [](uint8_t b) { return b == 0xEE; }))
            << "bytes written beyond what was read at " << r.offset;
    }
}

TEST_P(IsoKinds, GameDataReadsTheImageLikeAFolder) {
    auto data = gameData({dir / "nothing-here", image()});
    data->loadCatalogue();
    ASSERT_EQ(data->table()[4].clipCount, 2);
    ASSERT_TRUE(data->disc());
    EXPECT_TRUE(data->disc()->isImage());
    EXPECT_EQ(*data->discRoot(), image());

    auto first = data->loadClipData(4, 0);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), 9068u);
    EXPECT_EQ(first->validBytes(), 9068u);
    EXPECT_TRUE(std::equal(first->data(), first->data() + 9068, ch.begin() + 100));

    // 68068 bytes asked from 1050000: the file ends 50000 bytes in.
    auto last = data->loadClipData(4, 1);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->validBytes(), 50000u);
    EXPECT_TRUE(std::equal(last->data(), last->data() + 50000, ch.begin() + 1'050'000));
    EXPECT_TRUE(std::all_of(last->data() + 50000, last->data() + last->size(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_P(IsoKinds, CacheCopyTakesTheFilesOutOfTheImage) {
    auto data = gameData({image()});
    fs::create_directories(data->cacheDir());
    std::vector<float> percents;
    auto progress = [&](const std::string&, float percent) { percents.push_back(percent); };
    ASSERT_TRUE(copyFile(*data, "CONFIG", kTrackLookupName, kTrackLookupName, progress));
    ASSERT_TRUE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", progress));
    EXPECT_EQ(test::readFile(data->cacheDir() / kTrackLookupName), lookup);
    EXPECT_EQ(test::readFile(data->cacheDir() / "CH.PAK"), ch);
    EXPECT_EQ(percents.back(), 100.0f);
    EXPECT_EQ(percents.size(), 2 + 1 + kChBytes / kCopyBufferBytes + 1);
}

INSTANTIATE_TEST_SUITE_P(, IsoKinds,
                         ::testing::Values(IsoKind::Plain, IsoKind::RockRidge, IsoKind::Joliet, IsoKind::UdfBridge,
                                           IsoKind::Xorriso),
                         [](const auto& info) { return std::string(test::isoKindName(info.param)); });

struct IsoNames : ImageFixture, ::testing::Test {};

TEST(IsoPlainName, DropsTheVersionAndABareDot) {
    EXPECT_EQ(isoPlainName("CH.PAK;1"), "CH.PAK");
    EXPECT_EQ(isoPlainName("README.;1"), "README");
    EXPECT_EQ(isoPlainName("README."), "README");
    EXPECT_EQ(isoPlainName("TRAKLKUP.DAT"), "TRAKLKUP.DAT");
    EXPECT_EQ(isoPlainName("odd;name"), "odd;name");  // not a version
    EXPECT_EQ(isoPlainName("."), ".");
    EXPECT_EQ(isoPlainName(".."), "..");
}

TEST_F(IsoNames, AnExactMatchWinsOverCaseTwinsThenNameOrder) {
    if (!test::isoToolFor(IsoKind::RockRidge)) GTEST_SKIP() << "genisoimage is not installed";
    test::writeFile(tree() / "AUDIO/CONFIG/TRAKLKUP.DAT", lookup);
    test::writeFile(tree() / "AUDIO/STREAMS/CH.PAK", streamBytes(100, 1));
    test::writeFile(tree() / "AUDIO/STREAMS/ch.pak", streamBytes(200, 2));
    ASSERT_TRUE(test::makeIsoImage(tree(), image(), IsoKind::RockRidge));
    auto iso = IsoImage::open(image());
    ASSERT_TRUE(iso);
    EXPECT_EQ(iso->find({"AUDIO", "STREAMS", "CH.PAK"})->bytes, 100u);
    EXPECT_EQ(iso->find({"AUDIO", "STREAMS", "ch.pak"})->bytes, 200u);
    EXPECT_EQ(iso->find({"AUDIO", "STREAMS", "Ch.Pak"})->bytes, 100u);  // "CH.PAK" sorts first
}

TEST_F(IsoNames, AWholeCatalogueLoadsFromAnImageAndItsCacheCopyReplacesIt) {
    if (!test::isoToolFor(IsoKind::Plain)) GTEST_SKIP() << "genisoimage is not installed";
    // A catalogue made in a work folder's CACHE, moved onto an image.
    test::TestCatalogue made;
    made.add(kCommercialStation, {Commercial, "Ad", "", 3, 4});
    made.addSong(4, {"Song", "Band", {"Hello", ""}, {"Bye"}, 30});
    made.add(4, {Chatter, "Talk", "", 6, 5});
    made.add(15, {Ident, "TK ident", "", 4, 6});
    const StationTable& expected = made.load().table();
    for (const auto& entry : fs::directory_iterator(made.workDir() / "CACHE")) {
        const std::string name = entry.path().filename().string();
        const char* folder = name == kTrackLookupName ? "AUDIO/CONFIG/" : "AUDIO/STREAMS/";
        test::writeFile(tree() / (folder + name), test::readFile(entry.path()));
    }
    ASSERT_TRUE(test::makeIsoImage(tree(), image(), IsoKind::Plain));
    fs::create_directories(work());
    fs::copy_file(made.workDir() / kCatalogueFileName, work() / kCatalogueFileName);

    auto data = gameData({image()});
    data->loadCatalogue();
    EXPECT_TRUE(data->catalogueFileInUse());
    EXPECT_EQ(std::memcmp(&data->table(), &expected, sizeof expected), 0);
    auto sameClips = [&](GameData& g) {
        for (int s = 0; s < kStationCount; ++s)
            for (int c = 0; c < expected[s].clipCount; ++c) {
                auto fromImage = g.loadClipData(s, c);
                auto fromCache = made.data().loadClipData(s, c);
                ASSERT_TRUE(fromImage && fromCache) << s << " " << c;
                ASSERT_EQ(fromImage->validBytes(), fromCache->size());
                EXPECT_EQ(std::memcmp(fromImage->data(), fromCache->data(), fromCache->size()), 0) << s << " " << c;
            }
    };
    sameClips(*data);

    ASSERT_TRUE(copyAudioFiles(*data, nullptr));
    fs::remove(image());
    auto afterCopy = gameData({image()});
    afterCopy->loadCatalogue();
    EXPECT_TRUE(afterCopy->catalogueFileInUse());
    sameClips(*afterCopy);
    EXPECT_FALSE(afterCopy->discRoot());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(IsoNames, ImagesAreTriedInTheCandidateOrderAndOthersPassedOver) {
    if (!test::isoToolFor(IsoKind::Plain)) GTEST_SKIP() << "genisoimage is not installed";
    writeTree();
    ASSERT_TRUE(test::makeIsoImage(tree(), dir / "good.iso", IsoKind::Plain));
    test::writeFile(dir / "other/README.TXT", {'h', 'i'});
    ASSERT_TRUE(test::makeIsoImage(dir / "other", dir / "other.iso", IsoKind::Plain));
    test::writeFile(dir / "junk.iso", streamBytes(100000));
    test::writeFile(dir / "empty.iso", {});
    fs::create_directories(dir / "folder.iso");
    for (const char* refused : {"other.iso", "junk.iso", "empty.iso", "folder.iso", "missing.iso"})
        EXPECT_FALSE(locates(dir / refused)) << refused;

    auto data = gameData({dir / "other.iso", dir / "junk.iso", dir / "folder.iso", dir / "good.iso"});
    ASSERT_TRUE(data->locateDisc());
    EXPECT_EQ(*data->discRoot(), dir / "good.iso");
}

TEST(DiscImages, EveryIsoFileOfTheFolderInNameOrder) {
    test::TempDir dir;
    for (const char* name : {"b.iso", "A.ISO", "c.Iso", "d.iso.txt", "e.img", ".iso"})
        test::writeFile(dir / name, {1});
    fs::create_directories(dir / "folder.iso");
    EXPECT_EQ(discImagesIn(dir.path()),
              (std::vector<fs::path>{dir / "A.ISO", dir / "b.iso", dir / "c.Iso"}));
    EXPECT_TRUE(discImagesIn(dir / "missing").empty());

    // The default search ends with the images of the current directory, by bare name.
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    std::vector<fs::path> candidates = defaultDiscCandidates();
    fs::current_path(before);
    ASSERT_GE(candidates.size(), 3u);
    EXPECT_EQ(std::vector<fs::path>(candidates.end() - 3, candidates.end()),
              (std::vector<fs::path>{"A.ISO", "b.iso", "c.Iso"}));
}

// A plain image (only the ISO 9660 tree) that each test damages in one way.
// Its files: AUDIO/CONFIG/TRAKLKUP.DAT and TRAKLKUP.BAK, AUDIO/STREAMS/CH.PAK
// and CO.PAK.
struct DamagedImage : ImageFixture, ::testing::Test {
    std::vector<uint8_t> original, bytes;
    IsoImage::Entry audio, config, streams, lookupFile, chFile;
    uint32_t root = 0;

    void SetUp() override {
        if (!test::isoToolFor(IsoKind::Plain)) GTEST_SKIP() << "genisoimage is not installed";
        writeTree();
        test::writeFile(tree() / "Audio/config/TRAKLKUP.BAK", std::vector<uint8_t>(12, 0));
        ASSERT_TRUE(test::makeIsoImage(tree(), image(), IsoKind::Plain));
        auto iso = IsoImage::open(image());
        ASSERT_TRUE(iso);
        audio = *iso->find({"AUDIO"});
        config = *iso->find({"AUDIO", "CONFIG"});
        streams = *iso->find({"AUDIO", "STREAMS"});
        lookupFile = *iso->find({"AUDIO", "CONFIG", "TRAKLKUP.DAT"});
        chFile = *iso->find({"AUDIO", "STREAMS", "CH.PAK"});
        original = bytes = test::readFile(image());
        root = test::isoRootSector(bytes);
        ASSERT_NE(root, 0u);
    }
    std::size_t record(uint32_t sector, std::string_view name) {
        auto at = test::isoRecordIn(bytes, sector, name);
        EXPECT_TRUE(at) << name;
        return at.value_or(0);
    }
    void save() { test::writeFile(image(), bytes); }
    uint32_t imageSectors() const { return uint32_t(bytes.size() / IsoImage::kSectorBytes); }
};

TEST_F(DamagedImage, TruncatedBeforeTheDirectoriesIsNoDisc) {
    for (std::size_t keep : {std::size_t(0), std::size_t(16 * 2048 + 100), std::size_t(root) * 2048}) {
        bytes.resize(keep);
        save();
        EXPECT_FALSE(locates(image())) << keep;
    }
}

// An image cut inside its lookup file is passed over and the search goes on
// to the next candidate. (Reads cut short by the image's end: below.)
TEST_F(DamagedImage, TruncatedInsideTheLookupFileIsPassedOver) {
    test::writeFile(dir / "later.iso", original);
    bytes = original;
    bytes.resize(std::size_t(lookupFile.sector) * 2048 + 6);
    save();
    EXPECT_FALSE(locates(image()));
    auto cut = gameData({image(), dir / "later.iso"});
    cut->loadCatalogue();
    ASSERT_TRUE(cut->disc());
    EXPECT_EQ(cut->disc()->root(), dir / "later.iso");
    EXPECT_EQ(cut->table()[4].clipCount, 2);
}

TEST_F(DamagedImage, AFileBeyondTheEndOfTheImageReadsShort) {
    const std::size_t ch = record(streams.sector, "CH.PAK;1");
    auto data = gameData({image()});
    data->loadCatalogue();
    fs::create_directories(data->cacheDir());

    // Wholly beyond: nothing is read, the clip is silent, the copy fails.
    test::putBothEndian32(bytes, ch + test::IsoRecordField::kExtent, imageSectors() + 10);
    save();
    auto beyond = data->loadClipData(4, 0);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->validBytes(), 0u);
    EXPECT_FALSE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", nullptr));
    EXPECT_FALSE(fs::exists(data->cacheDir() / "CH.PAK"));

    // Starting in the last sector: only that sector's bytes arrive.
    test::putBothEndian32(bytes, ch + test::IsoRecordField::kExtent, imageSectors() - 1);
    save();
    auto partly = data->loadClipData(4, 0);
    ASSERT_TRUE(partly);
    EXPECT_EQ(partly->validBytes(), 2048u - 100u);
    EXPECT_TRUE(std::equal(partly->data(), partly->data() + 1948, bytes.end() - 1948));
    EXPECT_FALSE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", nullptr));

    // A lookup file of nearly 4 GiB is taken as damage, not read into memory.
    const std::size_t lookupRecord = record(config.sector, "TRAKLKUP.DAT;1");
    test::putBothEndian32(bytes, lookupRecord + test::IsoRecordField::kSize, 0xFFFFFFFFu);
    save();
    EXPECT_FALSE(data->loadConfigFile(kTrackLookupName));
}

TEST_F(DamagedImage, DirectoryLoopsEndTheWalk) {
    // AUDIO pointing back at the root.
    const std::size_t audioRecord = record(root, "AUDIO");
    test::putBothEndian32(bytes, audioRecord + test::IsoRecordField::kExtent, root);
    save();
    EXPECT_FALSE(IsoImage::open(image())->find({"AUDIO", "AUDIO", "AUDIO", "CONFIG"}));
    EXPECT_FALSE(locates(image()));

    // CONFIG pointing back at AUDIO: STREAMS is still readable.
    bytes = original;
    const std::size_t configRecord = record(audio.sector, "CONFIG");
    test::putBothEndian32(bytes, configRecord + test::IsoRecordField::kExtent, audio.sector);
    save();
    auto iso = IsoImage::open(image());
    EXPECT_FALSE(iso->find({"AUDIO", "CONFIG", "TRAKLKUP.DAT"}));
    EXPECT_FALSE(iso->find({"AUDIO", "CONFIG", "CONFIG", "CONFIG"}));
    EXPECT_TRUE(iso->find({"AUDIO", "STREAMS", "CH.PAK"}));
    EXPECT_FALSE(locates(image()));

    // A file turned into a directory that holds itself.
    bytes = original;
    const std::size_t lookupRecord = record(config.sector, "TRAKLKUP.DAT;1");
    test::putBothEndian32(bytes, lookupRecord + test::IsoRecordField::kExtent, config.sector);
    test::putBothEndian32(bytes, lookupRecord + test::IsoRecordField::kSize, 2048);
    bytes[lookupRecord + test::IsoRecordField::kFlags] |= 2;
    save();
    iso = IsoImage::open(image());
    EXPECT_FALSE(iso->find({"AUDIO", "CONFIG", "TRAKLKUP.DAT", "TRAKLKUP.DAT", "TRAKLKUP.DAT"}));
    EXPECT_FALSE(iso->find({"A", "B", "C", "D", "E", "F", "G", "H", "I"}));  // deeper than any walk goes
    EXPECT_FALSE(locates(image()));
}

TEST_F(DamagedImage, ANameListedTwiceIsNotFound) {
    // CO.PAK renamed CH.PAK: neither stream file is found.
    const std::size_t co = record(streams.sector, "CO.PAK;1");
    std::memcpy(&bytes[co + test::IsoRecordField::kName], "CH.PAK;1", 8);
    save();
    auto data = gameData({image()});
    data->loadCatalogue();
    EXPECT_EQ(data->table()[4].clipCount, 2);
    EXPECT_FALSE(data->loadClipData(4, 0));
    fs::create_directories(data->cacheDir());
    EXPECT_FALSE(copyFile(*data, "STREAMS", "CH.PAK", "CH.PAK", nullptr));
    EXPECT_FALSE(fs::exists(data->cacheDir() / "CH.PAK"));

    // TRAKLKUP.BAK renamed TRAKLKUP.DAT: the probe is ambiguous, so no disc.
    const std::size_t bak = record(config.sector, "TRAKLKUP.BAK;1");
    std::memcpy(&bytes[bak + test::IsoRecordField::kName], "TRAKLKUP.DAT;1", 14);
    save();
    EXPECT_FALSE(locates(image()));
}

}  // namespace
}  // namespace vh
