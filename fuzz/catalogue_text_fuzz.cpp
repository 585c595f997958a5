// The catalogue text reader: the input is a text imported onto the disc of
// the playlist target's catalogue (songs, chatter, idents, commercials).
//
// Whatever the text, the import either refuses it with messages that name
// their lines, or gives a catalogue the program keeps at start-up: safe to
// walk, positions and counts the disc's own. Such a catalogue exported and
// imported again is the same table, every clip matched.

#include <cstring>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "gamedata/CatalogueFile.h"
#include "gamedata/CatalogueText.h"

using namespace vh;
using namespace vh::fuzz;

namespace {

bool startsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::vector<uint8_t> lookup =
        readBytes(playlistCatalogue().workDir() / "CACHE" / kTrackLookupName);
    static const auto defaults = [] {
        auto table = std::make_unique<StationTable>();
        buildCatalogueFromLookup(*table, lookup);
        return table;
    }();
    int clips = 0;
    for (const Station& station : defaults->stations) clips += station.clipCount;

    // Tables made once and copied over: a fresh 623 KB allocation per input
    // would cost more than the import itself.
    static const auto table = std::make_unique<StationTable>();
    static const auto again = std::make_unique<StationTable>();
    *table = *defaults;
    const CatalogueImport result =
        importCatalogueText(std::string_view(reinterpret_cast<const char*>(data), size), *table);
    if (!result.ok()) {
        for (const std::string& error : result.errors)
            FUZZ_CHECK(startsWith(error, "line ") || startsWith(error, "stopped after "));
        return 0;
    }
    FUZZ_CHECK(compareWithLookup(*table, lookup).matches());
    FUZZ_CHECK(result.matched + result.keptDefault == clips);
    FUZZ_CHECK(result.matched >= 0 && result.keptDefault >= 0 && result.unknownLines >= 0);

    *again = *defaults;
    const CatalogueImport second = importCatalogueText(catalogueText(*table), *again);
    FUZZ_CHECK(second.ok());
    FUZZ_CHECK(second.warnings.empty());
    FUZZ_CHECK(second.matched == clips && second.unknownLines == 0);
    FUZZ_CHECK(std::memcmp(again.get(), table.get(), sizeof(StationTable)) == 0);
    return 0;
}
