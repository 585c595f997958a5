#include "playlist/Playlist.h"

namespace vh {

int32_t trackSamples(const PlaylistTrack& track) {
    int32_t frames = 0;
    for (const ClipAudio* audio : {track.introAudio.get(), track.mainAudio.get(), track.outroAudio.get()})
        if (audio) frames += audio->frameCount();
    return frames;
}

Playlist::Playlist(GameData& data, ViewHooks* view, PlaybackControl* playback)
    : data_(data), view_(view), playback_(playback) {
    sentinel_.next = sentinel_.prev = &sentinel_;
    sentinel_.station = -1;
}

Playlist::~Playlist() {
    while (sentinel_.next != &sentinel_) unlinkTrack(sentinel_.next);
}

std::unique_ptr<PlaylistTrack> Playlist::createTrack(int32_t station, const Clip* clip) const {
    auto track = std::make_unique<PlaylistTrack>();
    track->station = station;
    track->clip = clip;
    if (station < 0 || station >= kStationCount || !clip) return track;
    const Station& st = data_.table()[station];
    const int32_t index = clipIndex(st, clip);
    // The first variant without speech over the music, else the first one.
    for (int32_t k = 0; k < clip->introCount; ++k) {
        int32_t c = index + 1 + k;
        if (c < st.clipCount && st.clips[c].title[0] == '\0') {
            track->intro = k;
            break;
        }
    }
    for (int32_t k = 0; k < clip->outroCount; ++k) {
        int32_t c = index + 1 + clip->introCount + k;
        if (c < st.clipCount && st.clips[c].title[0] == '\0') {
            track->outro = k;
            break;
        }
    }
    return track;
}

int32_t Playlist::clipIndexOf(const PlaylistTrack& track) const {
    return clipIndex(data_.table()[track.station], track.clip);
}

int32_t Playlist::introClipIndex(const PlaylistTrack& track) const {
    if (!track.clip || track.intro < 0 || track.intro >= track.clip->introCount) return -1;
    int32_t c = clipIndexOf(track) + 1 + track.intro;
    return c < data_.table()[track.station].clipCount ? c : -1;
}

int32_t Playlist::outroClipIndex(const PlaylistTrack& track) const {
    if (!track.clip || track.outro < 0 || track.outro >= track.clip->outroCount) return -1;
    int32_t c = clipIndexOf(track) + 1 + track.clip->introCount + track.outro;
    return c < data_.table()[track.station].clipCount ? c : -1;
}

const Clip* Playlist::introClip(const PlaylistTrack& track) const {
    int32_t c = introClipIndex(track);
    return c < 0 ? nullptr : &data_.table()[track.station].clips[c];
}

const Clip* Playlist::outroClip(const PlaylistTrack& track) const {
    int32_t c = outroClipIndex(track);
    return c < 0 ? nullptr : &data_.table()[track.station].clips[c];
}

void Playlist::loadTrackAudio(PlaylistTrack& track, WaitDisplay wait) {
    if (!track.clip) return;
    if (wait != WaitDisplay::None) {
        pleaseWait = true;
        if (view_) {
            if (wait == WaitDisplay::TransportOnly) view_->drawTransportNow(true);
            else view_->drawViewNow();
        }
    }
    if (int32_t c = introClipIndex(track); c >= 0 && !track.introAudio)
        track.introAudio = data_.loadClipData(track.station, c);
    if (!track.mainAudio) track.mainAudio = data_.loadClipData(track.station, clipIndexOf(track));
    if (int32_t c = outroClipIndex(track); c >= 0 && !track.outroAudio)
        track.outroAudio = data_.loadClipData(track.station, c);
    if (wait != WaitDisplay::None) {
        pleaseWait = false;
        if (view_) view_->drawTransportNow(true);
    }
}

PlaylistTrack* Playlist::insertAfter(std::unique_ptr<PlaylistTrack> owned, PlaylistTrack* anchor) {
    PlaylistTrack* track = owned.release();
    track->prev = anchor;
    track->next = anchor->next;
    anchor->next->prev = track;
    anchor->next = track;
    return track;
}

PlaylistTrack* Playlist::insertBefore(std::unique_ptr<PlaylistTrack> track, PlaylistTrack* anchor) {
    return insertAfter(std::move(track), anchor->prev);
}

std::unique_ptr<PlaylistTrack> Playlist::unlinkTrack(PlaylistTrack* track) {
    track->prev->next = track->next;
    track->next->prev = track->prev;
    track->next = track->prev = nullptr;
    return std::unique_ptr<PlaylistTrack>(track);
}

void Playlist::stopPlayback() {
    if (playback_) playback_->playTrack(nullptr, 0);
}

void Playlist::invalidate() {
    if (view_) view_->invalidate();
}

void Playlist::removeTrack(PlaylistTrack* track) {
    if (track == currentTrack) {
        stopPlayback();
        currentTrack = nullptr;  // the player reports none anyway; never keep a dangling entry
    }
    unlinkTrack(track);  // destroyed here, with its audio
    --trackCount;
}

void Playlist::clearPlaylist() {
    if (trackCount != 0) {
        stopPlayback();
        if (positionOf(currentTrack) >= 0) currentTrack = nullptr;
        while (sentinel_.next != &sentinel_) unlinkTrack(sentinel_.next);
        trackCount = 0;
        playlistScroll = 0;
        invalidate();
    }
    fileName.clear();
}

void Playlist::destroyAllTracks() {
    stopPlayback();
    if (positionOf(currentTrack) >= 0) currentTrack = nullptr;
    while (sentinel_.next != &sentinel_) unlinkTrack(sentinel_.next);
    trackCount = 0;
}

PlaylistTrack* Playlist::trackAt(int32_t n) {
    PlaylistTrack* t = sentinel_.next;
    for (int32_t i = 0; i < n && t != &sentinel_; ++i) t = t->next;
    return t == &sentinel_ ? nullptr : t;
}

int32_t Playlist::positionOf(const PlaylistTrack* track) const {
    int32_t n = 0;
    for (const PlaylistTrack* t = sentinel_.next; t != &sentinel_; t = t->next, ++n)
        if (t == track) return n;
    return -1;
}

PlaylistLength Playlist::playlistDuration() const {
    int64_t frames = 0;
    for (const PlaylistTrack* t = sentinel_.next; t != &sentinel_; t = t->next) frames += trackSamples(*t);
    PlaylistLength length;
    if (trackCount == 0 || frames == 0) return length;
    length.hasLength = true;
    int64_t seconds = (frames + 23999) / 24000;
    int64_t minutes = seconds / 60;
    length.overLength = minutes > 77;
    if (minutes >= 100) {
        length.minutes = 99;
        length.seconds = 59;
    } else {
        length.minutes = int32_t(minutes);
        length.seconds = int32_t(seconds % 60);
    }
    return length;
}

namespace {

int32_t cycle(int32_t choice, int32_t direction, int32_t n) {
    int32_t base = ((choice % n) + n) % n;
    return direction > 0 ? (base + 1) % n : (base + n - 1) % n;
}

}  // namespace

void Playlist::stepIntro(PlaylistTrack& track, int32_t direction) {
    if (!track.clip || track.clip->introCount <= 0) return;
    track.intro = cycle(track.intro, direction, track.clip->introCount);
    track.introAudio.reset();
    loadTrackAudio(track, WaitDisplay::FullView);
    if (&track == currentTrack && playback_) playback_->playTrack(&track, 0);
}

void Playlist::stepOutro(PlaylistTrack& track, int32_t direction) {
    if (!track.clip || track.clip->outroCount <= 0) return;
    track.outro = cycle(track.outro, direction, track.clip->outroCount);
    track.outroAudio.reset();
    loadTrackAudio(track, WaitDisplay::FullView);
    if (&track == currentTrack && playback_) playback_->playTrack(&track, 2);
}

void Playlist::reportPosition(PlaylistTrack* track, int32_t frames) {
    int32_t seconds = frames / 24000;
    if (exportActive) {
        currentTrack = track;
        elapsedSeconds = seconds;
        if (view_) view_->drawTransportNow(false);
        return;
    }
    if (track != currentTrack) {
        currentTrack = track;
        elapsedSeconds = seconds;
        invalidate();
    } else if (seconds != elapsedSeconds) {
        elapsedSeconds = seconds;
        if (view_) view_->drawTransportNow(false);
    }
}

}  // namespace vh
