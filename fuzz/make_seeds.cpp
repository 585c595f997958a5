// Writes the seed corpus of one fuzz target with the project's own writers:
//   make_seeds catalogue|catalogue_text|clipaudio|playlist|options|iso_image DIR

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "export/ExportOptions.h"
#include "gamedata/CatalogueText.h"
#include "playlist/PlaylistFile.h"
#include "support/TestCatalogue.h"

using namespace vh;
using namespace vh::fuzz;

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}
template <class Bytes>
void append(std::vector<uint8_t>& out, const Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The catalogue target's input for a work folder made by TestCatalogue: its
// lookup file, and its catalogue file as patches over the defaults the
// program builds from that lookup file.
std::vector<uint8_t> catalogueSeed(test::TestCatalogue& made, uint8_t flags) {
    const std::vector<uint8_t> lookup = test::readFile(made.workDir() / "CACHE" / kTrackLookupName);
    const std::vector<uint8_t> image = test::readFile(made.workDir() / kCatalogueFileName);
    test::TempDir bare;
    fs::create_directories(bare / "CACHE");
    test::writeFile(bare / "CACHE" / kTrackLookupName, lookup);
    CancellingPrompts prompts;
    GameData defaults(prompts, {}, bare.path());
    defaults.loadCatalogue();
    const auto* base = reinterpret_cast<const uint8_t*>(&defaults.table());

    std::vector<uint8_t> seed{flags};
    put16(seed, uint32_t(lookup.size()));
    append(seed, lookup);
    for (std::size_t at = 0; at < image.size();) {
        if (image[at] == base[at]) {
            ++at;
            continue;
        }
        std::size_t n = 0;
        while (at + n < image.size() && n < 255 && image[at + n] != base[at + n]) ++n;
        put16(seed, uint32_t(at));
        seed.push_back(uint8_t(at >> 16));
        seed.push_back(uint8_t(n));
        seed.insert(seed.end(), image.begin() + long(at), image.begin() + long(at + n));
        at += n;
    }
    return seed;
}

std::vector<std::vector<uint8_t>> catalogueSeeds() {
    test::TestCatalogue made;
    made.add(4, {Ident, "Ident", "", 2, 1});
    made.addSong(4, {"Song", "Band", {"Hi", ""}, {"", "Bye"}, 3});
    made.add(1, {Commercial, "Ad", "", 2, 2});
    made.add(9, {Chatter, "Talk", "", 2, 3});
    made.load();
    std::vector<std::vector<uint8_t>> seeds;
    seeds.push_back(catalogueSeed(made, 1 | 2));  // a matching catalogue file
    seeds.push_back(catalogueSeed(made, 1));      // the lookup file alone
    seeds.push_back(catalogueSeed(made, 2));      // no lookup file: the disc prompt
    std::vector<uint8_t> raw = catalogueSeed(made, 1 | 2 | 4);
    raw.resize(3 + (raw[1] | raw[2] << 8));
    const std::vector<uint8_t> image = test::readFile(made.workDir() / kCatalogueFileName);
    raw.insert(raw.end(), image.begin(), image.begin() + 2048);  // the start of a file as it stands
    seeds.push_back(raw);
    return seeds;
}

std::vector<std::vector<uint8_t>> clipAudioSeeds() {
    std::vector<uint8_t> pattern;
    append(pattern, test::constantBlock(3));
    append(pattern, test::constantBlock(12, 4));
    append(pattern, test::constantBlock(7, 2, 2));

    struct Part {
        uint32_t blocks, bytes, real;
    };
    const uint32_t whole = 8068 + 135168;
    const std::vector<std::vector<Part>> cases = {
        {{0, 0, 0}, {10, whole, whole}, {0, 0, 0}},
        {{5, whole, whole}, {4097, 8068 + 2 * 135168, 8068 + 135168 + 69632 + 16}, {7, whole, whole}},
        {{4096, whole, whole - 100}, {1, 8068 + 69632 + 16, 8068 + 69632 + 16}, {3, 9000, 9000}},
    };
    std::vector<std::vector<uint8_t>> seeds;
    uint8_t flags = 0x07;
    for (const auto& parts : cases) {
        std::vector<uint8_t> seed{flags};
        flags = uint8_t(flags + 0x28);  // other start parts and render slices
        for (const Part& p : parts) {
            put32(seed, p.blocks * 16);
            put32(seed, p.bytes | 0x80000000u);  // any size, up to a chunk and a half
            put32(seed, p.real);
        }
        append(seed, pattern);
        seeds.push_back(seed);
    }
    return seeds;
}

std::vector<std::vector<uint8_t>> playlistSeeds() {
    GameData& game = playlistCatalogue();
    const StationTable& table = game.table();
    std::vector<std::vector<uint8_t>> seeds;
    const fs::path file = workFolder() / "seed.vhcd";
    auto save = [&](Playlist& playlist) {
        FUZZ_CHECK(writePlaylistFile(playlist, file) == WriteResult::Ok);
        seeds.push_back(test::readFile(file));
    };
    Playlist playlist(game);
    save(playlist);  // empty
    for (int c : {0, 2, 10, 8}) {
        auto t = playlist.createTrack(4, &table[4].clips[c]);
        if (c == 2) t->intro = 2, t->outro = 1;  // not the defaults
        playlist.insertBefore(std::move(t), playlist.sentinel());
        ++playlist.trackCount;
    }
    auto ad = playlist.createTrack(1, &table[1].clips[1]);
    playlist.insertBefore(std::move(ad), playlist.sentinel());
    ++playlist.trackCount;
    save(playlist);
    // A count that promises more than the file holds.
    std::vector<uint8_t> damaged = seeds.back();
    damaged[0] = 150;
    seeds.push_back(damaged);
    return seeds;
}

std::vector<std::vector<uint8_t>> optionsSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    for (uint8_t layout : {kLayoutPerClip, kLayoutPerSong}) {
        FUZZ_CHECK(writeTrackLayout(workFolder(), layout));
        seeds.push_back(test::readFile(workFolder() / kOptionsFileName));
    }
    seeds.push_back({});
    return seeds;
}

// The catalogue text target's seeds: the playlist catalogue as exported,
// as a spreadsheet saves it (CR LF, quoted cells, padding), and with texts
// that need escapes and conversion.
std::vector<std::vector<uint8_t>> catalogueTextSeeds() {
    const std::string text = catalogueText(playlistCatalogue().table());
    std::string spreadsheet = "\xEF\xBB\xBF\"";
    for (char ch : text) spreadsheet += ch == '\n' ? "\"\t\t\r\n\"" : ch == '\t' ? "\"\t\"" : std::string(1, ch);
    spreadsheet.resize(spreadsheet.size() - 1);
    std::string awkward = text;
    const std::size_t at = awkward.find("\tFirst\n");
    awkward.replace(at, 7, "\t\"Caf\xC3\xA9\"\" \\t \xE2\x82\xAC \xE6\x97\xA5\"\n");
    std::vector<std::vector<uint8_t>> seeds;
    for (const std::string& s : {text, spreadsheet, awkward}) seeds.emplace_back(s.begin(), s.end());
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds catalogue|catalogue_text|clipaudio|playlist|options|iso_image DIR\n");
        return 2;
    }
    const std::string name = argv[1];
    std::vector<std::vector<uint8_t>> seeds;
    if (name == "catalogue") seeds = catalogueSeeds();
    else if (name == "catalogue_text") seeds = catalogueTextSeeds();
    else if (name == "clipaudio") seeds = clipAudioSeeds();
    else if (name == "playlist") seeds = playlistSeeds();
    else if (name == "options") seeds = optionsSeeds();
    // The disc image target damages images it makes itself: each seed picks
    // one of them, intact, read by the reader alone and by the program.
    else if (name == "iso_image") seeds = {{0}, {1}, {2}, {3}, {8}, {9}, {10}, {11}};
    else {
        std::fprintf(stderr, "make_seeds: no target named %s\n", name.c_str());
        return 2;
    }
    const fs::path dir = argv[2];
    fs::create_directories(dir);
    for (std::size_t i = 0; i < seeds.size(); ++i) writeBytes(dir / ("seed-" + std::to_string(i)), seeds[i]);
    return 0;
}
