#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <algorithm>
#include <memory>

#include "support/TestCatalogue.h"

namespace vh::fuzz {

void fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

uint8_t InputReader::u8() { return at_ < size_ ? data_[at_++] : 0; }

uint16_t InputReader::u16() {
    uint16_t lo = u8();
    return uint16_t(lo | uint16_t(u8()) << 8);
}

uint32_t InputReader::u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(u8()) << (8 * i);
    return v;
}

std::vector<uint8_t> InputReader::bytes(std::size_t count) {
    std::size_t n = count < left() ? count : left();
    std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
    at_ += n;
    return out;
}

std::vector<uint8_t> InputReader::rest() { return bytes(left()); }

bool CancellingPrompts::askOkCancel(const std::string& caption, const std::string& text) {
    ++questions;
    lastCaption = caption;
    lastText = text;
    return false;
}

void CancellingPrompts::message(const std::string& caption, const std::string& text) {
    ++messages;
    lastCaption = caption;
    lastText = text;
}

void CancellingPrompts::endRun(int) { ++runEnds; }

namespace {

struct Folder {
    test::TempDir dir;
};

}  // namespace

const fs::path& workFolder() {
    static Folder folder;
    return folder.dir.path();
}

void writeBytes(const fs::path& path, const uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    FUZZ_CHECK(out.good());
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    // One read of the whole file: a byte-by-byte copy through stream
    // iterators costs more under the fuzzer's instrumentation than the
    // program's own work.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? std::size_t(in.tellg()) : 0);
    in.seekg(0).read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

GameData& playlistCatalogue() {
    static std::unique_ptr<test::TestCatalogue> catalogue = [] {
        auto c = std::make_unique<test::TestCatalogue>();
        constexpr int kCH = 4, kTK = 15;
        c->add(kCH, {Ident, "Ident", "", 0, 1});
        c->add(kCH, {Opener, "Opener", "", 0, 2});
        c->addSong(kCH, {"First", "Band", {"Hello", "", "Again"}, {"Bye", ""}, 0});
        c->add(kCH, {Chatter, "Talk", "", 0, 3});
        c->addSong(kCH, {"Second", "", {}, {""}, 0});
        c->addSong(kCH, {"Third", "Other", {""}, {}, 0});
        c->add(kCommercialStation, {Commercial, "Ad one", "", 0, 4});
        c->add(kCommercialStation, {Commercial, "Ad two", "", 0, 5});
        c->add(kTK, {ChatterAlt, "Late", "", 0, 6});
        c->load();
        return c;
    }();
    return catalogue->data();
}

}  // namespace vh::fuzz
