#pragma once

#include <cstdint>
#include <span>

namespace vh {

// Command identifiers of the menu and toolbar.
namespace command {
constexpr int32_t kNew = 57600;
constexpr int32_t kOpen = 32788;
constexpr int32_t kSave = 57603;
constexpr int32_t kSaveAs = 32791;
constexpr int32_t kExportCd = 32792;
constexpr int32_t kExportWave = 32793;
constexpr int32_t kExportTracks = 32804;
constexpr int32_t kCopyAudioFiles = 32802;
constexpr int32_t kExit = 57665;
constexpr int32_t kToggleToolbar = 59392;
constexpr int32_t kToggleStatusBar = 59393;
constexpr int32_t kPlay = 32777;
constexpr int32_t kStop = 32776;
constexpr int32_t kPrevious = 32780;
constexpr int32_t kNext = 32781;
constexpr int32_t kAddAllSongs = 32796;
constexpr int32_t kRandomizeIntros = 32799;
constexpr int32_t kPad = 32798;
constexpr int32_t kCreateMusicMix = 32800;
constexpr int32_t kCreateRadioMix = 32801;
constexpr int32_t kExportOptions = 32803;
constexpr int32_t kHelp = 57664;
// Marks a separator in a menu or toolbar layout.
constexpr int32_t kSeparator = 0;
}  // namespace command

struct CommandInfo {
    int32_t id;
    const char* menuText;  // "&" marks the mnemonic letter
    const char* prompt;    // shown in the status bar while highlighted
    const char* tooltip;   // toolbar tooltip; null when the command has no button
};

struct MenuInfo {
    const char* title;
    std::span<const int32_t> items;  // command ids, kSeparator between groups
};

// What the enable rules read. A preview is a current track that is not in
// the playlist (it has no successor link).
struct CommandState {
    int32_t trackCount = 0;
    bool playing = false;             // there is a currentTrack
    bool playingPlaylistTrack = false;
    bool currentHasNext = false;      // the playing playlist track is not the last
    bool stationHasSong = false;      // some clip slot of the browsed station is a Song
    bool playlistHasSong = false;
};

// Whether a command can be chosen now. The handlers test the same
// conditions again, so a command run regardless does nothing.
bool commandEnabled(int32_t id, const CommandState& state);

// Every command, in menu order.
std::span<const CommandInfo> commandTable();
// The menu bar, left to right.
std::span<const MenuInfo> menuLayout();
// The toolbar, left to right.
std::span<const int32_t> toolbarLayout();
// The command's entry, or null for an unknown id.
const CommandInfo* findCommand(int32_t id);

}  // namespace vh
