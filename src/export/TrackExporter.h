#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "export/Exporter.h"
#include "export/TrackFile.h"

namespace vh {

// Export Tracks: one tagged audio file per CD track (the CUE sheet's
// grouping, by the context's track layout) and an M3U8 playlist of them.
struct TrackExportRequest {
    std::filesystem::path folder;  // created when missing
    TrackFormat format = TrackFormat::Flac;
    // FLAC: 24000 (the decoded samples) or 44100 (the CD image's samples,
    // cut at its CUE indexes). MP3 and Opus are always written at 24000 Hz.
    int32_t rate = 24000;
    // One question before files of the same names are replaced; without it
    // they are replaced (vhradio).
    bool askBeforeReplacing = true;
    // Files encoded at once; 0: one per hardware thread.
    int32_t threads = 0;
};

struct TrackExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    // Every file written into place, in track order, the playlist last.
    std::vector<std::filesystem::path> files;
};

// Runs the export into request.folder with the context's playlist, prompts,
// playback and progress hooks. Failures are shown through the prompts
// (caption "Error"): the export stops, the file being written is removed,
// the files already written are named in the message and kept, and a file
// that was there before is replaced only by a complete new one.
TrackExportResult exportTracksTo(ExportContext& context, const TrackExportRequest& request);

// "<album>.m3u8", made safe like the track files' names.
std::string trackPlaylistName(const Playlist& playlist);

}  // namespace vh
