#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "gamedata/Prompts.h"
#include "playlist/Playlist.h"

namespace vh {

// What the export needs from the program around it.
struct ExportContext {
    ExportContext(Playlist& playlist, Prompts& prompts) : playlist(playlist), prompts(prompts) {}

    Playlist& playlist;
    Prompts& prompts;
    // Stops playback before the export (the player is asked for no track).
    PlaybackControl* playback = nullptr;
    // The sound output is stopped for the export and resumed afterwards.
    std::function<void()> stopOutput;
    std::function<void()> resumeOutput;
    // The clip player's position callback: the playlist hears of every entry
    // as it is written.
    PositionCallback positionCallback;
    // Told before each entry is decoded (0-based index, entry count).
    std::function<void(int32_t, int32_t)> onEntry;
    uint8_t trackLayout = 0;
    // CD-TEXT in the CUE sheet: the album's and every track's title and
    // performer, for burners that write them onto the disc.
    bool cdText = false;
    ResamplerOptions resampler;

    // Filled by a finished CD image export: the CD tracks (numbered from 1)
    // shorter than four seconds, which CD writers warn about or refuse.
    std::vector<int32_t> shortCdTracks;
};

enum class ExportOutcome { Done, Cancelled, Failed };  // Failed: a message was shown

// Export CD (44100 Hz WAV and a CUE sheet) or Export Wave (24000 Hz WAV),
// asking for the file name first. Afterwards a CD image with CD tracks under
// four seconds gets a warning naming them.
ExportOutcome exportPlaylist(ExportContext& context, bool cdImage);

// The same without the dialog and without the short-track warning (the
// caller shows shortCdTracks when it likes). Failures are shown through the
// prompts ("Error" caption). The WAV file and the CUE sheet are written
// beside their targets and renamed into place only when both are complete,
// so a failed export leaves the files that were there before as they were.
ExportOutcome exportToPath(ExportContext& context, bool cdImage, const std::filesystem::path& path);

// True when `entry` begins a new CD track: every entry under the layout per
// clip (0), otherwise the first entry and every song.
bool startsCdTrack(const PlaylistTrack& entry, int32_t cdTrack, uint8_t trackLayout);

// CD tracks shorter than this many CD frames (four seconds) are below the
// minimum of the audio CD standard.
constexpr int64_t kMinCdTrackFrames = 300;
// The warning for CD tracks shorter than four seconds (empty when none).
std::string shortCdTracksText(const std::vector<int32_t>& tracks, uint8_t trackLayout);
// Why a CD image cannot be exported under this name: a double quote, line
// break or other control character would break the CUE sheet's FILE line.
// Empty when the name is fine.
std::string cueNameProblem(const std::filesystem::path& wavPath);

// "    INDEX 01 mm:ss:ff" for a start at `cdFrame` (1/75 s); the minutes wrap
// at 99 as CD players count them.
std::string cueIndexLine(int64_t cdFrame);
// The CUE path beside a WAV path: its last four characters replaced by ".cue".
std::filesystem::path cuePathFor(const std::filesystem::path& wavPath);
// True when the name ends in ".wav", in any case.
bool hasWavExtension(const std::filesystem::path& path);

}  // namespace vh
