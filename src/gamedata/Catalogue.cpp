#include "gamedata/Catalogue.h"

#include <cstdio>
#include <cstring>

namespace vh {

const std::array<const char*, kStationCount> kDefaultStationNames = {
    "AA", "ADVERTS", "AMBIENCE", "BEATS", "CH", "CO", "CR", "CUTSCENE",
    "DS", "HC", "MH", "MR", "NJ", "RE", "RG", "TK",
};

std::string_view fieldText(const char* field, std::size_t size) {
    const void* end = std::memchr(field, '\0', size);
    return std::string_view(field, end ? static_cast<const char*>(end) - field : size);
}

std::string clipName(const Clip& clip) {
    std::string_view artist = fieldText(clip.artist);
    std::string_view title = fieldText(clip.title);
    if (artist.empty()) return std::string(title);
    std::string name(artist);
    name += " - ";
    name += title;
    return name;
}

std::string defaultClipTitle(int number, uint32_t lengthBytes) {
    // Whole chunks only: each 135168-byte chunk holds 114688 frames.
    uint32_t seconds = (lengthBytes / 135168u) * 114688u / 24000u;
    char text[64];
    std::snprintf(text, sizeof text, "Clip #%d %2.2d:%2.2d", number, int(seconds / 60), int(seconds % 60));
    return text;
}

int clipIndex(const Station& station, const Clip* clip) {
    return int(clip - station.clips);
}

int nextTopLevel(const Station& station, int index) {
    const Clip& clip = station.clips[index];
    return index + 1 + clip.introCount + clip.outroCount;
}

bool stationHasSong(const Station& station) {
    for (int c = 0; c < station.clipCount && c < kMaxClips; ++c)
        if (station.clips[c].clipClass == Song) return true;
    return false;
}

void buildDefaultCatalogue(StationTable& table) {
    std::memset(&table, 0, sizeof table);
    for (int s = 0; s < kStationCount; ++s) {
        setFieldText(table[s].pakName, kDefaultStationNames[s]);
        setFieldText(table[s].displayName, kDefaultStationNames[s]);
        table[s].listed = 1;
        table[s].clipCount = 0;
    }
    for (int hidden : {0, 2, 3, 7}) table[hidden].listed = 0;
}

namespace {

template <std::size_t N>
bool terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// A pakName followed by ".PAK" becomes a file name in CACHE and on the disc:
// it must not lead into another folder.
bool plainFileName(std::string_view name) {
    return name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

}  // namespace

bool catalogueIsSane(const StationTable& table) {
    for (const Station& station : table.stations) {
        if (!terminated(station.pakName) || !terminated(station.displayName)) return false;
        if (!plainFileName(fieldText(station.pakName))) return false;
        if (station.clipCount < 0 || station.clipCount > kMaxClips) return false;
        for (int c = 0; c < station.clipCount; ++c) {
            const Clip& clip = station.clips[c];
            if (!terminated(clip.title) || !terminated(clip.artist)) return false;
            if (clip.clipClass < 0 || clip.clipClass >= kClipClassCount) return false;
            if (clip.introCount < 0 || clip.outroCount < 0) return false;
            // Compared in 64 bits so that huge counts cannot wrap around.
            if (int64_t(c) + 1 + clip.introCount + clip.outroCount > station.clipCount) return false;
        }
    }
    return true;
}

}  // namespace vh
