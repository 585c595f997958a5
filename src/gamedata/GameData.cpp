#include "gamedata/GameData.h"

#include "gamedata/ReplacingFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

#include "gamedata/CatalogueFile.h"

namespace vh {

namespace {

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
    for (fs::path& image : discImagesIn({})) candidates.push_back(std::move(image));
    return candidates;
}

std::vector<fs::path> discImagesIn(const fs::path& folder) {
    const bool here = folder.empty() || folder == ".";
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(here ? fs::path(".") : folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (name.size() <= 4 || lowerAscii(name.substr(name.size() - 4)) != ".iso") continue;
        if (it->is_regular_file(typeError)) found.push_back(here ? fs::path(name) : it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
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
    std::unique_ptr<DataFile> file = openPlainFile(path);
    if (!file) return std::nullopt;
    return file->read(offset, count, out);
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
    while (!disc_) {
        for (const fs::path& root : candidates_ ? candidates_() : std::vector<fs::path>{}) {
            if (std::optional<DiscSource> found = DiscSource::probe(root)) {
                disc_ = std::move(found);
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

std::unique_ptr<DataFile> GameData::openDiscFile(std::string_view folder, std::string_view name) {
    if (!locateDisc()) return nullptr;
    return disc_->open(folder, name);
}

std::optional<std::vector<uint8_t>> GameData::loadConfigFile(std::string_view name) {
    // A cache copy that is too large or cannot be read whole counts as
    // missing, so the disc is asked instead.
    if (std::unique_ptr<DataFile> cached = openPlainFile(cacheDir() / std::string(name)))
        if (auto bytes = readWhole(*cached)) return bytes;
    std::unique_ptr<DataFile> file = openDiscFile("CONFIG", name);
    if (!file) return std::nullopt;
    return readWhole(*file);
}

std::unique_ptr<ClipAudio> GameData::loadClipData(int station, int clip) {
    if (station < 0 || station >= kStationCount) return nullptr;
    const Station& st = (*table_)[station];
    if (clip < 0 || clip >= st.clipCount || clip >= kMaxClips) return nullptr;
    const Clip& c = st.clips[clip];

    std::string fileName = std::string(fieldText(st.pakName)) + ".PAK";
    std::unique_ptr<DataFile> file = openPlainFile(cacheDir() / fileName);
    if (!file) file = openDiscFile("STREAMS", fileName);
    if (!file) return nullptr;
    // The buffer holds the clip's length and header, but never more than the
    // stream file can supply from the offset on: a damaged length (up to
    // 4 GiB) must not cost that much memory on every load. Only a short
    // tail that the file lacks stays zero.
    const uint64_t readable = file->readableBytes();
    const uint64_t available = c.offset < readable ? readable - c.offset : 0;
    const uint64_t wanted = uint64_t(c.length) + ClipAudio::kHeaderBytes;
    std::unique_ptr<ClipAudio> audio = ClipAudio::allocate(std::size_t(std::min(wanted, available)));
    if (!audio) return nullptr;
    audio->setValidBytes(file->read(c.offset, audio->size(), audio->data()));
    return audio;
}

void GameData::loadCatalogue() {
    StationTable& table = *table_;
    // The catalogue file replaces as much of the table as it holds.
    catalogueInUse_ = readCatalogueFile(workDir_ / kCatalogueFileName, table);

    std::vector<uint8_t> lookup = loadConfigFile(kTrackLookupName).value_or(std::vector<uint8_t>{});
    if (catalogueInUse_) {
        if (compareWithLookup(table, lookup).matches()) return;
        prompts_.message(kWarningCaption, catalogueWarningText());
        catalogueInUse_ = false;
    }
    buildCatalogueFromLookup(table, lookup);
}

}  // namespace vh
