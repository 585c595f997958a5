#include "export/ExportOptions.h"

#include <cstdio>

namespace vh {

uint8_t readTrackLayout(const std::filesystem::path& workDir) {
    std::FILE* file = std::fopen((workDir / kOptionsFileName).c_str(), "rb");
    if (!file) return kLayoutPerClip;
    int byte = std::fgetc(file);
    std::fclose(file);
    return byte == EOF ? kLayoutPerClip : uint8_t(byte);
}

bool writeTrackLayout(const std::filesystem::path& workDir, uint8_t layout) {
    std::FILE* file = std::fopen((workDir / kOptionsFileName).c_str(), "wb");
    if (!file) return false;
    bool ok = std::fputc(layout, file) != EOF;
    return (std::fclose(file) == 0) && ok;
}

}  // namespace vh
