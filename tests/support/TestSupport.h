#pragma once

// Helpers every suite shares. Header only, like the rest of tests/support.

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "gamedata/Prompts.h"

namespace vh::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "vhtest-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Makes every file write past `bytes` fail as on a full disk (EFBIG), for
// as long as the object lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// Thrown by RecordingPrompts::endRun so a test can see the run end.
struct RunEnded { int exitCode; };

// Records every message and the save choosers shown, and answers from
// queues: OK/Cancel (Cancel once empty), save paths (cancelled once empty).
class RecordingPrompts : public Prompts {
public:
    struct Shown { std::string caption; std::string text; };
    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<fs::path> saveAnswers;
    std::vector<FileChooser> choosers;
    bool askOkCancel(const std::string& caption, const std::string& text) override {
        shown.push_back({caption, text});
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
    void message(const std::string& caption, const std::string& text) override { shown.push_back({caption, text}); }
    [[noreturn]] void endRun(int exitCode) override { throw RunEnded{exitCode}; }
    std::optional<fs::path> chooseSaveFile(const FileChooser& chooser) override {
        choosers.push_back(chooser);
        if (saveAnswers.empty()) return std::nullopt;
        fs::path answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
};

inline void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                   std::streamsize(bytes.size()));
}
inline std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline std::string readText(const fs::path& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}
inline void writeText(const fs::path& path, const std::string& text) {
    writeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}
// The text's pieces between separators (a last empty piece dropped).
inline std::vector<std::string> split(const std::string& text, char separator = '\n') {
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, separator);) pieces.push_back(piece);
    return pieces;
}
// A playlist file's bytes: the count, then (station, clip, intro, outro) records.
inline std::vector<uint8_t> playlistBytes(int32_t count, const std::vector<std::array<int32_t, 4>>& records) {
    std::vector<uint8_t> bytes;
    auto put = [&](int32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    };
    put(count);
    for (auto& r : records)
        for (int32_t v : r) put(v);
    return bytes;
}
// The names in a folder, sorted.
inline std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}
// The little-endian uint32 at byte `at`.
inline uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

struct LookupRecord { int32_t station; uint32_t offset, length; };
inline std::vector<uint8_t> lookupBytes(const std::vector<LookupRecord>& records) {
    std::vector<uint8_t> bytes;
    for (const LookupRecord& r : records)
        for (uint32_t v : {uint32_t(r.station), r.offset, r.length})
            for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    return bytes;
}

// One ADPCM block: filter and shift in byte 0, then 28 codes, all `code`.
// With filter 0 it decodes to a constant, code << 12 >> shift (+1 when
// negative), whatever the predictor state.
using Block = std::array<uint8_t, 16>;
inline Block constantBlock(int code, int shift = 12, int filter = 0) {
    Block block{};
    block[0] = uint8_t(filter << 4 | (shift & 0x0F));
    for (int i = 2; i < 16; ++i) block[std::size_t(i)] = uint8_t(code & 0x0F) * 0x11;
    return block;
}
struct StereoBlock { Block left, right; };

// A clip's bytes in the stream layout holding the blocks, in whole chunks
// (none for no blocks: a bare header).
inline std::vector<uint8_t> clipBytes(const std::vector<StereoBlock>& blocks) {
    std::vector<uint8_t> bytes(8068 + (blocks.size() + 4095) / 4096 * 135168, 0);
    const uint32_t dataSize = uint32_t(blocks.size()) * 16;
    std::memcpy(&bytes[8016], &dataSize, 4);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        uint8_t* at = &bytes[8068 + b / 4096 * 135168 + b % 4096 * 16];
        std::memcpy(at + 4096, blocks[b].left.data(), 16);
        std::memcpy(at + 69632, blocks[b].right.data(), 16);
    }
    return bytes;
}

}  // namespace vh::test
