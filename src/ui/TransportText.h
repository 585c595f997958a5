#pragma once

#include <cstdint>
#include <string>

#include "playlist/Playlist.h"

namespace vh {

// What the transport line shows, gathered from the playlist and the view.
struct TransportState {
    bool playing = false;           // a currentTrack exists
    int32_t trackPosition = -1;     // its 0-based position in the playlist; -1 for a preview
    int32_t elapsedSeconds = 0;
    int32_t trackCount = 0;
    PlaylistLength length;          // the playlist's total, shown while nothing plays
    bool copyActive = false;
    int32_t copyPercent = 0;
    std::string copyFileName;
    bool pleaseWait = false;
    bool exportActive = false;
};

struct TransportText {
    std::string text;
    bool red = false;  // the playlist is too long for a CD
};

// Builds the line in the order its states override each other: track number
// and time, the playlist total while idle, copy progress, "PLEASE WAIT", and
// the export's ">> ... <<" around whatever came before.
TransportText buildTransportText(const TransportState& state);

// The playlist's part of the state. A current track counts as a playlist
// track when it has a successor link (a preview has none).
TransportState transportStateOf(const Playlist& playlist);

}  // namespace vh
