#include "export/ExportOptions.h"

#include <cstdio>

#include "gamedata/ReplacingFile.h"

namespace vh {

namespace {

// Byte `index` of Options.dat, 0 when the file is missing or shorter.
uint8_t optionByte(const std::filesystem::path& workDir, int index) {
    // Anything but a regular file (a FIFO would block start-up) counts as absent.
    UniqueFile file = openRegularFile(workDir / kOptionsFileName);
    if (!file) return 0;
    int byte = 0;
    for (int i = 0; i <= index && byte != EOF; ++i) byte = std::fgetc(file.get());
    return byte == EOF ? 0 : uint8_t(byte);
}

}  // namespace

uint8_t readTrackLayout(const std::filesystem::path& workDir) { return optionByte(workDir, 0); }

bool readCdText(const std::filesystem::path& workDir) { return optionByte(workDir, 1) != 0; }

bool writeTrackLayout(const std::filesystem::path& workDir, uint8_t layout) {
    return writeExportOptions(workDir, layout, false);
}

bool writeExportOptions(const std::filesystem::path& workDir, uint8_t layout, bool cdText) {
    // Written beside the file and renamed over it: a full disk must not leave
    // an empty Options.dat in place of the choice saved before.
    const uint8_t bytes[2] = {layout, uint8_t(cdText ? 1 : 0)};
    ReplacingFile file(workDir / kOptionsFileName);
    return file.isOpen() && file.write(bytes, cdText ? 2 : 1) && file.commit();
}

}  // namespace vh
