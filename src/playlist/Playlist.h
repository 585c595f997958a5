#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/PlaylistTrack.h"
#include "gamedata/GameData.h"
#include "playlist/PlaybackControl.h"
#include "playlist/ViewHooks.h"

namespace vh {

// How loadTrackAudio tells the person that the disc is being read.
enum class WaitDisplay {
    None = 0,
    TransportOnly = 1,  // "PLEASE WAIT" on the transport line (a preview)
    FullView = 2,       // the whole view redrawn first (a drop, an intro/outro step)
};

struct PlaylistLength {
    bool hasLength = false;  // false for an empty playlist or one without audio
    int32_t minutes = 0;
    int32_t seconds = 0;
    bool overLength = false;  // 78 minutes or more: too long for a CD
};

// The CD being assembled: a circular doubly linked list of tracks around a
// sentinel. The list owns its tracks; they are destroyed in one place
// (destroyTrack). trackCount always equals the list's length.
// UI thread only.
class Playlist {
public:
    Playlist(GameData& data, ViewHooks* view = nullptr, PlaybackControl* playback = nullptr);
    ~Playlist();

    Playlist(const Playlist&) = delete;
    Playlist& operator=(const Playlist&) = delete;

    void setView(ViewHooks* view) { view_ = view; }
    void setPlayback(PlaybackControl* playback) { playback_ = playback; }
    GameData& gameData() { return data_; }

    PlaylistTrack* sentinel() { return &sentinel_; }
    PlaylistTrack* first() { return sentinel_.next; }
    PlaylistTrack* last() { return sentinel_.prev; }
    const PlaylistTrack* sentinel() const { return &sentinel_; }
    const PlaylistTrack* first() const { return sentinel_.next; }

    // A free-standing track with the default intro and outro (the first
    // variants without speech) and no audio.
    std::unique_ptr<PlaylistTrack> createTrack(int32_t station, const Clip* clip) const;
    // Loads every missing buffer of the track: intro, main clip, outro.
    void loadTrackAudio(PlaylistTrack& track, WaitDisplay wait);

    // Link a track after/before an entry or the sentinel; the list takes it
    // over. trackCount is the caller's to change.
    PlaylistTrack* insertAfter(std::unique_ptr<PlaylistTrack> track, PlaylistTrack* anchor);
    PlaylistTrack* insertBefore(std::unique_ptr<PlaylistTrack> track, PlaylistTrack* anchor);
    // Takes a track out of the list and hands it back to the caller.
    std::unique_ptr<PlaylistTrack> unlinkTrack(PlaylistTrack* track);

    // Stops playback first when the track is playing; trackCount − 1.
    void removeTrack(PlaylistTrack* track);
    // Empties the list (stopping playback) and forgets fileName.
    void clearPlaylist();
    // Stops playback and destroys every entry; keeps playlistScroll and
    // fileName (loading a playlist file starts this way).
    void destroyAllTracks();
    ViewHooks* view() { return view_; }

    // The entry at 0-based position n, or null at or past the end.
    PlaylistTrack* trackAt(int32_t n);
    // 0-based position of an entry, -1 when it is not in the list.
    int32_t positionOf(const PlaylistTrack* track) const;

    PlaylistLength playlistDuration() const;

    void stepIntro(PlaylistTrack& track, int32_t direction);
    void stepOutro(PlaylistTrack& track, int32_t direction);

    // The clip player's and the export's position reports.
    void reportPosition(PlaylistTrack* track, int32_t frames);

    // Clip index of a track's clip within its station.
    int32_t clipIndexOf(const PlaylistTrack& track) const;
    // The chosen intro or outro clip, or null when the song has none or the
    // choice lies outside its variants.
    const Clip* introClip(const PlaylistTrack& track) const;
    const Clip* outroClip(const PlaylistTrack& track) const;

    int32_t trackCount = 0;
    int32_t playlistScroll = 0;
    PlaylistTrack* currentTrack = nullptr;
    int32_t elapsedSeconds = 0;
    std::string fileName;
    bool pleaseWait = false;
    bool exportActive = false;

private:
    void stopPlayback();
    void invalidate();
    int32_t introClipIndex(const PlaylistTrack& track) const;
    int32_t outroClipIndex(const PlaylistTrack& track) const;

    GameData& data_;
    ViewHooks* view_;
    PlaybackControl* playback_;
    PlaylistTrack sentinel_;
};

// Length of a track in 24000 Hz frames: 28 per decodable block of each part.
int32_t trackSamples(const PlaylistTrack& track);

}  // namespace vh
