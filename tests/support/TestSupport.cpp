#include "support/TestSupport.h"

#include <cstdlib>
#include <cstring>
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

Block constantBlock(int code, int shift, int filter) {
    Block block{};
    block[0] = uint8_t(filter << 4 | (shift & 0x0F));
    for (int i = 2; i < 16; ++i) block[std::size_t(i)] = uint8_t(code & 0x0F) * 0x11;
    return block;
}

std::vector<uint8_t> clipBytes(const std::vector<StereoBlock>& blocks) {
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
