#pragma once

#include <string>

#include "audio/PlaylistTrack.h"
#include "gamedata/Catalogue.h"

namespace vh {

// The texts of a playlist slot that holds a track.
struct SlotText {
    std::string title;        // "artist - title", or the title alone
    bool hasStationName = false;
    std::string stationName;  // none for commercials and for the commercial station
    bool song = false;
    std::string introText;    // songs only
    std::string outroText;
};

inline constexpr const char* kNoSpeechOverIntro = "(no speech over intro)";
inline constexpr const char* kNoSpeechOverOutro = "(no speech over outro)";

// Reads the track's clip and its chosen intro and outro from the table. A
// choice outside the song's variants (only a damaged playlist file gives one)
// reads as no speech.
SlotText slotText(const StationTable& table, const PlaylistTrack& track);

}  // namespace vh
