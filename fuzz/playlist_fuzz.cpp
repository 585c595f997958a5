// A playlist file of any content loaded over a small catalogue, then saved
// and loaded again.

#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/PlaylistFile.h"

using namespace vh;
using namespace vh::fuzz;

namespace {

struct Entry {
    int32_t station;
    const Clip* clip;
    int32_t intro;
    int32_t outro;
    bool operator==(const Entry&) const = default;
};

// The list walked both ways, with every entry naming a real clip and
// choices within its variants.
std::vector<Entry> checkedEntries(const Playlist& playlist) {
    const StationTable& table = const_cast<Playlist&>(playlist).gameData().table();
    std::vector<Entry> entries;
    const PlaylistTrack* prev = playlist.sentinel();
    for (const PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); prev = t, t = t->next) {
        FUZZ_CHECK(t->prev == prev);
        FUZZ_CHECK(int32_t(entries.size()) < kMaxPlaylistRecords);
        FUZZ_CHECK(t->station >= 0 && t->station < kStationCount);
        const Station& station = table[t->station];
        FUZZ_CHECK(t->clip >= station.clips && t->clip < station.clips + station.clipCount);
        const Clip& clip = *t->clip;
        FUZZ_CHECK(clip.introCount > 0 ? t->intro >= 0 && t->intro < clip.introCount : t->intro == 0);
        FUZZ_CHECK(clip.outroCount > 0 ? t->outro >= 0 && t->outro < clip.outroCount : t->outro == 0);
        // Every stream file is in CACHE, so every part the entry has loads.
        FUZZ_CHECK(t->mainAudio && t->mainAudio->size() == clip.length + ClipAudio::kHeaderBytes);
        FUZZ_CHECK(bool(t->introAudio) == (clip.introCount > 0));
        FUZZ_CHECK(bool(t->outroAudio) == (clip.outroCount > 0));
        FUZZ_CHECK(trackSamples(*t) >= 0);
        entries.push_back({t->station, t->clip, t->intro, t->outro});
    }
    FUZZ_CHECK(playlist.sentinel()->prev == prev);
    FUZZ_CHECK(playlist.trackCount == int32_t(entries.size()));
    (void)playlist.playlistDuration();
    return entries;
}

int32_t le32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    GameData& game = playlistCatalogue();
    const StationTable& table = game.table();
    const fs::path path = workFolder() / "input.vhcd";
    writeBytes(path, data, size);

    // An old list that the load must replace.
    Playlist playlist(game);
    for (int i = 0; i < 2; ++i) {
        auto t = playlist.createTrack(4, &table[4].clips[i]);
        playlist.loadTrackAudio(*t, WaitDisplay::None);
        playlist.insertBefore(std::move(t), playlist.sentinel());
        ++playlist.trackCount;
    }

    PlaylistLoadReport report;
    FUZZ_CHECK(loadPlaylistFile(playlist, path, report));
    FUZZ_CHECK(playlist.fileName == path.string());
    FUZZ_CHECK(!playlist.pleaseWait);
    const std::vector<Entry> entries = checkedEntries(playlist);

    // The same reading done here: whole records up to the count (at most 99);
    // those naming no clip are skipped, choices out of range get defaults.
    int32_t count = size >= 4 ? le32(data) : 0;
    count = std::min(count, kMaxPlaylistRecords);
    std::vector<Entry> expected;
    int32_t repaired = 0;
    for (int32_t k = 0; k < count && 4 + 16 * std::size_t(k) + 16 <= size; ++k) {
        const uint8_t* r = data + 4 + 16 * k;
        const int32_t s = le32(r), c = le32(r + 4), intro = le32(r + 8), outro = le32(r + 12);
        if (s < 0 || s >= kStationCount || c < 0 || c >= table[s].clipCount) continue;
        const Clip& clip = table[s].clips[c];
        auto defaults = playlist.createTrack(s, &clip);
        const bool introOk = clip.introCount > 0 ? intro >= 0 && intro < clip.introCount : intro == 0;
        const bool outroOk = clip.outroCount > 0 ? outro >= 0 && outro < clip.outroCount : outro == 0;
        repaired += !introOk || !outroOk;
        expected.push_back({s, &clip, introOk ? intro : defaults->intro, outroOk ? outro : defaults->outro});
    }
    FUZZ_CHECK(entries == expected);
    FUZZ_CHECK(report.loaded == int32_t(entries.size()));
    FUZZ_CHECK(report.loaded + report.skipped == std::max(count, 0));
    FUZZ_CHECK(report.repaired == repaired);

    // What was loaded saves and loads again unchanged.
    const fs::path copy = workFolder() / "copy.vhcd";
    FUZZ_CHECK(writePlaylistFile(playlist, copy) == WriteResult::Ok);
    FUZZ_CHECK(readBytes(copy).size() == 4 + 16 * entries.size());
    Playlist again(game);
    PlaylistLoadReport second;
    FUZZ_CHECK(loadPlaylistFile(again, copy, second));
    FUZZ_CHECK(checkedEntries(again) == entries);
    FUZZ_CHECK(second.skipped == 0 && second.repaired == 0);
    return 0;
}
