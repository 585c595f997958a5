// Options.dat of any content: the first byte is the layout, nothing else is
// read, and what is written reads back.

#include "FuzzSupport.h"
#include "export/ExportOptions.h"

using namespace vh;
using namespace vh::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fs::path& dir = workFolder();
    writeBytes(dir / kOptionsFileName, data, size);
    const uint8_t layout = readTrackLayout(dir);
    FUZZ_CHECK(layout == (size ? data[0] : kLayoutPerClip));

    const uint8_t chosen = layout ? kLayoutPerClip : kLayoutPerSong;
    FUZZ_CHECK(writeTrackLayout(dir, chosen));
    FUZZ_CHECK(readBytes(dir / kOptionsFileName) == std::vector<uint8_t>{chosen});
    FUZZ_CHECK(readTrackLayout(dir) == chosen);
    return 0;
}
