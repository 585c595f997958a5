// vhradio's longer jobs: export, the playlist tools and the cache copy.

#include <chrono>
#include <cstdio>

#include "audio/RandomGenerator.h"
#include "cli/Commands.h"
#include "export/ExportOptions.h"
#include "export/Exporter.h"
#include "export/TrackExporter.h"
#include "gamedata/CacheCopy.h"
#include "gamedata/ReplacingFile.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistTools.h"

namespace vh::cli {

namespace {

bool loadOrReport(Playlist& playlist, const std::filesystem::path& path, std::ostream& err) {
    PlaylistLoadReport report;
    if (!loadPlaylistFile(playlist, path, report)) {
        err << "vhradio: cannot open " << path.string() << "\n";
        return false;
    }
    for (const std::string& text : playlistLoadMessages(report)) err << "vhradio: " << text << "\n";
    return true;
}

}  // namespace

TrackFormat trackFormatNamed(const std::string& name) {
    return name == "mp3" ? TrackFormat::Mp3 : name == "opus" ? TrackFormat::Opus : TrackFormat::Flac;
}

int exportCommand(GameData& data, const ExportRequest& request, std::ostream& status, std::ostream& err) {
    Playlist playlist(data);
    if (!loadOrReport(playlist, request.playlist, err)) return kFailure;
    if (playlist.trackCount == 0) {
        err << "vhradio: " << request.playlist.string() << " holds no tracks\n";
        return kFailure;
    }

    int64_t total = 0;
    for (PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) total += trackSamples(*t);
    int64_t done = 0, entryStart = 0;
    int32_t entry = 0;
    const auto started = std::chrono::steady_clock::now();
    auto show = [&](int64_t frames) {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char line[128];
        std::snprintf(line, sizeof line, "\rTrack %d of %d  %3d%%  %.1fx real time\x1b[K", entry + 1,
                      playlist.trackCount, total ? int(frames * 100 / total) : 100,
                      seconds > 0 ? double(frames) / 24000.0 / seconds : 0.0);
        status << line << std::flush;
    };

    ExportContext context{playlist, data.prompts()};
    context.trackLayout = request.layout ? *request.layout : readTrackLayout(data.workDir());
    context.onEntry = [&](int32_t index, int32_t) {
        entry = index;
        entryStart = done;
    };
    context.positionCallback = [&](PlaylistTrack*, int32_t frames) {
        done = entryStart + frames;
        if (request.progress) show(done);
    };
    context.cdText = request.cdText;
    ExportOutcome outcome;
    if (request.tracks) {
        // Files of the same names are replaced, as the other exports replace theirs.
        outcome = exportTracksTo(context, {request.out, request.format, request.rate, false}).outcome;
    } else {
        // The CUE sheet's FILE line must name the image wherever the sheet is
        // read from, so a relative name is made absolute as the file dialog's would be.
        std::error_code ec;
        const std::filesystem::path out = std::filesystem::absolute(request.out, ec);
        outcome = exportToPath(context, request.cdImage, ec ? request.out : out);
    }
    if (request.progress) {
        if (outcome == ExportOutcome::Done) show(total);
        status << "\n" << std::flush;
    }
    if (outcome == ExportOutcome::Done && !context.shortCdTracks.empty())
        data.prompts().message("Warning", shortCdTracksText(context.shortCdTracks, context.trackLayout));
    return outcome == ExportOutcome::Done ? kOk : kFailure;
}

int toolCommand(GameData& data, const ToolRequest& request, std::ostream& err) {
    auto station = parseStation(data.table(), request.station);
    if (!station) {
        err << "vhradio: no station " << request.station << " (give 0-15 or a pakName)\n";
        return kUsage;
    }
    Playlist playlist(data);
    if (request.in != "-" && !loadOrReport(playlist, request.in, err)) return kFailure;

    // The menus' enable rules: a tool that could do nothing is refused rather
    // than writing an empty or unchanged playlist.
    const std::string name(fieldText(data.table()[*station].pakName));
    const bool needsStationSong = request.tool == "add-songs" || request.tool == "music-mix" || request.tool == "radio-mix";
    if (needsStationSong && !stationHasSong(data.table()[*station])) {
        err << "vhradio: station " << name << " has no songs; " << request.tool << " needs at least one\n";
        return kFailure;
    }
    if ((request.tool == "pad" || request.tool == "randomize-intros") && !playlistHasSong(playlist)) {
        err << "vhradio: " << (request.in == "-" ? std::string("an empty playlist") : request.in)
            << " holds no song; " << request.tool << " works on the songs of a playlist (station " << name << ")\n";
        return kFailure;
    }

    // Without a seed the clock stands in for the desktop program's tick.
    RandomGenerator& random = processRandom();
    random.seed(request.seed ? *request.seed
                             : uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    PlaylistTools tools(playlist, random);
    if (request.tool == "add-songs") tools.addAllSongs(*station);
    else if (request.tool == "randomize-intros") tools.randomizeIntros();
    else if (request.tool == "pad") tools.pad(*station);
    else if (request.tool == "music-mix") tools.createMusicMix(*station);
    else if (request.tool == "radio-mix") tools.createRadioMix(*station);
    else {
        err << "vhradio: no tool " << request.tool
            << " (add-songs, randomize-intros, pad, music-mix or radio-mix)\n";
        return kUsage;
    }

    switch (writePlaylistFile(playlist, request.out)) {
    case WriteResult::Ok:
        return kOk;
    case WriteResult::CannotCreate:
        err << "vhradio: cannot create " << request.out.string() << "\n";
        return kFailure;
    case WriteResult::WriteFailed:
        err << "vhradio: writing " << request.out.string() << " failed\n";
        return kFailure;
    case WriteResult::NotRegular:
        err << "vhradio: " << ReplacingFile::notRegularText(request.out) << "\n";
        return kFailure;
    }
    return kFailure;
}

int copyCacheCommand(GameData& data, bool progress, std::ostream& status, std::ostream& err) {
    int shown = -1;
    std::string shownFile;
    bool ok = copyAudioFiles(data, [&](const std::string& name, float percent) {
        int p = int(percent + 0.5f);
        if (!progress || (p == shown && name == shownFile)) return;
        shown = p;
        if (name != shownFile && !shownFile.empty()) status << "\n";
        shownFile = name;
        char line[300];
        if (p < 100) std::snprintf(line, sizeof line, "\rCopying %s : %02d%%", name.c_str(), p);
        else std::snprintf(line, sizeof line, "\rCopying %s : OK ", name.c_str());
        status << line << std::flush;
    });
    if (progress && !shownFile.empty()) status << "\n";
    if (!ok) {
        err << "vhradio: " << kCopyFailedText << "\n";
        return kFailure;
    }
    return kOk;
}

}  // namespace vh::cli
