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
        if (trackSamples(*preview) == 0) {
            err << "vhradio: clip " << clip << " of station " << request.station << " holds no audio\n";
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
        if (!playlist.playlistDuration().hasLength) {
            err << "vhradio: no track of " << request.playlist.string()
                << " has audio to play (are the stream files there?)\n";
            return kFailure;
        }
    }

    bool closed = false;
    std::unique_ptr<SoundOutput> output =
        request.makeOutput ? request.makeOutput() : std::make_unique<SdlSoundOutput>();
    PlaybackEngine* engine = PlaybackEngine::create(std::move(output), data.prompts(), [&] { closed = true; });
    if (!engine || closed) return kFailure;

    if (preview) owner.playPreview(std::move(preview));
    else owner.playTrack(playlist.first(), 0);

    // Ticks every 5 ms as the desktop program's timer does. The player names
    // its track from the start on and reports none once the last one ends;
    // what was mixed by then is heard within one ring length, so the run
    // ends once the device has taken a whole ring more. Every tick in which
    // the device takes samples moves the write position on and renders the
    // player, which reports; when either stands still for stallLimit nothing
    // is being heard and the run fails.
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    auto lastTaken = Clock::now();
    uint32_t lastWrite = engine->writePosition();
    uint64_t lastReports = owner.reports();
    bool ended = false;
    uint64_t takenSinceEnd = 0;
    std::string shown;
    int result = kOk;
    while (true) {
        PlaybackEngine::onTimer();
        const uint32_t write = engine->writePosition();
        if (write != lastWrite && owner.reports() != lastReports) {
            if (ended) takenSinceEnd += (write + SoundOutput::kRingBytes - lastWrite) % SoundOutput::kRingBytes;
            lastWrite = write;
            lastReports = owner.reports();
            lastTaken = Clock::now();
        }
        std::string line = statusLine(playlist);
        if (playlist.currentTrack && line != shown) {
            status << '\r' << line << "\x1b[K" << std::flush;
            shown = line;
        }
        ended = ended || !playlist.currentTrack;
        if (ended && takenSinceEnd >= SoundOutput::kRingBytes) break;
        if (Clock::now() - lastTaken > request.stallLimit) {
            result = kFailure;
            break;
        }
        if (stopRequested && stopRequested()) {
            result = 130;
            break;
        }
        next += std::chrono::milliseconds(5);
        std::this_thread::sleep_until(next);
    }
    owner.playTrack(nullptr, 0);
    PlaybackEngine::shutdownEngine();
    status << (shown.empty() ? "" : "\n") << std::flush;
    if (result == kFailure)
        err << "vhradio: nothing was played for " << request.stallLimit.count() / 1000.0
            << " seconds (the sound output takes no samples); playback given up\n";
    return result;
}

}  // namespace vh::cli
