#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gamedata/GameData.h"
#include "support/TestSupport.h"

namespace vh::test {

// Describes one clip of a small catalogue made by a test.
struct ClipSpec {
    int32_t clipClass = Chatter;
    std::string title;
    std::string artist;
    int32_t blocks = 10;  // stereo blocks of audio
    int code = 1;         // every sample decodes to this code (shift 12, filter 0)
};

// A song with its intro and outro variants; a variant title "" means music only.
struct SongSpec {
    std::string title;
    std::string artist;
    std::vector<std::string> intros;
    std::vector<std::string> outros;
    int32_t blocks = 20;
};

// Builds a work folder with CACHE (lookup file and stream files) and a
// matching catalogue file, then loads it into a GameData.
class TestCatalogue {
public:
    TestCatalogue() { buildDefaultCatalogue(table_); }
    // Appends to station s; returns the clip index of the clip (or song).
    int add(int station, const ClipSpec& spec) {
        Station& st = table_[station];
        const int index = st.clipCount++;
        Clip& clip = st.clips[index];
        std::memset(&clip, 0, sizeof clip);
        setFieldText(clip.title, spec.title);
        setFieldText(clip.artist, spec.artist);
        clip.clipClass = spec.clipClass;
        const StereoBlock block{constantBlock(spec.code), constantBlock(spec.code)};
        const std::vector<uint8_t> bytes = clipBytes(std::vector<StereoBlock>(std::size_t(spec.blocks), block));
        clip.offset = uint32_t(streams_[station].size());
        clip.length = uint32_t(bytes.size() - ClipAudio::kHeaderBytes);
        streams_[station].insert(streams_[station].end(), bytes.begin(), bytes.end());
        records_.push_back({station, clip.offset, clip.length});
        return index;
    }
    // The variants follow the song; a song without audio has variants without audio too.
    int addSong(int station, const SongSpec& song) {
        const int index = add(station, {Song, song.title, song.artist, song.blocks, 2});
        table_[station].clips[index].introCount = int32_t(song.intros.size());
        table_[station].clips[index].outroCount = int32_t(song.outros.size());
        int code = 3;
        for (const std::string& t : song.intros) add(station, {Chatter, t, "", song.blocks ? 5 : 0, code++ % 8});
        for (const std::string& t : song.outros) add(station, {Chatter, t, "", song.blocks ? 7 : 0, code++ % 8});
        return index;
    }
    // Writes the files and loads the catalogue.
    GameData& load() {
        writeFile(dir_ / "CACHE/TRAKLKUP.DAT", lookupBytes(records_));
        for (int s = 0; s < kStationCount; ++s)
            writeFile(dir_ / ("CACHE/" + std::string(fieldText(table_[s].pakName)) + ".PAK"), streams_[s]);
        const uint8_t* table = reinterpret_cast<const uint8_t*>(&table_);
        writeFile(dir_ / kCatalogueFileName, std::vector<uint8_t>(table, table + sizeof table_));
        data_ = std::make_unique<GameData>(prompts, [] { return std::vector<fs::path>{}; }, dir_.path());
        data_->loadCatalogue();
        return *data_;
    }
    GameData& data() { return *data_; }
    const fs::path& workDir() const { return dir_.path(); }
    RecordingPrompts prompts;

private:
    TempDir dir_;
    StationTable table_;
    std::vector<uint8_t> streams_[kStationCount];
    std::vector<LookupRecord> records_;
    std::unique_ptr<GameData> data_;
};

}  // namespace vh::test
