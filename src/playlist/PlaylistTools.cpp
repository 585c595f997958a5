#include "playlist/PlaylistTools.h"

namespace vh {

bool playlistHasSong(const Playlist& playlist) {
    for (const PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next)
        if (t->clip && t->clip->clipClass == Song) return true;
    return false;
}

ClipPool buildPool(const StationTable& table, int32_t station, uint32_t classMask, bool aging) {
    ClipPool pool;
    pool.aging = aging;
    const Station& st = table[station];
    for (int i = 0; i < st.clipCount; i = nextTopLevel(st, i)) {
        const Clip& clip = st.clips[i];
        if (clip.clipClass >= 0 && clip.clipClass < 32 && (classMask >> clip.clipClass & 1u))
            pool.entries.push_back({&clip, 0});
    }
    const int64_t n = int64_t(pool.entries.size());
    for (auto& e : pool.entries) e.weight = n;
    pool.threshold = n;
    return pool;
}

const Clip* drawClip(ClipPool& pool, RandomGenerator& random) {
    ++pool.threshold;
    if (pool.entries.empty()) return nullptr;
    if (pool.aging)
        for (auto& e : pool.entries) ++e.weight;

    bool anyAbove = false;
    for (auto& e : pool.entries) anyAbove = anyAbove || e.weight >= pool.threshold;
    auto eligible = [&](const ClipPool::Entry& e) { return !anyAbove || e.weight >= pool.threshold; };
    int64_t total = 0;
    for (auto& e : pool.entries)
        if (eligible(e)) total += e.weight;
    if (total == 0) return nullptr;

    // r never exceeds 32767, so with a larger total the entries past that
    // share cannot be chosen in this draw.
    int64_t r = random.next() % total;
    for (auto& e : pool.entries) {
        if (!eligible(e)) continue;
        if (r < e.weight) {
            e.weight = 0;
            return e.clip;
        }
        r -= e.weight;
    }
    return nullptr;
}

void PlaylistTools::redrawNow() {
    if (ViewHooks* view = playlist_.view()) view->drawViewNow();
}

PlaylistTrack* PlaylistTools::insertRandomClip(int32_t station, ClipPool& pool, PlaylistTrack* anchor,
                                               bool randomVariants) {
    const Clip* clip = drawClip(pool, random_);
    if (!clip) return nullptr;
    auto owned = playlist_.createTrack(station, clip);
    if (randomVariants) {
        if (clip->introCount != 0) owned->intro = random_.next() % clip->introCount;
        if (clip->outroCount != 0) owned->outro = random_.next() % clip->outroCount;
    }
    ++playlist_.trackCount;
    PlaylistTrack* track = playlist_.insertAfter(std::move(owned), anchor);

    // Keep the new track in sight when it lands below the visible rows.
    const int32_t position = playlist_.positionOf(track);
    const int32_t visible = playlist_.view() ? playlist_.view()->playlistVisibleRows() : 0;
    if (position > playlist_.playlistScroll + visible) playlist_.playlistScroll = position - visible;

    redrawNow();
    playlist_.loadTrackAudio(*track, WaitDisplay::None);
    return track;
}

void PlaylistTools::appendAllSongs(int32_t station) {
    ClipPool songs = buildPool(playlist_.gameData().table(), station, kSongMask, false);
    playlist_.pleaseWait = true;
    const int32_t scroll = playlist_.playlistScroll;
    while (insertRandomClip(station, songs, playlist_.last(), false)) {
    }
    playlist_.pleaseWait = false;
    playlist_.playlistScroll = scroll;
    if (ViewHooks* view = playlist_.view()) view->invalidate();
}

void PlaylistTools::addAllSongs(int32_t station) {
    if (busy()) return;
    appendAllSongs(station);
}

void PlaylistTools::createMusicMix(int32_t station) {
    if (busy()) return;
    playlist_.clearPlaylist();
    appendAllSongs(station);
}

void PlaylistTools::randomizeIntros() {
    if (busy()) return;
    playlist_.pleaseWait = true;
    for (PlaylistTrack* t = playlist_.first(); t != playlist_.sentinel(); t = t->next) {
        const Clip& clip = *t->clip;
        if (clip.introCount <= 1 && clip.outroCount <= 1) continue;
        bool changed = false;
        if (clip.introCount > 1) {
            int32_t k = random_.next() % clip.introCount;
            if (k != t->intro) {
                t->intro = k;
                t->introAudio.reset();
                playlist_.loadTrackAudio(*t, WaitDisplay::None);
                changed = true;
            }
        }
        if (clip.outroCount > 1) {
            int32_t k = random_.next() % clip.outroCount;
            if (k != t->outro) {
                t->outro = k;
                t->outroAudio.reset();
                playlist_.loadTrackAudio(*t, WaitDisplay::None);
                changed = true;
            }
        }
        if (changed) redrawNow();
    }
    playlist_.pleaseWait = false;
    if (ViewHooks* view = playlist_.view()) view->invalidate();
}

bool PlaylistTools::stationBreak(int32_t j, int32_t songsLeft) {
    // The generator is asked only at the third song of a run.
    return (j == 3 && random_.next() % 127 < 64) || j == 4 || songsLeft == 0;
}

void PlaylistTools::pad(int32_t station) {
    if (busy()) return;
    const StationTable& table = playlist_.gameData().table();
    ClipPool commercials = buildPool(table, kCommercialStation, kCommercialMask, true);
    ClipPool idents = buildPool(table, station, kIdentMask, true);
    ClipPool chatter = buildPool(table, station, kChatterMask, true);
    ClipPool openers = buildPool(table, station, kOpenerMask, true);
    playlist_.pleaseWait = true;
    const int32_t scroll = playlist_.playlistScroll;
    playlist_.playlistScroll = 0;

    // The front reads: ident, opener (or chatter), then the old entries.
    if (!insertRandomClip(station, openers, playlist_.sentinel(), false))
        insertRandomClip(station, chatter, playlist_.sentinel(), false);
    insertRandomClip(station, idents, playlist_.sentinel(), false);

    int32_t songsLeft = 0;
    for (PlaylistTrack* t = playlist_.first(); t != playlist_.sentinel(); t = t->next)
        songsLeft += t->clip->clipClass == Song;
    int32_t j = 0;
    // Entries inserted during the walk are visited too; only songs act.
    for (PlaylistTrack* song = playlist_.first(); song != playlist_.sentinel(); song = song->next) {
        if (song->clip->clipClass != Song) continue;
        PlaylistTrack* commercial = insertRandomClip(kCommercialStation, commercials, song, false);
        ++j;
        --songsLeft;
        // Without a commercial the chatter goes directly after the song.
        PlaylistTrack* chatterAnchor = commercial ? commercial : song;
        if (stationBreak(j, songsLeft)) {
            PlaylistTrack* ident = insertRandomClip(station, idents, song, false);
            j = 0;
            if (songsLeft != 0) insertRandomClip(station, chatter, ident ? ident : chatterAnchor, false);
        } else {
            insertRandomClip(station, chatter, chatterAnchor, false);
        }
    }

    playlist_.pleaseWait = false;
    playlist_.playlistScroll = scroll;
    if (ViewHooks* view = playlist_.view()) view->invalidate();
}

void PlaylistTools::createRadioMix(int32_t station) {
    if (busy()) return;
    playlist_.clearPlaylist();
    const StationTable& table = playlist_.gameData().table();
    ClipPool commercials = buildPool(table, kCommercialStation, kCommercialMask, true);
    ClipPool idents = buildPool(table, station, kIdentMask, true);
    ClipPool chatter = buildPool(table, station, kChatterMask, true);
    ClipPool openers = buildPool(table, station, kOpenerMask, true);
    ClipPool songs = buildPool(table, station, kSongMask, false);
    playlist_.pleaseWait = true;
    auto append = [&](int32_t s, ClipPool& pool, bool variants) {
        return insertRandomClip(s, pool, playlist_.last(), variants);
    };

    append(station, idents, false);
    if (!append(station, openers, false)) append(station, chatter, false);
    int32_t songsLeft = int32_t(songs.entries.size());
    int32_t j = 0;
    while (songsLeft != 0) {
        --songsLeft;
        append(station, songs, true);
        append(kCommercialStation, commercials, false);
        ++j;
        if (stationBreak(j, songsLeft)) {
            append(station, idents, false);
            j = 0;
            if (songsLeft == 0) break;
        }
        append(station, chatter, false);
    }

    playlist_.pleaseWait = false;
    playlist_.playlistScroll = 0;
    if (ViewHooks* view = playlist_.view()) view->invalidate();
}

}  // namespace vh
