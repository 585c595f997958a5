// The whole catalogue load from a work folder: the track lookup file in CACHE
// and the catalogue file beside it, both from the input.
//
// Input: flags (bit 0: the lookup file is in CACHE; bit 1: a catalogue file
// exists; bit 2: the catalogue file is the rest of the input as it stands,
// otherwise the rest is a list of patches {u24 offset, u8 count, bytes} over
// the catalogue the program builds from the lookup file alone, so that
// matching files with changed groupings, classes and counts are easy to
// reach), u16 lookup length, the lookup bytes, the rest.

#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"

using namespace vh;
using namespace vh::fuzz;

namespace {

struct Record {
    int32_t station;
    uint32_t offset;
    uint32_t length;
};

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::unique_ptr<GameData> load(CancellingPrompts& prompts) {
    auto data = std::make_unique<GameData>(prompts, [] { return std::vector<fs::path>{}; }, workFolder());
    data->loadCatalogue();
    return data;
}

// Every station's clip slots hold its records in file order; a 257th record
// of a station and records naming no station have nowhere to go.
void checkDefaults(const StationTable& table, const std::vector<Record>& records) {
    int32_t counts[kStationCount] = {};
    for (const Record& r : records) {
        if (r.station < 0 || r.station >= kStationCount || counts[r.station] >= kMaxClips) continue;
        const Clip& clip = table[r.station].clips[counts[r.station]];
        FUZZ_CHECK(clip.offset == r.offset && clip.length == r.length);
        FUZZ_CHECK(fieldText(clip.title) == defaultClipTitle(counts[r.station] + 1, r.length));
        FUZZ_CHECK(clip.clipClass == (r.station == kCommercialStation ? Commercial : Chatter));
        FUZZ_CHECK(clip.introCount == 0 && clip.outroCount == 0);
        ++counts[r.station];
    }
    for (int s = 0; s < kStationCount; ++s) {
        FUZZ_CHECK(table[s].clipCount == counts[s]);
        FUZZ_CHECK(fieldText(table[s].pakName) == kDefaultStationNames[s]);
        FUZZ_CHECK(table[s].listed == (s == 0 || s == 2 || s == 3 || s == 7 ? 0 : 1));
    }
}

// What every reader of the catalogue relies on, whichever way it was built.
void checkWalkable(const StationTable& table) {
    FUZZ_CHECK(catalogueIsSane(table));
    for (const Station& station : table.stations) {
        int visited = 0;
        for (int i = 0; i < station.clipCount; i = nextTopLevel(station, i)) {
            FUZZ_CHECK(i >= 0 && i < kMaxClips);
            const Clip& clip = station.clips[i];
            FUZZ_CHECK(i + clip.introCount + clip.outroCount < station.clipCount);
            (void)clipName(clip);
            FUZZ_CHECK(++visited <= kMaxClips);
        }
        (void)stationHasSong(station);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    const uint8_t flags = in.u8();
    const bool lookupPresent = flags & 1;
    const bool cataloguePresent = flags & 2;
    const bool rawCatalogue = flags & 4;
    const std::vector<uint8_t> lookup = in.bytes(in.u16());
    const std::vector<uint8_t> rest = in.rest();

    const fs::path cache = workFolder() / "CACHE";
    const fs::path catalogueFile = workFolder() / kCatalogueFileName;
    std::error_code ec;
    fs::remove_all(cache, ec);
    fs::remove(catalogueFile, ec);
    fs::create_directory(cache);
    if (lookupPresent) writeBytes(cache / kTrackLookupName, lookup);

    std::vector<Record> records;
    if (lookupPresent)
        for (std::size_t at = 0; at + 12 <= lookup.size(); at += 12)
            records.push_back({int32_t(le32(&lookup[at])), le32(&lookup[at + 4]), le32(&lookup[at + 8])});

    // The catalogue the program builds without a catalogue file. Without the
    // lookup file the disc is asked for once; Cancel ends the run (here the
    // run goes on with no records).
    CancellingPrompts defaultPrompts;
    std::unique_ptr<GameData> defaults = load(defaultPrompts);
    FUZZ_CHECK(!defaults->catalogueFileInUse());
    FUZZ_CHECK(defaultPrompts.messages == 0);
    FUZZ_CHECK(defaultPrompts.questions == (lookupPresent ? 0 : 1));
    FUZZ_CHECK(defaultPrompts.runEnds == defaultPrompts.questions);
    checkDefaults(defaults->table(), records);
    checkWalkable(defaults->table());
    if (!cataloguePresent) return 0;

    std::vector<uint8_t> image;
    if (rawCatalogue) {
        image.assign(rest.begin(), rest.begin() + long(std::min(rest.size(), kCatalogueFileBytes)));
    } else {
        image.resize(kCatalogueFileBytes);
        std::memcpy(image.data(), &defaults->table(), kCatalogueFileBytes);
        InputReader patches(rest.data(), rest.size());
        while (patches.left() >= 4) {
            uint32_t at = (uint32_t(patches.u16()) | uint32_t(patches.u8()) << 16) % kCatalogueFileBytes;
            std::vector<uint8_t> bytes = patches.bytes(patches.u8());
            for (std::size_t i = 0; i < bytes.size() && at + i < image.size(); ++i) image[at + i] = bytes[i];
        }
    }
    writeBytes(catalogueFile, image);

    CancellingPrompts prompts;
    std::unique_ptr<GameData> loaded = load(prompts);
    const StationTable& table = loaded->table();
    checkWalkable(table);
    FUZZ_CHECK(prompts.questions == defaultPrompts.questions);
    if (loaded->catalogueFileInUse()) {
        // Kept: the table is the file, byte for byte (a short file leaves the
        // rest zero), and its positions are the lookup file's.
        FUZZ_CHECK(prompts.messages == 0);
        std::vector<uint8_t> expected(image);
        expected.resize(kCatalogueFileBytes, 0);
        FUZZ_CHECK(std::memcmp(&table, expected.data(), kCatalogueFileBytes) == 0);
        int32_t counts[kStationCount] = {};
        for (const Record& r : records) {
            // Records with nowhere to go are passed over, as without the file.
            if (r.station < 0 || r.station >= kStationCount || counts[r.station] >= kMaxClips) continue;
            const Clip& clip = table[r.station].clips[counts[r.station]++];
            FUZZ_CHECK(clip.offset == r.offset && clip.length == r.length);
        }
        for (int s = 0; s < kStationCount; ++s) FUZZ_CHECK(table[s].clipCount == counts[s]);
    } else {
        // Refused: one warning, then exactly the defaults; the file stays.
        FUZZ_CHECK(prompts.messages == 1);
        FUZZ_CHECK(prompts.lastCaption == GameData::kWarningCaption);
        FUZZ_CHECK(prompts.lastText == GameData::catalogueWarningText());
        FUZZ_CHECK(std::memcmp(&table, &defaults->table(), kCatalogueFileBytes) == 0);
        FUZZ_CHECK(readBytes(catalogueFile) == image);
    }
    return 0;
}
