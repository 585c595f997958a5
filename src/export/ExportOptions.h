#pragma once

#include <cstdint>
#include <filesystem>

namespace vh {

// Options.dat in the work folder: byte 0, the CD track layout of the CUE
// sheet. 0 (the default): one CD track per playlist entry; any other value:
// a new CD track only at the first entry and at every song. Byte 1, present
// only when the option is on: CD-TEXT titles in the CUE sheet (non-zero),
// so a file with the option off is the one byte it always was.
inline constexpr const char* kOptionsFileName = "Options.dat";
constexpr uint8_t kLayoutPerClip = 0;
constexpr uint8_t kLayoutPerSong = 1;

// A missing, unreadable or empty file gives the default.
uint8_t readTrackLayout(const std::filesystem::path& workDir);
// False when the file cannot be written; the caller keeps the choice for
// this run anyway.
bool writeTrackLayout(const std::filesystem::path& workDir, uint8_t layout);

// Byte 1; off when the file is missing or shorter.
bool readCdText(const std::filesystem::path& workDir);
// Both options: one byte with CD-TEXT off, two with it on.
bool writeExportOptions(const std::filesystem::path& workDir, uint8_t layout, bool cdText);

}  // namespace vh
