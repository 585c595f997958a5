#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/Catalogue.h"

namespace vh {

namespace fs = std::filesystem;

// The catalogue file (layout in Catalogue.h) and the track lookup file it
// must agree with:
//
// TRAKLKUP.DAT: 12-byte little-endian records {int32 stationIndex, uint32
// offset, uint32 length}, no header; trailing bytes are ignored. Each record
// appends one clip to its station, so a station's clips are numbered in the
// order of its records. A record naming no station, or a station's 257th
// record, has nowhere to go and is passed over.

struct TrackLookupRecord {
    int32_t stationIndex;
    uint32_t offset;
    uint32_t length;
};
inline std::size_t lookupRecordCount(const std::vector<uint8_t>& lookup) { return lookup.size() / 12; }
TrackLookupRecord lookupRecord(const std::vector<uint8_t>& lookup, std::size_t index);

// Zeroes the table, then reads up to a whole table from the file's start,
// so a shorter file replaces only the start. False, with the table zero,
// when the file is missing or not a regular file.
bool readCatalogueFile(const fs::path& path, StationTable& table);

// Writes the table as a catalogue file, beside the target and renamed into
// place. False, with the reason in `error`, when nothing was written.
bool writeCatalogueFile(const fs::path& path, const StationTable& table, std::string& error);

// The default catalogue for a disc: the default names and listing, and one
// clip per lookup record with its generated title, no artist, class
// Commercial on station 1 and Chatter elsewhere.
void buildCatalogueFromLookup(StationTable& table, const std::vector<uint8_t>& lookup);

// The start-up comparison of a catalogue file's table with the lookup file:
// the table must be safe to walk, every record must find its position in the
// next slot of its station, and every station must count exactly the clips
// the records gave it. Only the first difference is reported.
struct CatalogueComparison {
    enum class Result { Matches, Unsound, ClipDiffers, CountDiffers };
    Result result = Result::Matches;
    int station = -1;
    int clip = -1;              // ClipDiffers and Unsound (-1: the station's own fault)
    uint32_t fileOffset = 0;    // ClipDiffers: the catalogue file's slot
    uint32_t fileLength = 0;
    uint32_t discOffset = 0;    // ClipDiffers: the lookup record
    uint32_t discLength = 0;
    int32_t fileCount = 0;      // ClipDiffers and CountDiffers: the station's counts
    int32_t discCount = 0;
    std::string fault;          // Unsound: what is wrong

    bool matches() const { return result == Result::Matches; }
};
CatalogueComparison compareWithLookup(const StationTable& table, const std::vector<uint8_t>& lookup);

// One line for a person: "matches", or where and how the file differs, e.g.
// "station 4 (CH) clip 7: the catalogue file has offset 1000 length 500, the
// disc has offset 1004 length 500".
std::string describeComparison(const CatalogueComparison& comparison);

}  // namespace vh
