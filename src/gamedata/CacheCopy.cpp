#include "gamedata/CacheCopy.h"

#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "gamedata/ReplacingFile.h"

namespace vh {

bool copyFile(GameData& data, std::string_view folder, std::string_view name, const std::string& destName,
              const CopyProgress& progress) {
    std::unique_ptr<DataFile> in = data.openDiscFile(folder, name);
    if (!in) return false;
    ReplacingFile out(data.cacheDir() / destName);
    if (!out.isOpen()) return false;
    uint64_t remaining = in->bytes();
    uint64_t offset = 0;
    float percent = 0.0f;
    // The share of the file, in percent, that one buffer's worth represents.
    const float step = remaining ? 6553600.0f / float(remaining) : 0.0f;

    std::vector<uint8_t> buffer(kCopyBufferBytes);
    auto copyPart = [&](std::size_t bytes) {
        bool whole = in->read(offset, bytes, buffer.data()) == bytes && out.write(buffer.data(), bytes);
        offset += bytes;
        return whole;
    };
    while (remaining > kCopyBufferBytes) {
        if (progress) progress(destName, percent);
        percent += step;
        if (!copyPart(kCopyBufferBytes)) return false;  // the part file goes with `out`
        remaining -= kCopyBufferBytes;
    }
    if (progress) progress(destName, percent);
    if (!copyPart(std::size_t(remaining)) || !out.commit()) return false;
    if (progress) progress(destName, 100.0f);
    return true;
}

bool copyAudioFiles(GameData& data, const CopyProgress& progress) {
    std::error_code ec;
    fs::create_directory(data.cacheDir(), ec);  // an existing folder is fine; a failure shows at the first file
    std::vector<fs::path> leftovers;
    for (fs::directory_iterator it(data.cacheDir(), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->path().extension() == ".part" && it->is_regular_file(typeError)) leftovers.push_back(it->path());
    }
    for (const fs::path& leftover : leftovers) fs::remove(leftover, ec);
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
