#include "gamedata/IsoTestImages.h"

#include <algorithm>
#include <cstdlib>

namespace vh::test {

namespace {

bool installed(const char* tool) {
    std::string command = "command -v ";
    command.append(tool).append(" >/dev/null 2>&1");
    return std::system(command.c_str()) == 0;
}

std::string quoted(const fs::path& path) {
    std::string out = "'";
    out.append(path.string()).append("'");
    return out;
}

}  // namespace

const char* isoKindName(IsoKind kind) {
    switch (kind) {
        case IsoKind::Plain: return "Plain";
        case IsoKind::RockRidge: return "RockRidge";
        case IsoKind::Joliet: return "Joliet";
        case IsoKind::UdfBridge: return "UdfBridge";
        case IsoKind::Xorriso: return "Xorriso";
    }
    return "?";
}

const char* isoToolFor(IsoKind kind) {
    const char* tool = kind == IsoKind::Xorriso ? "xorriso" : "genisoimage";
    return installed(tool) ? tool : nullptr;
}

bool makeIsoImage(const fs::path& tree, const fs::path& image, IsoKind kind) {
    if (!isoToolFor(kind)) return false;
    std::string command;
    switch (kind) {
        case IsoKind::Plain: command = "genisoimage"; break;
        case IsoKind::RockRidge: command = "genisoimage -R"; break;
        case IsoKind::Joliet: command = "genisoimage -J"; break;
        case IsoKind::UdfBridge: command = "genisoimage -udf"; break;
        case IsoKind::Xorriso: command = "xorriso -as mkisofs"; break;
    }
    command.append(" -quiet -no-pad -o ").append(quoted(image)).append(" ").append(quoted(tree)).append(" >/dev/null 2>&1");
    return std::system(command.c_str()) == 0 && fs::exists(image);
}

uint32_t isoRootSector(const std::vector<uint8_t>& image) {
    // The root's directory record starts at byte 156 of the descriptor in sector 16.
    const std::size_t at = 16 * 2048 + 156 + IsoRecordField::kExtent;
    if (image.size() < at + 4) return 0;
    return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 |
           uint32_t(image[at + 3]) << 24;
}

std::optional<std::size_t> isoRecordIn(const std::vector<uint8_t>& image, uint32_t sector, std::string_view isoName) {
    std::vector<uint8_t> needle{uint8_t(isoName.size())};
    needle.insert(needle.end(), isoName.begin(), isoName.end());
    const std::size_t begin = std::size_t(sector) * 2048;
    const std::size_t end = std::min(image.size(), begin + 2048);
    if (begin + IsoRecordField::kName >= end) return std::nullopt;
    auto first = image.begin() + long(begin + IsoRecordField::kName - 1);
    auto found = std::search(first, image.begin() + long(end), needle.begin(), needle.end());
    if (found == image.begin() + long(end)) return std::nullopt;
    return std::size_t(found - image.begin()) - (IsoRecordField::kName - 1);
}

void putBothEndian32(std::vector<uint8_t>& image, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        image[at + std::size_t(i)] = uint8_t(value >> (8 * i));
        image[at + 7 - std::size_t(i)] = uint8_t(value >> (8 * i));
    }
}

}  // namespace vh::test
