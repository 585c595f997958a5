// A game disc image, damaged at will, read as the program reads a disc: the
// probe, the look-ups of the stream files, byte ranges of them, the catalogue
// load, clip loads and the cache copy.
//
// The images themselves come from genisoimage, made once per process from a
// small disc tree (plain ISO 9660, Rock Ridge, Joliet, UDF bridge), so that
// the input only has to say how one is damaged:
//
// Input: flags (bits 0-1: which image; bit 2: truncate it; bit 3: go on to
// the program's own reads, which cost more than the reader's), u32 length to
// keep (modulo the image's length + 1), u32 read offset, u16 read length,
// then patches {u24 offset (modulo the image's length), u8 count, bytes}
// until the input ends.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "gamedata/CacheCopy.h"
#include "gamedata/IsoImage.h"

using namespace vh;
using namespace vh::fuzz;

namespace {

constexpr int kImageKinds = 4;

std::vector<uint8_t> pattern(std::size_t size, uint32_t salt) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = uint8_t((uint32_t(i) * 2654435761u + salt) >> 24);
    return bytes;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

const std::vector<std::vector<uint8_t>>& baseImages() {
    static const std::vector<std::vector<uint8_t>> images = [] {
        const fs::path tree = workFolder() / "tree";
        fs::create_directories(tree / "AUDIO/CONFIG");
        fs::create_directories(tree / "AUDIO/STREAMS/MORE");
        std::vector<uint8_t> lookup;
        for (uint32_t v : {4u, 100u, 1000u, 4u, 4000u, 3000u, 5u, 0u, 500u}) put32(lookup, v);
        writeBytes(tree / "AUDIO/CONFIG/TRAKLKUP.DAT", lookup);
        writeBytes(tree / "AUDIO/CONFIG/TRAKLKUP.BAK", pattern(40, 1));
        writeBytes(tree / "AUDIO/STREAMS/CH.PAK", pattern(6000, 2));
        writeBytes(tree / "AUDIO/STREAMS/CO.PAK", pattern(2500, 3));
        writeBytes(tree / "AUDIO/STREAMS/MORE/CH.PAK", pattern(100, 4));
        const char* options[kImageKinds] = {"", "-R", "-J", "-udf"};
        std::vector<std::vector<uint8_t>> made;
        for (const char* option : options) {
            const fs::path image = workFolder() / "base.iso";
            std::string command = "genisoimage -quiet -no-pad ";
            command.append(option).append(" -o '").append(image.string()).append("' '");
            command.append(tree.string()).append("' >/dev/null 2>&1");
            if (std::system(command.c_str()) != 0) fail(__FILE__, __LINE__, "genisoimage could not make an image");
            made.push_back(readBytes(image));
        }
        return made;
    }();
    return images;
}

// What a read of [offset, offset + count) of `entry` must give: exactly the
// image's bytes at the extent, trimmed to the file and to the image.
void checkRead(const IsoImage& iso, const IsoImage::Entry& entry, const std::vector<uint8_t>& image,
               uint64_t offset, std::size_t count) {
    std::vector<uint8_t> out(count + 8, 0xA5);
    const std::size_t got = iso.read(entry, offset, count, out.data());
    const uint64_t at = uint64_t(entry.sector) * IsoImage::kSectorBytes + offset;
    std::size_t expected = 0;
    if (!entry.directory && offset < entry.bytes && at < image.size())
        expected = std::size_t(std::min<uint64_t>({count, entry.bytes - offset, image.size() - at}));
    FUZZ_CHECK(got == expected);
    FUZZ_CHECK(got == 0 || std::memcmp(out.data(), image.data() + at, got) == 0);
    FUZZ_CHECK(std::all_of(out.begin() + long(got), out.end(), [](uint8_t b) { return b == 0xA5; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    const uint8_t flags = in.u8();
    std::vector<uint8_t> image = baseImages()[flags % kImageKinds];
    const uint32_t keep = in.u32();
    const uint64_t readOffset = in.u32();
    const std::size_t readCount = in.u16();
    while (in.left() >= 4) {
        uint32_t at = (uint32_t(in.u16()) | uint32_t(in.u8()) << 16) % uint32_t(image.size());
        std::vector<uint8_t> bytes = in.bytes(in.u8());
        for (std::size_t i = 0; i < bytes.size() && at + i < image.size(); ++i) image[at + i] = bytes[i];
    }
    if (flags & 4) image.resize(keep % (image.size() + 1));

    const fs::path work = workFolder() / "work";
    const fs::path file = workFolder() / "game.iso";
    std::error_code ec;
    fs::remove_all(work, ec);
    fs::create_directories(work / "CACHE", ec);
    writeBytes(file, image);

    // The reader alone: every look-up the program makes, in both cases, and
    // reads of whatever is found.
    if (std::unique_ptr<IsoImage> iso = IsoImage::open(file)) {
        FUZZ_CHECK(iso->imageBytes() == image.size());
        const std::vector<std::vector<std::string_view>> paths = {
            {"AUDIO", "CONFIG", "TRAKLKUP.DAT"}, {"audio", "config", "traklkup.dat"},
            {"AUDIO", "STREAMS", "CH.PAK"},      {"Audio", "Streams", "co.pak"},
            {"AUDIO", "STREAMS", "MORE", "CH.PAK"},
            {"AUDIO", "STREAMS", "MORE", "MORE", "MORE", "MORE", "MORE", "CH.PAK"},
        };
        for (const auto& path : paths) {
            std::optional<IsoImage::Entry> entry = iso->find(path);
            if (!entry) continue;
            checkRead(*iso, *entry, image, readOffset % (uint64_t(entry->bytes) + 2), readCount);
            checkRead(*iso, *entry, image, 0, std::min<std::size_t>(entry->bytes, 70000));
        }
    }

    // The program's own path: probe, catalogue, clips, cache copy. A refused
    // image asks for the disc once; the cancel leaves the run going here.
    if (!(flags & 8)) return 0;
    CancellingPrompts prompts;
    GameData game(prompts, [&] { return std::vector<fs::path>{file}; }, work);
    game.loadCatalogue();
    FUZZ_CHECK(prompts.questions <= 1);
    FUZZ_CHECK(game.disc().has_value() == (prompts.questions == 0));
    if (!game.disc()) return 0;
    FUZZ_CHECK(game.disc()->isImage() && game.disc()->root() == file);
    // Clips as the lookup file places them (patches may have moved them);
    // the ones too long for the fuzzer's memory limit are passed over.
    for (int station : {4, 5})
        for (int clip = 0; clip < game.table()[station].clipCount; ++clip) {
            const Clip& c = game.table()[station].clips[clip];
            if (c.length > (1u << 20)) continue;
            std::unique_ptr<ClipAudio> audio = game.loadClipData(station, clip);
            if (!audio) continue;  // the stream file is gone from the damaged image
            // The buffer holds the clip and its header, cut where the image
            // stops supplying the stream file.
            const std::string pak = std::string(fieldText(game.table()[station].pakName)) + ".PAK";
            const std::unique_ptr<DataFile> stream = game.openDiscFile("STREAMS", pak);
            FUZZ_CHECK(stream != nullptr);
            const uint64_t readable = stream->readableBytes();
            const uint64_t available = c.offset < readable ? readable - c.offset : 0;
            FUZZ_CHECK(audio->size() == std::min<uint64_t>(uint64_t(c.length) + ClipAudio::kHeaderBytes, available));
            FUZZ_CHECK(audio->validBytes() <= audio->size());
            FUZZ_CHECK(std::all_of(audio->data() + audio->validBytes(), audio->data() + audio->size(),
                                   [](uint8_t b) { return b == 0; }));
        }

    // A copy succeeds exactly when every byte the directory promises is in
    // the image, and then holds those bytes.
    for (const char* name : {"CH.PAK", "CO.PAK"}) {
        std::unique_ptr<DataFile> source = game.openDiscFile("STREAMS", name);
        const bool copied = copyFile(game, "STREAMS", name, name, nullptr);
        FUZZ_CHECK(!copied || source);
        if (!source) continue;
        std::vector<uint8_t> whole(std::size_t(std::min<uint64_t>(source->bytes(), image.size() + 1)));
        const bool complete = source->bytes() <= image.size() &&
                              source->read(0, whole.size(), whole.data()) == source->bytes();
        FUZZ_CHECK(copied == complete);
        FUZZ_CHECK(fs::exists(work / "CACHE" / name) == copied);
        if (copied) FUZZ_CHECK(readBytes(work / "CACHE" / name) == whole);
    }
    return 0;
}
