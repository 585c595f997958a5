#include "ui/CommandTable.h"

namespace vh {

namespace {

using namespace command;

constexpr CommandInfo kCommands[] = {
    {kNew, "&New", "New playlist", nullptr},
    {kOpen, "&Open...", "Load playlist", nullptr},
    {kSave, "&Save", "Save playlist", nullptr},
    {kSaveAs, "Save &As...", "Save playlist", nullptr},
    {kExportCd, "&Export CD...", "Export CD image as 44.1kHz wave file and CUE file", nullptr},
    {kExportWave, "Export &Wave...", "Export playlist as 24kHz wave file", nullptr},
    {kExportTracks, "Export &Tracks...", "Export one tagged audio file per CD track and an M3U8 playlist", nullptr},
    {kCopyAudioFiles, "Co&py Audio Files", "Copy audio files from the DVD to your hard drive for faster access", nullptr},
    {kExit, "E&xit", "Quit the application; prompts to save documents", "Exit"},
    {kToggleToolbar, "&Toolbar", "Show or hide the toolbar", "Toggle ToolBar"},
    {kToggleStatusBar, "&Status Bar", "Show or hide the status bar", "Toggle StatusBar"},
    {kPlay, "&Play", "Start playback", "Play"},
    {kStop, "&Stop", "Stop playback", "Stop"},
    {kPrevious, "Pre&vious", "Previous track", "Previous"},
    {kNext, "&Next", "Next track", "Next"},
    {kAddAllSongs, "Add all &Songs", "Add all songs from the radio station to the current playlist", nullptr},
    {kRandomizeIntros, "Randomize &Intros", "Randomize intros and outros of all songs in the playlist", nullptr},
    {kPad, "&Pad", "Pad playlist with chatter and commercials", nullptr},
    {kCreateMusicMix, "Create &Music Mix", "Create a playlist for this radio station with as little DJ chatter as possible", nullptr},
    {kCreateRadioMix, "Create &Radio Mix", "Create a playlist for this radio station with commercials and chatter", nullptr},
    {kExportOptions, "&Export options...", "Configure export options", nullptr},
    {kHelp, "&Help...", "Display help", "Help"},
};

constexpr int32_t kFileMenu[] = {kNew,        kOpen,         kSave,      kSaveAs,         kSeparator, kExportCd,
                                 kExportWave, kExportTracks, kSeparator, kCopyAudioFiles, kSeparator, kExit};
constexpr int32_t kViewMenu[] = {kToggleToolbar, kToggleStatusBar};
constexpr int32_t kPlaybackMenu[] = {kPlay, kStop, kPrevious, kNext};
constexpr int32_t kToolsMenu[] = {kAddAllSongs, kRandomizeIntros, kPad, kSeparator, kCreateMusicMix, kCreateRadioMix};
constexpr int32_t kOptionsMenu[] = {kExportOptions};
constexpr int32_t kHelpMenu[] = {kHelp};

constexpr MenuInfo kMenus[] = {
    {"&File", kFileMenu},   {"&View", kViewMenu},       {"&Playback", kPlaybackMenu},
    {"&Tools", kToolsMenu}, {"&Options", kOptionsMenu}, {"&Help", kHelpMenu},
};

constexpr int32_t kToolbar[] = {kHelp, kSeparator, kPrevious, kNext, kStop, kPlay};

}  // namespace

std::span<const CommandInfo> commandTable() { return kCommands; }
std::span<const MenuInfo> menuLayout() { return kMenus; }
std::span<const int32_t> toolbarLayout() { return kToolbar; }

bool commandEnabled(int32_t id, const CommandState& s) {
    const bool hasTracks = s.trackCount != 0;
    const bool idle = !s.playing;
    switch (id) {
    case kSave:
    case kSaveAs:
    case kExportCd:
    case kExportWave:
    case kExportTracks: return hasTracks;
    case kCopyAudioFiles: return idle;
    case kPlay: return hasTracks && (idle || !s.playingPlaylistTrack);
    case kStop: return s.playing;
    case kPrevious: return s.playingPlaylistTrack;
    case kNext: return s.playingPlaylistTrack && s.currentHasNext;
    case kAddAllSongs:
    case kCreateMusicMix:
    case kCreateRadioMix: return idle && s.stationHasSong;
    case kRandomizeIntros:
    case kPad: return idle && s.playlistHasSong;
    default: return true;  // New, Open, Exit, the View toggles, Export options, Help
    }
}

const CommandInfo* findCommand(int32_t id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace vh
