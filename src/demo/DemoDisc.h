#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vh {

// Writes a complete synthetic game disc and the catalogue file that matches
// it, so the program can be tried and tested without the real disc:
//
//   dir/AUDIO/CONFIG/TRAKLKUP.DAT      the track lookup file
//   dir/AUDIO/STREAMS/<pakName>.PAK    one stream file per station, all 16
//   dir/VarnholtRadioInfo.dat          titles, artists, classes, groupings
//
// Music stations carry songs with their intro and outro variants, idents,
// openers and chatter; ADVERTS carries commercials; the hidden stations a few
// clips each. All audio is synthesised here and encoded with the project's
// own ADPCM encoder. The same seed gives the same bytes.
//
// False, with a message in `error`, when a folder or file cannot be written,
// or when `dir` already holds an AUDIO folder or a catalogue file (any case).
bool writeDemoDisc(const std::filesystem::path& dir, uint32_t seed, std::string& error);

}  // namespace vh
