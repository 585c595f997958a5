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

std::string groupingText(int32_t intros, int32_t outros) {
    return std::to_string(intros) + (intros == 1 ? " intro and " : " intros and ") + std::to_string(outros) +
           (outros == 1 ? " outro" : " outros");
}

}  // namespace

std::vector<CatalogueFault> catalogueFaults(const StationTable& table, std::size_t limit) {
    std::vector<CatalogueFault> faults;
    auto fault = [&](int s, int c, std::string what) {
        faults.push_back({s, c, std::move(what)});
        return faults.size() >= limit;
    };
    for (int s = 0; s < kStationCount; ++s) {
        const Station& station = table[s];
        if (!terminated(station.pakName) && fault(s, -1, "its pakName has no terminating NUL")) return faults;
        if (!terminated(station.displayName) && fault(s, -1, "its displayName has no terminating NUL"))
            return faults;
        if (!plainFileName(fieldText(station.pakName)) &&
            fault(s, -1, "its pakName \"" + std::string(fieldText(station.pakName)) + "\" holds a slash or backslash"))
            return faults;
        if (station.clipCount < 0 || station.clipCount > kMaxClips) {
            if (fault(s, -1, "it counts " + std::to_string(station.clipCount) + " clips (0 to 256 fit)")) return faults;
            continue;
        }
        for (int c = 0; c < station.clipCount; ++c) {
            const Clip& clip = station.clips[c];
            if (!terminated(clip.title) && fault(s, c, "its title has no terminating NUL")) return faults;
            if (!terminated(clip.artist) && fault(s, c, "its artist has no terminating NUL")) return faults;
            if ((clip.clipClass < 0 || clip.clipClass >= kClipClassCount) &&
                fault(s, c, "class " + std::to_string(clip.clipClass) + " is not one of 0 to 7"))
                return faults;
            if (clip.introCount < 0 || clip.outroCount < 0) {
                if (fault(s, c, "a negative intro or outro count")) return faults;
                continue;
            }
            // Compared in 64 bits so that huge counts cannot wrap around.
            if (int64_t(c) + 1 + clip.introCount + clip.outroCount > station.clipCount &&
                fault(s, c, groupingText(clip.introCount, clip.outroCount) + " run past the station's " +
                                std::to_string(station.clipCount) + " clips"))
                return faults;
        }
    }
    return faults;
}

bool catalogueIsSane(const StationTable& table) { return catalogueFaults(table, 1).empty(); }

}  // namespace vh
