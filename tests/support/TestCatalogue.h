#pragma once

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
    TestCatalogue();
    // Appends to station s; returns the clip index of the clip (or song).
    int add(int station, const ClipSpec& clip);
    int addSong(int station, const SongSpec& song);
    // Writes the files and loads the catalogue.
    GameData& load();
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
