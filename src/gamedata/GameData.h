#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gamedata/Catalogue.h"
#include "gamedata/ClipAudio.h"
#include "gamedata/DiscSource.h"
#include "gamedata/Prompts.h"

namespace vh {

namespace fs = std::filesystem;

// Lists the folders and image files that may hold the game disc, in the
// order they are tried.
using DiscCandidates = std::function<std::vector<fs::path>()>;

// The usual places on Linux: mounted iso9660/udf file systems (mount table
// order), then the folders inside /media/$USER, /run/media/$USER, /media and
// /mnt, each sorted by name, then the disc images in the current directory.
std::vector<fs::path> defaultDiscCandidates();
// The regular files in `folder` whose names end in ".iso" (any case), sorted
// by name; for the current directory ("" or ".") the paths are bare names.
std::vector<fs::path> discImagesIn(const fs::path& folder);
// The iso9660 and udf mount points of a /proc/self/mounts text, with the
// table's octal escapes (\040 for a blank) undone.
std::vector<fs::path> discMountPoints(std::string_view mountTable);

// Finds root/components... matching each name without regard to ASCII case
// (disc mounts may show lower-case names). An exact match wins; otherwise the
// first match in name order.
std::optional<fs::path> findPathNoCase(const fs::path& root, std::initializer_list<std::string_view> components);

// The game's data as the program reads it: the catalogue, the cache in the
// work folder and the disc, searched lazily.
//
// Every file is looked for in CACHE first (flat, base names as on the disc),
// so the disc is only searched when a file is missing there; once found, the
// disc (its AUDIO folder, or the image file) is kept for the rest of the run.
// UI thread only.
class GameData {
public:
    static constexpr const char* kDiscPromptCaption = "Error";
    static constexpr const char* kDiscPromptText =
        "Unable to locate Orrin: Varnholt (PlayStation 2) disc in any of your drives.  "
        "Please insert the disc and press OK, or cancel to exit";
    static constexpr const char* kWarningCaption = "Warning";
    static std::string catalogueWarningText();

    // workDir holds CACHE and the catalogue file; empty means the current
    // directory, so the names stay relative as the user expects.
    GameData(Prompts& prompts, DiscCandidates candidates, fs::path workDir = {});
    ~GameData();

    GameData(const GameData&) = delete;
    GameData& operator=(const GameData&) = delete;

    StationTable& table() { return *table_; }
    const StationTable& table() const { return *table_; }
    Prompts& prompts() { return prompts_; }
    const fs::path& workDir() const { return workDir_; }
    fs::path cacheDir() const { return workDir_ / "CACHE"; }

    // The disc's AUDIO folder, or the image file, once located.
    std::optional<fs::path> discRoot() const { return disc_ ? std::optional<fs::path>(disc_->root()) : std::nullopt; }
    const std::optional<DiscSource>& disc() const { return disc_; }

    // Searches the candidates until one holds AUDIO/CONFIG/TRAKLKUP.DAT,
    // asking for the disc between rounds. False only when the person cancels
    // (after endRun has been asked to end the run).
    bool locateDisc();

    // The whole of a file from the disc's CONFIG folder, cache first.
    std::optional<std::vector<uint8_t>> loadConfigFile(std::string_view name);

    // The clip's ClipAudio: length + 8068 bytes of its station's stream file
    // from the clip's offset, cache first. Null when the stream file opens
    // neither in the cache nor on the disc, or the indices name no clip.
    std::unique_ptr<ClipAudio> loadClipData(int station, int clip);

    // Opens a file on the located disc (folder "CONFIG" or "STREAMS"),
    // matched without regard to case; locates the disc first. Null when the
    // file is missing there or does not open.
    std::unique_ptr<DataFile> openDiscFile(std::string_view folder, std::string_view name);

    // Builds the catalogue from the catalogue file and the track lookup file.
    void loadCatalogue();
    // True when the last loadCatalogue kept the catalogue file's content.
    bool catalogueFileInUse() const { return catalogueInUse_; }

private:
    Prompts& prompts_;
    DiscCandidates candidates_;
    fs::path workDir_;
    std::unique_ptr<StationTable> table_;
    std::optional<DiscSource> disc_;
    bool catalogueInUse_ = false;
};

// Reads bytes [offset, offset + count) of a file into `out`, which must hold
// count bytes; returns how many were read (fewer at the end of the file), or
// nullopt when the file does not open.
std::optional<std::size_t> readFileRange(const fs::path& path, uint64_t offset, std::size_t count, uint8_t* out);

}  // namespace vh
