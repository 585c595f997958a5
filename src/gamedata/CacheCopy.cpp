#include "gamedata/CacheCopy.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace vh {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool copyFile(GameData& data, std::string_view folder, std::string_view name, const std::string& destName,
              const CopyProgress& progress) {
    std::unique_ptr<DataFile> in = data.openDiscFile(folder, name);
    if (!in) return false;
    const fs::path dest = data.cacheDir() / destName;
    File out(std::fopen(dest.c_str(), "wb"));
    if (!out) return false;

    auto fail = [&] {
        out.reset();
        std::error_code ec;
        fs::remove(dest, ec);
        return false;
    };
    uint64_t remaining = in->bytes();
    uint64_t offset = 0;
    float percent = 0.0f;
    // The share of the file, in percent, that one buffer's worth represents.
    const float step = remaining ? 6553600.0f / float(remaining) : 0.0f;

    std::vector<uint8_t> buffer(kCopyBufferBytes);
    auto copyPart = [&](std::size_t bytes) {
        bool whole = in->read(offset, bytes, buffer.data()) == bytes &&
                     std::fwrite(buffer.data(), 1, bytes, out.get()) == bytes;
        offset += bytes;
        return whole;
    };
    while (remaining > kCopyBufferBytes) {
        if (progress) progress(destName, percent);
        percent += step;
        if (!copyPart(kCopyBufferBytes)) return fail();
        remaining -= kCopyBufferBytes;
    }
    if (progress) progress(destName, percent);
    if (!copyPart(std::size_t(remaining))) return fail();
    if (std::fflush(out.get()) != 0 || std::fclose(out.release()) != 0) return fail();
    if (progress) progress(destName, 100.0f);
    return true;
}

bool copyAudioFiles(GameData& data, const CopyProgress& progress) {
    std::error_code ec;
    fs::create_directory(data.cacheDir(), ec);  // an existing folder is fine; a failure shows at the first file
    if (!copyFile(data, "CONFIG", kTrackLookupName, kTrackLookupName, progress)) return false;
    for (int s = 0; s < kStationCount; ++s) {
        const Station& station = data.table()[s];
        if (!station.listed) continue;
        std::string name = std::string(fieldText(station.pakName)) + ".PAK";
        if (!copyFile(data, "STREAMS", name, name, progress)) return false;
    }
    return true;
}

}  // namespace vh
