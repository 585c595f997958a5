#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/Prompts.h"
#include "playlist/Playlist.h"

namespace vh {

// A playlist file (*.vhcd), little-endian, no signature or version:
//
//   0        int32  N, the number of records
//   4 + 16k  int32  station index 0-15 of record k
//   8 + 16k  int32  clip index within that station (intro and outro slots count)
//   12 + 16k int32  chosen intro variant (0 when the clip has none)
//   16 + 16k int32  chosen outro variant
//
// Record k is the playlist entry at position k. The audio is read again from
// the game data when the file is loaded, so a file only means something with
// the same game data and catalogue.

inline constexpr const char* kAppName = "Varnholt Radio";
inline constexpr const char* kPlaylistFilter = "Playlists (*.vhcd)";
inline constexpr const char* kPlaylistExtension = "vhcd";
inline constexpr int32_t kMaxPlaylistRecords = 99;

// What loading found wrong with a file.
struct PlaylistLoadReport {
    int32_t loaded = 0;
    int32_t skipped = 0;   // records naming no clip of the catalogue, or missing from a short file
    int32_t repaired = 0;  // records whose intro or outro choice was replaced by the default
    int32_t fileCount = 0; // the count the file gives, which may exceed the 99 loaded
};

// Replaces the playlist's entries with the file's (at most 99). Damaged
// records are skipped or repaired and never lead outside the catalogue. False
// when the file does not open, leaving the playlist as it was.
bool loadPlaylistFile(Playlist& playlist, const std::filesystem::path& path, PlaylistLoadReport& report);

// Writes the playlist. The file is first written beside the target and then
// renamed over it, so a failed write (a full disk) leaves any old file whole.
// A symbolic link is followed to the file it names; a target that is not a
// regular file (a folder, FIFO or device) is refused with NotRegular.
enum class WriteResult { Ok, CannotCreate, WriteFailed, NotRegular };
WriteResult writePlaylistFile(const Playlist& playlist, const std::filesystem::path& path);

// The File menu's playlist commands, with their dialogs and messages.
class PlaylistFileCommands {
public:
    PlaylistFileCommands(Playlist& playlist, Prompts& prompts) : playlist_(playlist), prompts_(prompts) {}

    void newPlaylist();
    void open();
    void save();
    void saveAs();

    // Loads a chosen file with Open's messages.
    void openPath(const std::filesystem::path& path);
    // Writes with Save's messages; true when the file was written.
    bool writeWithMessages(const std::filesystem::path& path);

private:
    Playlist& playlist_;
    Prompts& prompts_;
};

std::string damagedPlaylistText(const PlaylistLoadReport& report);
// What the person must hear after a load: the damage, and the entries past
// the 99th that were left out (the next Save would drop them). Empty when
// the file loaded whole.
std::vector<std::string> playlistLoadMessages(const PlaylistLoadReport& report);

}  // namespace vh
