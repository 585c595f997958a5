#pragma once

#include <cstdint>
#include <vector>

#include "audio/RandomGenerator.h"
#include "playlist/Playlist.h"

namespace vh {

// Class masks: bit (1 << class) for each accepted ClipClass.
constexpr uint32_t kSongMask = 1u << Song;
constexpr uint32_t kCommercialMask = 1u << Commercial;
constexpr uint32_t kIdentMask = 1u << Ident;
constexpr uint32_t kOpenerMask = 1u << Opener;
constexpr uint32_t kChatterMask = (1u << Chatter) | (1u << ChatterAlt);

// A weighted random bag of one station's top-level clips, for one tool run.
// Without aging every clip comes out once, in random order, and then the bag
// is empty. With aging, clips never drawn come first; afterwards a clip's
// chance grows with the draws since it was last drawn, and the bag never
// runs dry.
struct ClipPool {
    struct Entry {
        const Clip* clip;
        int64_t weight;
    };
    std::vector<Entry> entries;
    bool aging = false;
    int64_t threshold = 0;
};

ClipPool buildPool(const StationTable& table, int32_t station, uint32_t classMask, bool aging);
// Null when the pool gives nothing. Takes one value from the generator for
// every draw that can choose.
const Clip* drawClip(ClipPool& pool, RandomGenerator& random);

// The tools' enable rules: Add all Songs and the two mixes need a song on
// the station; Randomize Intros and Pad need a song in the playlist.
bool playlistHasSong(const Playlist& playlist);

// The tools imitate how the stations sequence their material. Each does
// nothing while a track plays, shows "PLEASE WAIT" while it works, and takes
// its random values in a fixed order, so a given seed always gives the same
// playlist. UI thread only.
class PlaylistTools {
public:
    PlaylistTools(Playlist& playlist, RandomGenerator& random) : playlist_(playlist), random_(random) {}

    // Draws a clip and links a new track after `anchor` (with random intro
    // and outro when asked), scrolls so it shows, loads its audio.
    PlaylistTrack* insertRandomClip(int32_t station, ClipPool& pool, PlaylistTrack* anchor, bool randomVariants);

    void addAllSongs(int32_t station);
    void randomizeIntros();
    void pad(int32_t station);
    void createMusicMix(int32_t station);
    void createRadioMix(int32_t station);

private:
    bool busy() const { return playlist_.currentTrack != nullptr; }
    void appendAllSongs(int32_t station);
    bool stationBreak(int32_t j, int32_t songsLeft);
    void redrawNow();

    Playlist& playlist_;
    RandomGenerator& random_;
};

}  // namespace vh
