#pragma once

// Stand-ins for the view and the clip player around a Playlist, shared by the
// suites of the core. Header only: the suites that do not link the playlist
// library never include it.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "playlist/Playlist.h"

namespace vh::test {

// Records what the core asks of the view.
struct ViewRecorder : ViewHooks {
    std::vector<std::string> calls;
    Playlist* playlist = nullptr;  // when set, the export's flag is recorded too
    void invalidate() override { calls.push_back("invalidate"); }
    void drawTransportNow(bool clear) override {
        calls.push_back(playlist && playlist->exportActive ? "transport during export"
                                                          : clear ? "transport cleared" : "transport");
    }
    void drawViewNow() override {
        calls.push_back(playlist ? "view scroll " + std::to_string(playlist->playlistScroll) : "view");
    }
};

// Stands in for the one clip player and reports through the playlist as the
// real one does when it is started or stopped: first (null, 0) as its queue
// is cleared, then, when it lets go of a playlist track, that track's
// successor (null at the sentinel). What it starts is reported only by its
// next render, which never comes here, so the playlist is left believing the
// successor plays, as it is between two ticks of the real program.
struct PlayerStandIn : PlaybackControl {
    Playlist* playlist = nullptr;
    std::vector<std::pair<PlaylistTrack*, int32_t>> calls;
    void playTrack(PlaylistTrack* track, int32_t startPart) override {
        calls.push_back({track, startPart});
        if (!playlist) return;
        PlaylistTrack* was = playlist->currentTrack;
        playlist->reportPosition(nullptr, 0);
        if (was && was->next) playlist->reportPosition(was->next->clip ? was->next : nullptr, 0);
    }
    int stops() const {
        return int(std::count_if(calls.begin(), calls.end(), [](const auto& call) { return call.first == nullptr; }));
    }
};

// Appends a track of clip `clip` of `station` with its default variants and,
// when asked, its audio.
inline PlaylistTrack* append(Playlist& playlist, int station, int clip, bool load = true) {
    auto t = playlist.createTrack(station, &playlist.gameData().table()[station].clips[clip]);
    if (load) playlist.loadTrackAudio(*t, WaitDisplay::None);
    ++playlist.trackCount;
    return playlist.insertBefore(std::move(t), playlist.sentinel());
}

inline int listLength(const Playlist& playlist) {
    int n = 0;
    for (const PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) ++n;
    return n;
}

// (clip index, intro, outro) of every entry, as "c/i/o" joined by blanks.
inline std::string entries(const Playlist& playlist) {
    std::string out;
    for (const PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) {
        if (!out.empty()) out += ' ';
        out += std::to_string(t->station) + ":" + std::to_string(playlist.clipIndexOf(*t)) + "/" +
               std::to_string(t->intro) + "/" + std::to_string(t->outro);
    }
    return out;
}

}  // namespace vh::test
