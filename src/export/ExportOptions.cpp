#include "export/ExportOptions.h"

#include <cstdio>

#include "gamedata/ReplacingFile.h"

namespace vh {

uint8_t readTrackLayout(const std::filesystem::path& workDir) {
    // Anything but a regular file (a FIFO would block start-up) counts as absent.
    UniqueFile file = openRegularFile(workDir / kOptionsFileName);
    if (!file) return kLayoutPerClip;
    int byte = std::fgetc(file.get());
    return byte == EOF ? kLayoutPerClip : uint8_t(byte);
}

bool writeTrackLayout(const std::filesystem::path& workDir, uint8_t layout) {
    // Written beside the file and renamed over it: a full disk must not leave
    // an empty Options.dat in place of the choice saved before.
    ReplacingFile file(workDir / kOptionsFileName);
    return file.isOpen() && file.write(&layout, 1) && file.commit();
}

}  // namespace vh
