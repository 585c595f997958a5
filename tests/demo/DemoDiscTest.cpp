#include "demo/DemoDisc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "audio/Decoder.h"
#include "gamedata/Catalogue.h"
#include "gamedata/ClipAudio.h"

namespace vh {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kSeed = 2024;
constexpr int kMusicStations[] = {4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15};

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct Record {
    int32_t station;
    uint32_t offset;
    uint32_t length;
};

fs::path freshDir(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("vh-demo-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(dir);
    return dir;
}

// One demo disc for the suite, read back the way the program reads it.
class DemoDiscTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = freshDir("suite");
        written_ = writeDemoDisc(dir_, kSeed, error_);
        const std::vector<uint8_t> lookup = readAll(dir_ / "AUDIO" / "CONFIG" / "TRAKLKUP.DAT");
        lookupBytes_ = lookup.size();
        for (std::size_t i = 0; i + 12 <= lookup.size(); i += 12)
            records_.push_back({int32_t(u32(&lookup[i])), u32(&lookup[i + 4]), u32(&lookup[i + 8])});
        const std::vector<uint8_t> catalogue = readAll(dir_ / "VarnholtRadioInfo.dat");
        catalogueBytes_ = catalogue.size();
        table_ = std::make_unique<StationTable>();
        if (catalogue.size() == sizeof(StationTable)) std::memcpy(table_.get(), catalogue.data(), sizeof(StationTable));
        for (int s = 0; s < kStationCount; ++s)
            streams_[s] = readAll(dir_ / "AUDIO" / "STREAMS" / (std::string(kDefaultStationNames[std::size_t(s)]) + ".PAK"));
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    void SetUp() override { ASSERT_TRUE(written_) << error_; }

    static std::vector<Record> recordsOf(int station) {
        std::vector<Record> out;
        for (const Record& r : records_)
            if (r.station == station) out.push_back(r);
        return out;
    }

    // The clip's bytes as loadClipData reads them: the header and its chunks.
    static std::unique_ptr<ClipAudio> clipAudio(const Record& r) {
        const std::vector<uint8_t>& stream = streams_[r.station];
        const std::size_t bytes = ClipAudio::kHeaderBytes + r.length;
        auto audio = ClipAudio::allocate(bytes);
        if (r.offset + bytes <= stream.size()) std::memcpy(audio->data(), stream.data() + r.offset, bytes);
        return audio;
    }

    static inline fs::path dir_;
    static inline bool written_ = false;
    static inline std::string error_;
    static inline std::size_t lookupBytes_ = 0, catalogueBytes_ = 0;
    static inline std::vector<Record> records_;
    static inline std::unique_ptr<StationTable> table_;
    static inline std::vector<uint8_t> streams_[kStationCount];
};

TEST_F(DemoDiscTest, LookupFileAndCatalogueDescribeTheSameStreams) {
    EXPECT_EQ(catalogueBytes_, 623488u);
    EXPECT_EQ(lookupBytes_ % 12, 0u);
    ASSERT_FALSE(records_.empty());

    for (int s = 0; s < kStationCount; ++s) {
        SCOPED_TRACE("station " + std::to_string(s));
        const Station& station = (*table_)[s];
        const std::vector<Record> records = recordsOf(s);
        EXPECT_EQ(fieldText(station.pakName), kDefaultStationNames[std::size_t(s)]);
        EXPECT_EQ(station.listed, (s == 0 || s == 2 || s == 3 || s == 7) ? 0 : 1);
        EXPECT_FALSE(fieldText(station.displayName).empty());
        ASSERT_EQ(station.clipCount, int32_t(records.size()));
        EXPECT_GE(records.size(), 2u) << "every station, hidden ones too, holds a few clips";

        uint32_t end = 0;
        for (std::size_t c = 0; c < records.size(); ++c) {
            const Clip& clip = station.clips[c];
            EXPECT_EQ(clip.offset, records[c].offset);
            EXPECT_EQ(clip.length, records[c].length);
            EXPECT_EQ(clip.reserved, 0);
            // Clips follow one another in the stream file, whole chunks each.
            EXPECT_EQ(records[c].offset, end);
            EXPECT_EQ(records[c].length % ClipAudio::kChunkBytes, 0u);
            EXPECT_GT(records[c].length, 0u);
            end = records[c].offset + uint32_t(ClipAudio::kHeaderBytes) + records[c].length;
            // The header's block count fills exactly the chunks the lookup names.
            const uint32_t dataSize = end <= streams_[s].size() ? u32(&streams_[s][records[c].offset + 8016]) : 0;
            EXPECT_EQ(dataSize % 16, 0u);
            EXPECT_EQ((dataSize / 16 + 4095) / 4096, records[c].length / ClipAudio::kChunkBytes);
        }
        EXPECT_EQ(streams_[s].size(), end);
        for (std::size_t c = records.size(); c < std::size_t(kMaxClips); ++c) ASSERT_EQ(station.clips[c].length, 0u);
    }
    EXPECT_TRUE(catalogueIsSane(*table_));

    // The stations' records interleave rather than come in blocks.
    std::set<int32_t> finished;
    bool interleaved = false;
    for (std::size_t i = 1; i < records_.size(); ++i) {
        if (records_[i].station != records_[i - 1].station) {
            interleaved |= finished.count(records_[i].station) > 0;
            finished.insert(records_[i - 1].station);
        }
    }
    EXPECT_TRUE(interleaved);
}

TEST_F(DemoDiscTest, StationsCarryRadioContent) {
    int withoutOpeners = 0, musicOnlyVariants = 0, spokenVariants = 0;
    std::set<std::string> displayNames;
    for (int s : kMusicStations) {
        SCOPED_TRACE("station " + std::to_string(s));
        const Station& station = (*table_)[s];
        EXPECT_NE(fieldText(station.displayName), fieldText(station.pakName));
        displayNames.insert(std::string(fieldText(station.displayName)));

        int songs = 0;
        int perClass[kClipClassCount] = {};
        int visited = 0;
        for (int i = 0; i < station.clipCount; i = nextTopLevel(station, i)) {
            const Clip& clip = station.clips[i];
            ++visited;
            ASSERT_GE(clip.clipClass, 0);
            ASSERT_LT(clip.clipClass, kClipClassCount);
            ++perClass[clip.clipClass];
            EXPECT_FALSE(fieldText(clip.title).empty());
            if (clip.clipClass != Song) {
                EXPECT_EQ(clip.introCount + clip.outroCount, 0);
                continue;
            }
            ++songs;
            EXPECT_FALSE(fieldText(clip.artist).empty());
            EXPECT_GE(clip.introCount, 1);
            EXPECT_LE(clip.introCount, 3);
            EXPECT_GE(clip.outroCount, 1);
            EXPECT_LE(clip.outroCount, 3);
            ASSERT_LT(i + clip.introCount + clip.outroCount, station.clipCount) << "grouping runs past clipCount";
            for (int k = 1; k <= clip.introCount + clip.outroCount; ++k) {
                const Clip& variant = station.clips[i + k];
                EXPECT_EQ(variant.clipClass, Song);
                EXPECT_EQ(variant.introCount + variant.outroCount, 0);
                EXPECT_TRUE(fieldText(variant.artist).empty());
                std::string_view title = fieldText(variant.title);
                if (title.empty()) ++musicOnlyVariants;
                else if (title.starts_with("DJ: ")) ++spokenVariants;
                else ADD_FAILURE() << "variant title " << title;
                // An intro or outro is a short phrase: one chunk.
                EXPECT_EQ(variant.length, ClipAudio::kChunkBytes);
            }
        }
        EXPECT_GE(songs, 2);
        EXPECT_GE(perClass[Ident], 1);
        EXPECT_GE(perClass[Chatter], 1);
        EXPECT_GE(perClass[ChatterAlt], 1);
        withoutOpeners += perClass[Opener] == 0;
        EXPECT_GT(visited, songs);
    }
    EXPECT_EQ(withoutOpeners, 1);
    EXPECT_GT(musicOnlyVariants, 0);
    EXPECT_GT(spokenVariants, 0);
    EXPECT_EQ(displayNames.size(), std::size(kMusicStations));

    const Station& adverts = (*table_)[kCommercialStation];
    EXPECT_GE(adverts.clipCount, 5);
    for (int c = 0; c < adverts.clipCount; ++c) EXPECT_EQ(adverts.clips[c].clipClass, Commercial) << c;
    for (int s : {0, 2, 3, 7})
        for (int c = 0; c < (*table_)[s].clipCount; ++c) EXPECT_NE((*table_)[s].clips[c].clipClass, Song);
}

TEST_F(DemoDiscTest, EveryClipDecodesToAudibleUnclippedSound) {
    int multiChunkPartial = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const Record& r = records_[i];
        SCOPED_TRACE("record " + std::to_string(i) + " of station " + std::to_string(r.station));
        auto audio = clipAudio(r);
        const int32_t blocks = audio->blockCount();
        ASSERT_GT(blocks, 0);
        const std::size_t chunks = r.length / ClipAudio::kChunkBytes;
        if (chunks >= 2 && blocks % ClipAudio::kBlocksPerChunk != 0) ++multiChunkPartial;

        PartCursor cursor;
        cursor.open(*audio);
        PredictorState left, right;
        int16_t out[56];
        double energy = 0.0;
        int peak = 0, atFullScale = 0;
        while (!cursor.atEnd()) {
            cursor.nextStereoBlock(out, left, right);
            for (int16_t v : out) {
                energy += double(v) * v;
                peak = std::max(peak, std::abs(int(v)));
                atFullScale += v == 32767 || v == -32768;
            }
        }
        const double rms = std::sqrt(energy / (double(blocks) * 56));
        EXPECT_GT(rms, 600.0);
        EXPECT_GT(peak, 8000);
        EXPECT_EQ(atFullScale, 0);
    }
    EXPECT_GT(multiChunkPartial, 10);
}

TEST_F(DemoDiscTest, SameSeedGivesSameBytesAndAnotherSeedOthers) {
    const fs::path again = freshDir("again");
    const fs::path other = freshDir("other");
    std::string error;
    ASSERT_TRUE(writeDemoDisc(again, kSeed, error)) << error;
    ASSERT_TRUE(writeDemoDisc(other, kSeed + 1, error)) << error;
    std::vector<fs::path> files = {"VarnholtRadioInfo.dat", fs::path("AUDIO") / "CONFIG" / "TRAKLKUP.DAT"};
    for (const char* name : kDefaultStationNames) files.push_back(fs::path("AUDIO") / "STREAMS" / (std::string(name) + ".PAK"));
    int differing = 0;
    for (const fs::path& file : files) {
        EXPECT_EQ(readAll(dir_ / file), readAll(again / file)) << file;
        differing += readAll(dir_ / file) != readAll(other / file);
    }
    EXPECT_EQ(differing, int(files.size()));
    fs::remove_all(again);
    fs::remove_all(other);
}

TEST(DemoDiscErrors, UnwritableFolderFailsWithAMessage) {
    const fs::path base = freshDir("blocked");
    fs::create_directories(base);
    std::ofstream(base / "file") << "not a folder";
    std::string error;
    EXPECT_FALSE(writeDemoDisc(base / "file" / "disc", 1, error));
    EXPECT_NE(error.find("disc"), std::string::npos) << error;
    fs::remove_all(base);
}

}  // namespace
}  // namespace vh
