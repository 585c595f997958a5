#include "ui/TransportText.h"

#include <cstdio>

namespace vh {

namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    if (n < 0) return {};
    if (std::size_t(n) < sizeof buffer) return std::string(buffer, std::size_t(n));
    std::string text(std::size_t(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern, args...);
    text.resize(std::size_t(n));
    return text;
}

}  // namespace

TransportText buildTransportText(const TransportState& s) {
    TransportText out;
    out.text = s.playing && s.trackPosition >= 0 ? format("%02d ", int(s.trackPosition + 1)) : "-- ";
    if (s.playing)
        out.text += format("%02d:%02d", int((s.elapsedSeconds / 60) % 60), int(s.elapsedSeconds % 60));
    else
        out.text += "--:--";

    if (!s.playing && s.trackCount != 0 && s.length.hasLength) {
        out.text = format("%02d %02d:%02d", int(s.trackCount), int(s.length.minutes), int(s.length.seconds));
        out.red = s.length.overLength;
    }
    if (s.copyActive) {
        out.text = s.copyPercent < 100 ? format("Copying %s : %02d%%", s.copyFileName.c_str(), int(s.copyPercent))
                                       : format("Copying %s : OK ", s.copyFileName.c_str());
    }
    if (s.pleaseWait) out.text = "PLEASE WAIT";
    if (s.exportActive) out.text = ">> " + out.text + " <<";
    return out;
}

TransportState transportStateOf(const Playlist& playlist) {
    TransportState s;
    const PlaylistTrack* current = playlist.currentTrack;
    s.playing = current != nullptr;
    if (current && current->next) s.trackPosition = playlist.positionOf(current);
    s.elapsedSeconds = playlist.elapsedSeconds;
    s.trackCount = playlist.trackCount;
    if (!s.playing && s.trackCount != 0) s.length = playlist.playlistDuration();
    s.pleaseWait = playlist.pleaseWait;
    s.exportActive = playlist.exportActive;
    return s;
}

}  // namespace vh
