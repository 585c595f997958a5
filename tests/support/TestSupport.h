#pragma once

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

// One ADPCM block (16 bytes) with filter 0 and the given shift whose 28 codes
// are all `code`: it decodes to a constant (code << 12 >> shift, +1 when
// negative) whatever the predictor state.
std::vector<uint8_t> constantBlock(int code, int shift = 12);

// A clip's bytes in the stream layout with `blocks` stereo blocks; block b of
// the left channel holds constantBlock(leftCode(b)), the right one
// constantBlock(rightCode(b)). The last chunk is written whole.
std::vector<uint8_t> clipBytes(int32_t blocks, int (*leftCode)(int32_t), int (*rightCode)(int32_t));

}  // namespace vh::test
