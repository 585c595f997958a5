#include "export/ExportOptions.h"

#include <cstdio>
#include <system_error>

namespace vh {

uint8_t readTrackLayout(const std::filesystem::path& workDir) {
    std::FILE* file = std::fopen((workDir / kOptionsFileName).c_str(), "rb");
    if (!file) return kLayoutPerClip;
    int byte = std::fgetc(file);
    std::fclose(file);
    return byte == EOF ? kLayoutPerClip : uint8_t(byte);
}

bool writeTrackLayout(const std::filesystem::path& workDir, uint8_t layout) {
    // Written beside the file and renamed over it: a full disk must not leave
    // an empty Options.dat in place of the choice saved before.
    const std::filesystem::path path = workDir / kOptionsFileName;
    std::filesystem::path temporary = path;
    temporary += ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fputc(layout, file) != EOF;
    ok = (std::fclose(file) == 0) && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(temporary, path, ec);
    if (!ok || ec) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace vh
