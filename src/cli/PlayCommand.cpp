#include <chrono>
#include <cstdio>
#include <thread>

#include "audio/PlaybackEngine.h"
#include "audio/SdlSoundOutput.h"
#include "cli/Commands.h"
#include "cli/Player.h"
#include "playlist/PlaylistFile.h"

namespace vh::cli {

namespace {

// The transport line as the desktop program would show it: the track's
// number in the playlist ("--" for a preview), its name and the time.
std::string statusLine(Playlist& playlist) {
    PlaylistTrack* t = playlist.currentTrack;
    if (!t) return "-- --:--";
    char text[512];
    int32_t position = playlist.positionOf(t);
    std::string number = position >= 0 ? std::to_string(position + 1) : "--";
    if (number.size() < 2) number = "0" + number;
    std::snprintf(text, sizeof text, "%s %02d:%02d  %s", number.c_str(), (playlist.elapsedSeconds / 60) % 60,
                  playlist.elapsedSeconds % 60, clipName(*t->clip).c_str());
    return text;
}

}  // namespace

int play(GameData& data, const PlayRequest& request, bool (*stopRequested)(), std::ostream& status,
         std::ostream& err) {
    Playlist playlist(data);
    CliPlayer owner(playlist);
    playlist.setPlayback(&owner);

    std::unique_ptr<PlaylistTrack> preview;
    if (!request.station.empty()) {
        auto station = parseStation(data.table(), request.station);
        if (!station) {
            err << "vhradio: no station " << request.station << " (give 0-15 or a pakName)\n";
            return kUsage;
        }
        char* end = nullptr;
        long clip = std::strtol(request.clip.c_str(), &end, 10);
        if (request.clip.empty() || *end != '\0' || clip < 0 || clip >= data.table()[*station].clipCount) {
            err << "vhradio: station " << request.station << " has no clip " << request.clip << "\n";
            return kUsage;
        }
        preview = playlist.createTrack(*station, &data.table()[*station].clips[clip]);
        playlist.loadTrackAudio(*preview, WaitDisplay::None);
        if (!preview->mainAudio) {
            err << "vhradio: cannot read the stream file of station " << fieldText(data.table()[*station].pakName)
                << "\n";
            return kFailure;
        }
    } else {
        PlaylistLoadReport report;
        if (!loadPlaylistFile(playlist, request.playlist, report)) {
            err << "vhradio: cannot open " << request.playlist.string() << "\n";
            return kFailure;
        }
        for (const std::string& text : playlistLoadMessages(report)) err << "vhradio: " << text << "\n";
        if (playlist.trackCount == 0) {
            err << "vhradio: " << request.playlist.string() << " holds no tracks\n";
            return kFailure;
        }
    }

    bool closed = false;
    PlaybackEngine* engine =
        PlaybackEngine::create(std::make_unique<SdlSoundOutput>(), data.prompts(), [&] { closed = true; });
    if (!engine || closed) return kFailure;

    if (preview) owner.playPreview(std::move(preview));
    else owner.playTrack(playlist.first(), 0);

    // Ticks every 5 ms as the desktop program's timer does. What is mixed
    // now is heard one second later, so the end waits for the ring to drain.
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    const auto begun = Clock::now();
    std::optional<Clock::time_point> endedAt;
    bool started = false;
    std::string shown;
    bool interrupted = false;
    while (true) {
        PlaybackEngine::onTimer();
        std::string line = statusLine(playlist);
        if (playlist.currentTrack && line != shown) {
            status << '\r' << line << "\x1b[K" << std::flush;
            shown = line;
        }
        // The player reports its track from its first render on; until then
        // (at most a second or two) nothing has started yet.
        started = started || playlist.currentTrack;
        if (!playlist.currentTrack && !endedAt && (started || Clock::now() - begun > std::chrono::seconds(3)))
            endedAt = Clock::now();
        if (endedAt && Clock::now() - *endedAt > std::chrono::milliseconds(1100)) break;
        if (stopRequested && stopRequested()) {
            interrupted = true;
            break;
        }
        next += std::chrono::milliseconds(5);
        std::this_thread::sleep_until(next);
    }
    owner.playTrack(nullptr, 0);
    PlaybackEngine::shutdownEngine();
    status << (shown.empty() ? "" : "\n") << std::flush;
    return interrupted ? 130 : kOk;
}

}  // namespace vh::cli
