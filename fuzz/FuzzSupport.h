#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/GameData.h"
#include "gamedata/Prompts.h"

namespace vh::fuzz {

namespace fs = std::filesystem;

// Stops the run with a message that libFuzzer reports as a crash, saving the
// input that broke the invariant.
[[noreturn]] void fail(const char* file, int line, const char* what);
#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) ::vh::fuzz::fail(__FILE__, __LINE__, #condition); \
    } while (0)

// Takes little-endian fields off the front of the input; past its end every
// field reads as zero and every byte string as empty.
class InputReader {
public:
    InputReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    std::vector<uint8_t> bytes(std::size_t count);
    std::vector<uint8_t> rest();
    std::size_t left() const { return size_ - at_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A person who cancels every question. endRun returns, as the core allows,
// so one input can be followed past the disc prompt.
class CancellingPrompts : public Prompts {
public:
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void message(const std::string& caption, const std::string& text) override;
    void endRun(int exitCode) override;

    int32_t questions = 0;
    int32_t messages = 0;
    int32_t runEnds = 0;
    std::string lastCaption;
    std::string lastText;
};

// One folder for the whole fuzzing process, removed when it exits; its
// contents are the current input's.
const fs::path& workFolder();

void writeBytes(const fs::path& path, const uint8_t* data, std::size_t size);
inline void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    writeBytes(path, bytes.data(), bytes.size());
}
std::vector<uint8_t> readBytes(const fs::path& path);

// The small catalogue the playlist target loads files over: songs with intros
// and outros, chatter, idents and commercials on a few stations, in CACHE
// and with a matching catalogue file. Built once per process. Every clip is a
// bare header, so that loading 99 entries reads little.
GameData& playlistCatalogue();

}  // namespace vh::fuzz
