#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "audio/SoundOutput.h"
#include "export/TrackFile.h"
#include "gamedata/GameData.h"

namespace vh {

// The commands of vhradio as plain functions over loaded game data, so that
// tests can run them without a process. Each returns the exit status and
// writes its one-line failure message to `err`.
namespace cli {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

// A station named by index (0-15) or by pakName, case as stored.
std::optional<int> parseStation(const StationTable& table, const std::string& text);

// Texts are printed with backslash escapes (\\ \t \n \r \xHH) for control
// characters, so every line keeps its tab-separated fields. A failed write
// to `out` (a full disk) is a failure.
int listStations(const GameData& data, std::ostream& out, std::ostream& err);
int listClips(const GameData& data, const std::string& station, std::ostream& out, std::ostream& err);
int decodeClip(GameData& data, const std::string& station, const std::string& clip,
               const std::filesystem::path& outPath, std::ostream& err);

// Plays a clip (with its default intro and outro) or a playlist file through
// the sound card until it ends or stopRequested() turns true.
struct PlayRequest {
    std::string station;  // a preview when set
    std::string clip;
    std::filesystem::path playlist;  // otherwise this playlist file
    // The sound output (SDL's default device when unset), and how long it may
    // go without taking samples before the run gives up as failed.
    std::function<std::unique_ptr<SoundOutput>()> makeOutput;
    std::chrono::milliseconds stallLimit{3000};
};
int play(GameData& data, const PlayRequest& request, bool (*stopRequested)(), std::ostream& status,
         std::ostream& err);

struct ExportRequest {
    bool cdImage = true;
    std::optional<uint8_t> layout;  // nullopt: the one in Options.dat
    std::filesystem::path playlist;
    std::filesystem::path out;
    bool progress = false;  // a progress line on the terminal
    bool cdText = false;    // CD-TEXT lines in the CUE sheet
    // One file per CD track into the folder `out` instead of a WAV file.
    bool tracks = false;
    TrackFormat format = TrackFormat::Flac;
    int32_t rate = 24000;  // FLAC only: 24000 or 44100
};
// "flac", "mp3" or "opus" (anything else gives FLAC).
TrackFormat trackFormatNamed(const std::string& name);
int exportCommand(GameData& data, const ExportRequest& request, std::ostream& status, std::ostream& err);

struct ToolRequest {
    std::string tool;  // add-songs, randomize-intros, pad, music-mix, radio-mix
    std::string station;
    std::string in;    // a playlist file, or "-" to start empty
    std::filesystem::path out;
    std::optional<uint32_t> seed;
};
int toolCommand(GameData& data, const ToolRequest& request, std::ostream& err);

int copyCacheCommand(GameData& data, bool progress, std::ostream& status, std::ostream& err);

// vhradio catalogue export|import|check. The game data must not be loaded
// yet: export loads the catalogue in use, import and check read the lookup
// file themselves and never show the start-up warning.
struct CatalogueRequest {
    std::string action;          // export, import or check
    std::filesystem::path text;  // export: the text to write; import: the text to read
    std::filesystem::path file;  // import: the file to write; check: the file to check
                                 // (empty: VarnholtRadioInfo.dat in the work folder)
};
int catalogueCommand(GameData& data, const CatalogueRequest& request, std::ostream& out, std::ostream& err);

}  // namespace cli
}  // namespace vh
