#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vh::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vhtest-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? fs::path(made) : fs::path(pattern);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

bool RecordingPrompts::askOkCancel(const std::string& caption, const std::string& text) {
    shown.push_back({caption, text});
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingPrompts::message(const std::string& caption, const std::string& text) {
    shown.push_back({caption, text});
}

void RecordingPrompts::endRun(int exitCode) { throw RunEnded{exitCode}; }

std::optional<fs::path> RecordingPrompts::chooseSaveFile(const FileChooser& chooser) {
    choosers.push_back(chooser);
    if (saveAnswers.empty()) return std::nullopt;
    fs::path answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const fs::path& path) {
    std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::vector<uint8_t> lookupBytes(const std::vector<LookupRecord>& records) {
    std::vector<uint8_t> bytes;
    for (const LookupRecord& r : records)
        for (uint32_t v : {uint32_t(r.station), r.offset, r.length})
            for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    return bytes;
}

std::vector<uint8_t> constantBlock(int code, int shift) {
    std::vector<uint8_t> block(16, 0);
    block[0] = uint8_t(shift & 0x0F);
    uint8_t nibble = uint8_t(code & 0x0F);
    for (int i = 2; i < 16; ++i) block[i] = uint8_t(nibble | nibble << 4);
    return block;
}

std::vector<uint8_t> clipBytes(int32_t blocks, int (*leftCode)(int32_t), int (*rightCode)(int32_t)) {
    const std::size_t chunks = (std::size_t(blocks) + 4095) / 4096;
    std::vector<uint8_t> bytes(8068 + chunks * 135168, 0);
    uint32_t dataSize = uint32_t(blocks) * 16;
    for (int i = 0; i < 4; ++i) bytes[8016 + i] = uint8_t(dataSize >> (8 * i));
    for (int32_t b = 0; b < blocks; ++b) {
        std::size_t chunk = 8068 + std::size_t(b / 4096) * 135168;
        std::size_t within = std::size_t(b % 4096) * 16;
        auto left = constantBlock(leftCode(b));
        auto right = constantBlock(rightCode(b));
        std::copy(left.begin(), left.end(), bytes.begin() + long(chunk + 4096 + within));
        std::copy(right.begin(), right.end(), bytes.begin() + long(chunk + 69632 + within));
    }
    return bytes;
}

}  // namespace vh::test
