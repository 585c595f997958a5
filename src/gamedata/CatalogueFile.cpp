#include "gamedata/CatalogueFile.h"

#include <cerrno>
#include <cstring>

#include "gamedata/ReplacingFile.h"

namespace vh {

namespace {

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string stationText(int s) {
    return "station " + std::to_string(s) + " (" + kDefaultStationNames[std::size_t(s)] + ")";
}

}  // namespace

TrackLookupRecord lookupRecord(const std::vector<uint8_t>& lookup, std::size_t index) {
    const uint8_t* rec = lookup.data() + 12 * index;
    return {int32_t(readU32(rec)), readU32(rec + 4), readU32(rec + 8)};
}

bool readCatalogueFile(const fs::path& path, StationTable& table) {
    std::memset(&table, 0, sizeof table);
    UniqueFile file = openRegularFile(path);
    if (!file) return false;
    std::fread(&table, 1, sizeof table, file.get());
    return true;
}

bool writeCatalogueFile(const fs::path& path, const StationTable& table, std::string& error) {
    ReplacingFile file(path);
    if (file.status() == ReplacingFile::Status::NotRegular) {
        error = ReplacingFile::notRegularText(path);
        return false;
    }
    if (!file.isOpen()) {
        error = "cannot create " + file.partPath().string() + ": " + std::strerror(errno);
        return false;
    }
    if (!file.write(&table, sizeof table) || !file.commit()) {
        error = "writing " + path.string() + " failed; it was left as it was";
        return false;
    }
    return true;
}

void buildCatalogueFromLookup(StationTable& table, const std::vector<uint8_t>& lookup) {
    buildDefaultCatalogue(table);
    for (std::size_t r = 0; r < lookupRecordCount(lookup); ++r) {
        const TrackLookupRecord rec = lookupRecord(lookup, r);
        if (rec.stationIndex < 0 || rec.stationIndex >= kStationCount) continue;
        Station& station = table[rec.stationIndex];
        const int32_t c = station.clipCount;
        if (c >= kMaxClips) continue;
        Clip& clip = station.clips[c];
        std::memset(&clip, 0, sizeof clip);
        setFieldText(clip.title, defaultClipTitle(c + 1, rec.length));
        clip.offset = rec.offset;
        clip.length = rec.length;
        clip.clipClass = rec.stationIndex == kCommercialStation ? Commercial : Chatter;
        station.clipCount = c + 1;
    }
}

CatalogueComparison compareWithLookup(const StationTable& table, const std::vector<uint8_t>& lookup) {
    CatalogueComparison out;
    // A file whose counts or groupings would lead a reader outside the table
    // cannot describe the disc, whatever its positions say.
    if (std::vector<CatalogueFault> faults = catalogueFaults(table, 1); !faults.empty()) {
        out.result = CatalogueComparison::Result::Unsound;
        out.station = faults[0].station;
        out.clip = faults[0].clip;
        out.fault = std::move(faults[0].what);
        return out;
    }
    int32_t given[kStationCount] = {};
    for (std::size_t r = 0; r < lookupRecordCount(lookup); ++r) {
        const TrackLookupRecord rec = lookupRecord(lookup, r);
        if (rec.stationIndex < 0 || rec.stationIndex >= kStationCount) continue;
        const int s = rec.stationIndex;
        const int32_t c = given[s];
        if (c >= kMaxClips) continue;
        // Slots past the file's count are compared too: a file that merely
        // counts too few clips still holds their positions.
        const Clip& clip = table[s].clips[c];
        if (clip.offset != rec.offset || clip.length != rec.length) {
            out.result = CatalogueComparison::Result::ClipDiffers;
            out.station = s;
            out.clip = c;
            out.fileOffset = clip.offset;
            out.fileLength = clip.length;
            out.discOffset = rec.offset;
            out.discLength = rec.length;
            out.fileCount = table[s].clipCount;
            out.discCount = c;
            return out;
        }
        given[s] = c + 1;
    }
    for (int s = 0; s < kStationCount; ++s) {
        if (table[s].clipCount == given[s]) continue;
        out.result = CatalogueComparison::Result::CountDiffers;
        out.station = s;
        out.fileCount = table[s].clipCount;
        out.discCount = given[s];
        return out;
    }
    return out;
}

std::string describeComparison(const CatalogueComparison& cmp) {
    using Result = CatalogueComparison::Result;
    auto position = [](uint32_t offset, uint32_t length) {
        return "offset " + std::to_string(offset) + " length " + std::to_string(length);
    };
    auto clips = [](int32_t n) { return std::to_string(n) + (n == 1 ? " clip" : " clips"); };
    switch (cmp.result) {
    case Result::Matches:
        return "matches";
    case Result::Unsound:
        return stationText(cmp.station) + (cmp.clip >= 0 ? " clip " + std::to_string(cmp.clip) : std::string()) +
               ": " + cmp.fault;
    case Result::ClipDiffers: {
        std::string where = stationText(cmp.station) + " clip " + std::to_string(cmp.clip) + ": ";
        if (cmp.clip >= cmp.fileCount)
            return where + "the disc has a clip at " + position(cmp.discOffset, cmp.discLength) +
                   ", the catalogue file counts only " + clips(cmp.fileCount);
        return where + "the catalogue file has " + position(cmp.fileOffset, cmp.fileLength) + ", the disc has " +
               position(cmp.discOffset, cmp.discLength);
    }
    case Result::CountDiffers:
        return stationText(cmp.station) + ": the catalogue file counts " + clips(cmp.fileCount) + ", the disc has " +
               clips(cmp.discCount);
    }
    return {};
}

}  // namespace vh
