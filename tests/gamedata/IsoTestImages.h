#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vh::test {

namespace fs = std::filesystem;

// The kinds of image the tests make with the outside tools.
enum class IsoKind {
    Plain,      // genisoimage, ISO 9660 names only: upper case with ";1"
    RockRidge,  // genisoimage -R: names as in the folder
    Joliet,     // genisoimage -J: a second, Unicode tree the library prefers
    UdfBridge,  // genisoimage -udf: ISO 9660 and UDF over the same files
    Xorriso,    // xorriso's mkisofs emulation (Rock Ridge)
};
const char* isoKindName(IsoKind kind);
// The tool that makes `kind`, or null when it is not installed.
const char* isoToolFor(IsoKind kind);
// Writes an image of the folder `tree`; false when the tool is missing or fails.
bool makeIsoImage(const fs::path& tree, const fs::path& image, IsoKind kind);

// Byte patches for damaged-image cases. A directory record holds its extent
// (both-endian uint32) at byte 2, its length at 10, flags at 25, the name
// length at 32 and the name from 33.
struct IsoRecordField {
    static constexpr std::size_t kExtent = 2;
    static constexpr std::size_t kSize = 10;
    static constexpr std::size_t kFlags = 25;
    static constexpr std::size_t kName = 33;
};
// The root directory's first sector, from the primary volume descriptor.
uint32_t isoRootSector(const std::vector<uint8_t>& image);
// Offset of the record named `isoName` (as recorded, e.g. "CH.PAK;1") inside
// the directory sector `sector`.
std::optional<std::size_t> isoRecordIn(const std::vector<uint8_t>& image, uint32_t sector, std::string_view isoName);
void putBothEndian32(std::vector<uint8_t>& image, std::size_t at, uint32_t value);

}  // namespace vh::test
