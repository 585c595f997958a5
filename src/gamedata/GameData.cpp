#include "gamedata/GameData.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace vh {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openForReading(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return nullptr;
    return File(std::fopen(path.c_str(), "rb"));
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::vector<fs::path> sortedSubfolders(const fs::path& dir) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

std::vector<fs::path> discMountPoints(std::string_view mountTable) {
    std::vector<fs::path> points;
    std::istringstream lines{std::string(mountTable)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) continue;
        if (type != "iso9660" && type != "udf") continue;
        // The table writes blanks, tabs, newlines and backslashes as \ooo.
        std::string decoded;
        for (std::size_t i = 0; i < mountPoint.size(); ++i) {
            if (mountPoint[i] == '\\' && i + 3 < mountPoint.size() &&
                std::all_of(mountPoint.begin() + long(i) + 1, mountPoint.begin() + long(i) + 4,
                            [](char c) { return c >= '0' && c <= '7'; })) {
                decoded += char(std::strtol(mountPoint.substr(i + 1, 3).c_str(), nullptr, 8));
                i += 3;
            } else {
                decoded += mountPoint[i];
            }
        }
        points.emplace_back(decoded);
    }
    return points;
}

std::vector<fs::path> defaultDiscCandidates() {
    std::vector<fs::path> candidates;
    std::ifstream mounts("/proc/self/mounts");
    if (mounts) {
        std::stringstream text;
        text << mounts.rdbuf();
        candidates = discMountPoints(text.str());
    }
    std::vector<fs::path> folders;
    if (const char* user = std::getenv("USER"); user && *user) {
        folders.push_back(fs::path("/media") / user);
        folders.push_back(fs::path("/run/media") / user);
    }
    folders.push_back("/media");
    folders.push_back("/mnt");
    for (const fs::path& folder : folders)
        for (fs::path& sub : sortedSubfolders(folder)) candidates.push_back(std::move(sub));
    return candidates;
}

std::optional<fs::path> findPathNoCase(const fs::path& root, std::initializer_list<std::string_view> components) {
    fs::path current = root;
    for (std::string_view name : components) {
        std::error_code ec;
        fs::path exact = current / std::string(name);
        if (fs::exists(exact, ec)) {
            current = exact;
            continue;
        }
        std::string wanted = lowerAscii(name);
        std::optional<fs::path> match;
        for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
            fs::path candidate = it->path();
            if (lowerAscii(candidate.filename().string()) != wanted) continue;
            if (!match || candidate < *match) match = candidate;
        }
        if (!match) return std::nullopt;
        current = *match;
    }
    return current;
}

std::optional<std::size_t> readFileRange(const fs::path& path, uint64_t offset, std::size_t count, uint8_t* out) {
    File file = openForReading(path);
    if (!file) return std::nullopt;
    if (fseeko(file.get(), off_t(offset), SEEK_SET) != 0) return std::size_t(0);
    std::size_t got = 0;
    while (got < count) {
        std::size_t n = std::fread(out + got, 1, count - got, file.get());
        if (n == 0) break;
        got += n;
    }
    return got;
}

std::string GameData::catalogueWarningText() {
    return std::string("Your copy of Orrin does not have the same audio data as the first issue PAL version.  "
                       "Please email ") +
           kSupportAddress + " if you want help.";
}

GameData::GameData(Prompts& prompts, DiscCandidates candidates, fs::path workDir)
    : prompts_(prompts), candidates_(std::move(candidates)), workDir_(std::move(workDir)),
      table_(std::make_unique<StationTable>()) {
    std::memset(table_.get(), 0, sizeof(StationTable));
}

GameData::~GameData() = default;

bool GameData::locateDisc() {
    while (!discRoot_) {
        for (const fs::path& root : candidates_ ? candidates_() : std::vector<fs::path>{}) {
            if (auto probe = findPathNoCase(root, {"AUDIO", "CONFIG", kTrackLookupName}); probe && openForReading(*probe)) {
                discRoot_ = probe->parent_path().parent_path();
                return true;
            }
        }
        if (!prompts_.askOkCancel(kDiscPromptCaption, kDiscPromptText)) {
            prompts_.endRun(0);
            return false;
        }
    }
    return true;
}

std::optional<fs::path> GameData::discFile(std::string_view folder, std::string_view name) {
    if (!locateDisc()) return std::nullopt;
    return findPathNoCase(*discRoot_, {folder, name});
}

std::optional<std::vector<uint8_t>> GameData::loadConfigFile(std::string_view name) {
    File file = openForReading(cacheDir() / std::string(name));
    if (!file) {
        if (auto path = discFile("CONFIG", name)) file = openForReading(*path);
        if (!file) return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get())) bytes.insert(bytes.end(), buffer, buffer + n);
    return bytes;
}

std::unique_ptr<ClipAudio> GameData::loadClipData(int station, int clip) {
    if (station < 0 || station >= kStationCount) return nullptr;
    const Station& st = (*table_)[station];
    if (clip < 0 || clip >= st.clipCount || clip >= kMaxClips) return nullptr;
    const Clip& c = st.clips[clip];

    std::string fileName = std::string(fieldText(st.pakName)) + ".PAK";
    fs::path path = cacheDir() / fileName;
    if (!openForReading(path)) {
        auto onDisc = discFile("STREAMS", fileName);
        if (!onDisc || !openForReading(*onDisc)) return nullptr;
        path = *onDisc;
    }
    std::unique_ptr<ClipAudio> audio = ClipAudio::allocate(std::size_t(c.length) + ClipAudio::kHeaderBytes);
    if (!audio) return nullptr;
    std::optional<std::size_t> got = readFileRange(path, c.offset, audio->size(), audio->data());
    if (!got) return nullptr;
    audio->setValidBytes(*got);
    return audio;
}

void GameData::loadCatalogue() {
    StationTable& table = *table_;
    std::memset(&table, 0, sizeof table);

    // The catalogue file replaces as much of the table as it holds.
    catalogueInUse_ = false;
    if (File file = openForReading(workDir_ / kCatalogueFileName)) {
        std::fread(&table, 1, sizeof table, file.get());
        catalogueInUse_ = true;
    }
    // A file whose counts or groupings would lead a reader outside the table
    // counts as not matching the disc.
    bool sane = !catalogueInUse_ || catalogueIsSane(table);

    std::vector<uint8_t> lookup = loadConfigFile(kTrackLookupName).value_or(std::vector<uint8_t>{});
    const std::size_t records = lookup.size() / 12;

    for (;;) {
        if (!catalogueInUse_) buildDefaultCatalogue(table);
        bool matches = !catalogueInUse_ || sane;
        int32_t expected[kStationCount];
        for (int s = 0; s < kStationCount; ++s) {
            expected[s] = table[s].clipCount;
            table[s].clipCount = 0;
        }
        for (std::size_t r = 0; r < records && matches; ++r) {
            const uint8_t* rec = lookup.data() + 12 * r;
            int32_t s = int32_t(readU32(rec));
            uint32_t offset = readU32(rec + 4);
            uint32_t length = readU32(rec + 8);
            // Records naming no station, or a 257th clip, have nowhere to go.
            if (s < 0 || s >= kStationCount) continue;
            Station& station = table[s];
            int32_t c = station.clipCount;
            if (c >= kMaxClips) continue;
            Clip& clip = station.clips[c];
            if (catalogueInUse_) {
                if (clip.offset != offset || clip.length != length) matches = false;
            } else {
                std::memset(&clip, 0, sizeof clip);
                setFieldText(clip.title, defaultClipTitle(c + 1, length));
                clip.offset = offset;
                clip.length = length;
                clip.clipClass = s == kCommercialStation ? Commercial : Chatter;
            }
            if (matches) station.clipCount = c + 1;
        }
        if (!catalogueInUse_) return;
        for (int s = 0; s < kStationCount && matches; ++s)
            if (table[s].clipCount != expected[s]) matches = false;
        if (matches) return;

        prompts_.message(kWarningCaption, catalogueWarningText());
        catalogueInUse_ = false;
    }
}

}  // namespace vh
