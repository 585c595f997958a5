#include "playlist/PlaylistFile.h"

#include <cstdio>
#include <memory>

#include "gamedata/ReplacingFile.h"

namespace vh {

namespace fs = std::filesystem;

namespace {

bool readInt32(std::FILE* file, int32_t& value) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, file) != 4) return false;
    value = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    return true;
}

void putInt32(std::string& out, int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(char(uint32_t(value) >> (8 * i)));
}

FileChooser playlistChooser(const char* title, std::string initialName) {
    return FileChooser{title, kPlaylistFilter, kPlaylistExtension, std::move(initialName)};
}

}  // namespace

bool loadPlaylistFile(Playlist& playlist, const fs::path& path, PlaylistLoadReport& report) {
    report = {};
    UniqueFile file = openRegularFile(path);
    if (!file) return false;

    playlist.destroyAllTracks();
    int32_t count = 0;
    if (!readInt32(file.get(), count)) count = 0;
    report.fileCount = count;
    if (count > kMaxPlaylistRecords) count = kMaxPlaylistRecords;
    playlist.trackCount = 0;
    playlist.pleaseWait = true;

    const StationTable& table = playlist.gameData().table();
    for (int32_t k = 0; k < count; ++k) {
        int32_t station, clipIndex, intro, outro;
        if (!readInt32(file.get(), station) || !readInt32(file.get(), clipIndex) || !readInt32(file.get(), intro) ||
            !readInt32(file.get(), outro)) {
            // A file shorter than its count: the whole records are loaded.
            report.skipped += count - k;
            break;
        }
        if (station < 0 || station >= kStationCount || clipIndex < 0 || clipIndex >= table[station].clipCount) {
            ++report.skipped;
            continue;
        }
        const Clip& clip = table[station].clips[clipIndex];
        auto track = playlist.createTrack(station, &clip);
        bool repaired = false;
        if (intro < 0 || (clip.introCount > 0 ? intro >= clip.introCount : intro != 0)) repaired = true;
        else track->intro = intro;
        if (outro < 0 || (clip.outroCount > 0 ? outro >= clip.outroCount : outro != 0)) repaired = true;
        else track->outro = outro;
        report.repaired += repaired;

        PlaylistTrack* added = playlist.insertBefore(std::move(track), playlist.sentinel());
        ++playlist.trackCount;
        ++report.loaded;
        if (ViewHooks* view = playlist.view()) view->drawViewNow();
        playlist.loadTrackAudio(*added, WaitDisplay::None);
    }

    playlist.pleaseWait = false;
    if (ViewHooks* view = playlist.view()) view->invalidate();
    playlist.fileName = path.string();
    return true;
}

WriteResult writePlaylistFile(const Playlist& playlist, const fs::path& path) {
    std::string bytes;
    putInt32(bytes, playlist.trackCount);
    for (const PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) {
        putInt32(bytes, t->station);
        putInt32(bytes, playlist.clipIndexOf(*t));
        putInt32(bytes, t->intro);
        putInt32(bytes, t->outro);
    }

    ReplacingFile file(path);
    if (file.status() == ReplacingFile::Status::NotRegular) return WriteResult::NotRegular;
    if (!file.isOpen()) return WriteResult::CannotCreate;
    file.write(bytes.data(), bytes.size());
    return file.commit() ? WriteResult::Ok : WriteResult::WriteFailed;
}

std::string damagedPlaylistText(const PlaylistLoadReport& report) {
    std::string text = "This playlist file is damaged: ";
    auto records = [](int32_t n) { return std::to_string(n) + (n == 1 ? " record was " : " records were "); };
    if (report.skipped) text += records(report.skipped) + "skipped";
    if (report.skipped && report.repaired) text += " and ";
    if (report.repaired) text += records(report.repaired) + "repaired (intro or outro reset to the default)";
    return text + ".";
}

std::vector<std::string> playlistLoadMessages(const PlaylistLoadReport& report) {
    std::vector<std::string> messages;
    if (report.skipped || report.repaired) messages.push_back(damagedPlaylistText(report));
    if (report.fileCount > kMaxPlaylistRecords)
        messages.push_back("This playlist holds " + std::to_string(report.fileCount) + " entries; only the first " +
                           std::to_string(kMaxPlaylistRecords) + " were loaded.");
    return messages;
}

void PlaylistFileCommands::newPlaylist() { playlist_.clearPlaylist(); }

void PlaylistFileCommands::openPath(const fs::path& path) {
    PlaylistLoadReport report;
    if (!loadPlaylistFile(playlist_, path, report)) {
        prompts_.message(kAppName, "Failed to open file\n");
        return;
    }
    for (const std::string& text : playlistLoadMessages(report)) prompts_.message(kAppName, text);
}

void PlaylistFileCommands::open() {
    auto path = prompts_.chooseOpenFile(playlistChooser("Open track list", ""));
    if (path) openPath(*path);
}

bool PlaylistFileCommands::writeWithMessages(const fs::path& path) {
    switch (writePlaylistFile(playlist_, path)) {
    case WriteResult::Ok:
        return true;
    case WriteResult::CannotCreate:
        prompts_.message(kAppName, "Failed to open file\n");
        return false;
    case WriteResult::WriteFailed:
        prompts_.message(kAppName, "Failed to write file");
        return false;
    case WriteResult::NotRegular:
        prompts_.message(kAppName, ReplacingFile::notRegularText(path));
        return false;
    }
    return false;
}

void PlaylistFileCommands::save() {
    if (playlist_.trackCount == 0) return;
    if (playlist_.fileName.empty()) {
        saveAs();
        return;
    }
    writeWithMessages(playlist_.fileName);
}

void PlaylistFileCommands::saveAs() {
    if (playlist_.trackCount == 0) return;
    auto path = prompts_.chooseSaveFile(playlistChooser("Save track list", playlist_.fileName));
    if (!path) return;
    if (writeWithMessages(*path)) playlist_.fileName = path->string();
}

}  // namespace vh
