#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vh {

// The catalogue file VarnholtRadioInfo.dat is a raw little-endian image of
// StationTable: 16 station records of 38968 bytes, no header.
//
// Station record                      Clip record (152 bytes)
//   0   char[16]  pakName               0   char[64] title
//   16  char[32]  displayName           64  char[64] artist
//   48  int32     clipCount             128 int32    clipClass
//   52  Clip[256] clips                 132 int32    introCount
//   38964 uint8   listed                136 int32    outroCount
//   38965 3 zero bytes                  140 uint32   offset
//                                       144 uint32   length
//                                       148 int32    reserved
//
// A song at clip index i owns the clips that follow it: intro k is clip
// i + 1 + k, outro k is clip i + 1 + introCount + k.

enum ClipClass : int32_t {
    Song = 0,
    Commercial = 1,
    Chatter = 2,
    Ident = 5,
    Opener = 6,
    ChatterAlt = 7,
};
constexpr int32_t kClipClassCount = 8;

struct Clip {
    char title[64];
    char artist[64];
    int32_t clipClass;
    int32_t introCount;
    int32_t outroCount;
    uint32_t offset;
    uint32_t length;
    int32_t reserved;
};

constexpr int kStationCount = 16;
constexpr int kMaxClips = 256;
constexpr int kCommercialStation = 1;

struct Station {
    char pakName[16];
    char displayName[32];
    int32_t clipCount;
    Clip clips[kMaxClips];
    uint8_t listed;
    uint8_t padding[3];
};

struct StationTable {
    Station stations[kStationCount];

    Station& operator[](int s) { return stations[s]; }
    const Station& operator[](int s) const { return stations[s]; }
};

static_assert(sizeof(Clip) == 152);
static_assert(sizeof(Station) == 38968);
static_assert(sizeof(StationTable) == 623488);

constexpr std::size_t kCatalogueFileBytes = sizeof(StationTable);
inline constexpr const char* kCatalogueFileName = "VarnholtRadioInfo.dat";
inline constexpr const char* kTrackLookupName = "TRAKLKUP.DAT";
inline constexpr const char* kSupportAddress = "support@varnholt-radio.example";

extern const std::array<const char*, kStationCount> kDefaultStationNames;

// Fixed texts of a NUL-terminated field, never read past the field's size.
std::string_view fieldText(const char* field, std::size_t size);
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) { return fieldText(field, N); }
template <std::size_t N>
void setFieldText(char (&field)[N], std::string_view text) {
    std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < N; ++i) field[i] = i < n ? text[i] : '\0';
}

// "artist - title", or the title alone when the artist is empty.
std::string clipName(const Clip& clip);

// The default title "Clip #%d %2.2d:%2.2d" from the 1-based number and the
// clip's byte length (whole 135168-byte chunks of 114688 frames at 24000 Hz).
std::string defaultClipTitle(int number, uint32_t lengthBytes);

// Index of a clip record within its station.
int clipIndex(const Station& station, const Clip* clip);

// The top-level walk: clip 0, then i + 1 + introCount + outroCount while below
// clipCount. Intros and outros are reached only through their song.
int nextTopLevel(const Station& station, int index);

// True when any clip slot below clipCount has class Song.
bool stationHasSong(const Station& station);

// Fills the table with the default names and listing and no clips.
void buildDefaultCatalogue(StationTable& table);

// Something that makes a table unsafe to walk: station s, clip c (-1 when
// the fault is the station's own), and what is wrong, e.g. "2 intros and
// 1 outro run past the station's 12 clips".
struct CatalogueFault {
    int station;
    int clip;
    std::string what;
};

// The faults of a table in table order, at most `limit` of them: counts,
// classes and song groupings out of range, text fields without their NUL,
// file names that lead into another folder.
std::vector<CatalogueFault> catalogueFaults(const StationTable& table, std::size_t limit = kStationCount * kMaxClips);

// True when the table can be walked safely (it has no fault).
bool catalogueIsSane(const StationTable& table);

}  // namespace vh
