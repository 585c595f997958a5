#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

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
    ResamplerOptions resampler;
};

enum class ExportOutcome { Done, Cancelled, Failed };  // Failed: a message was shown

// Export CD (44100 Hz WAV and a CUE sheet) or Export Wave (24000 Hz WAV),
// asking for the file name first.
ExportOutcome exportPlaylist(ExportContext& context, bool cdImage);

// The same without the dialog. Failures are shown through the prompts
// ("Error" caption) and leave no incomplete file behind.
ExportOutcome exportToPath(ExportContext& context, bool cdImage, const std::filesystem::path& path);

// "    INDEX 01 mm:ss:ff" for a start at `cdFrame` (1/75 s); the minutes wrap
// at 99 as CD players count them.
std::string cueIndexLine(int64_t cdFrame);
// The CUE path beside a WAV path: its last four characters replaced by ".cue".
std::filesystem::path cuePathFor(const std::filesystem::path& wavPath);
// True when the name ends in ".wav", in any case.
bool hasWavExtension(const std::filesystem::path& path);

}  // namespace vh
