#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/Prompts.h"

namespace vh::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Thrown by RecordingPrompts::endRun so a test can see the run end.
struct RunEnded {
    int exitCode;
};

// Records every message and the save choosers shown, and answers from
// queues: OK/Cancel (Cancel once empty), save paths (cancelled once empty).
class RecordingPrompts : public Prompts {
public:
    struct Shown {
        std::string caption;
        std::string text;
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<fs::path> saveAnswers;
    std::vector<FileChooser> choosers;
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void message(const std::string& caption, const std::string& text) override;
    [[noreturn]] void endRun(int exitCode) override;
    std::optional<fs::path> chooseSaveFile(const FileChooser& chooser) override;
};

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const fs::path& path);
std::string readText(const fs::path& path);
// The little-endian uint32 at byte `at`.
uint32_t le32(const std::vector<uint8_t>& bytes, std::size_t at);

struct LookupRecord {
    int32_t station;
    uint32_t offset;
    uint32_t length;
};
std::vector<uint8_t> lookupBytes(const std::vector<LookupRecord>& records);

// One ADPCM block: filter and shift in byte 0, then 28 codes, all `code`.
// With filter 0 it decodes to a constant, code << 12 >> shift (+1 when
// negative), whatever the predictor state.
using Block = std::array<uint8_t, 16>;
Block constantBlock(int code, int shift = 12, int filter = 0);
struct StereoBlock {
    Block left, right;
};
// A clip's bytes in the stream layout holding the blocks, in whole chunks
// (none for no blocks: a bare header).
std::vector<uint8_t> clipBytes(const std::vector<StereoBlock>& blocks);

}  // namespace vh::test
