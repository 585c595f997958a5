// vhradio catalogue: the catalogue file as text people can edit, and the
// check the program makes of it at start-up.

#include <cerrno>
#include <cstring>

#include "cli/Commands.h"
#include "gamedata/CatalogueFile.h"
#include "gamedata/CatalogueText.h"
#include "gamedata/ReplacingFile.h"

namespace vh::cli {

namespace {

// Far more than the 4096 clip lines a catalogue can hold: anything bigger is
// another kind of file.
constexpr std::size_t kMaxTextBytes = 16u << 20;

std::optional<std::string> readText(const fs::path& path, std::ostream& err) {
    UniqueFile file = openRegularFile(path);
    if (!file) {
        err << "vhradio: cannot open " << path.string() << "\n";
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
        text.append(buffer, n);
        if (text.size() > kMaxTextBytes) {
            err << "vhradio: " << path.string() << " is too big to be a catalogue text\n";
            return std::nullopt;
        }
    }
    if (std::ferror(file.get())) {
        err << "vhradio: reading " << path.string() << " failed\n";
        return std::nullopt;
    }
    return text;
}

std::optional<std::vector<uint8_t>> readLookup(GameData& data, std::ostream& err) {
    std::optional<std::vector<uint8_t>> lookup = data.loadConfigFile(kTrackLookupName);
    if (!lookup) err << "vhradio: cannot read " << kTrackLookupName << " from CACHE or the disc\n";
    return lookup;
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + (n == 1 ? one : many); }

int exportText(GameData& data, const fs::path& path, std::ostream& out, std::ostream& err) {
    data.loadCatalogue();
    const std::string text = catalogueText(data.table());
    ReplacingFile file(path);
    if (file.status() == ReplacingFile::Status::NotRegular) {
        err << "vhradio: " << ReplacingFile::notRegularText(path) << "\n";
        return kFailure;
    }
    if (!file.isOpen()) {
        err << "vhradio: cannot create " << file.partPath().string() << ": " << std::strerror(errno) << "\n";
        return kFailure;
    }
    if (!file.write(text.data(), text.size()) || !file.commit()) {
        err << "vhradio: writing " << path.string() << " failed\n";
        return kFailure;
    }
    int clips = 0;
    for (const Station& station : data.table().stations) clips += station.clipCount;
    out << path.string() << " written: 16 stations, " << plural(clips, " clip", " clips") << " ("
        << (data.catalogueFileInUse() ? "the catalogue file" : "the default catalogue") << ")\n";
    return kOk;
}

int importText(GameData& data, const fs::path& textPath, const fs::path& target, std::ostream& out,
               std::ostream& err) {
    std::optional<std::string> text = readText(textPath, err);
    if (!text) return kFailure;
    std::optional<std::vector<uint8_t>> lookup = readLookup(data, err);
    if (!lookup) return kFailure;

    // Positions always come from the disc: the text only names its clips.
    auto table = std::make_unique<StationTable>();
    buildCatalogueFromLookup(*table, *lookup);
    const CatalogueImport result = importCatalogueText(*text, *table);
    for (const std::string& warning : result.warnings) err << "vhradio: " << textPath.string() << ": " << warning << "\n";
    for (const std::string& error : result.errors) err << "vhradio: " << textPath.string() << ": " << error << "\n";
    if (!result.ok()) {
        err << "vhradio: nothing was written\n";
        return kFailure;
    }
    std::string error;
    if (!writeCatalogueFile(target, *table, error)) {
        err << "vhradio: " << error << "\n";
        return kFailure;
    }
    out << target.string() << " written: " << plural(result.matched, " clip matched, ", " clips matched, ")
        << plural(result.keptDefault, " kept its default title, ", " kept their default titles, ")
        << plural(result.unknownLines, " unknown line\n", " unknown lines\n");
    return kOk;
}

int check(GameData& data, const fs::path& path, std::ostream& out, std::ostream& err) {
    auto table = std::make_unique<StationTable>();
    if (!readCatalogueFile(path, *table)) {
        err << "vhradio: no catalogue file " << path.string() << " (the program then uses its default catalogue)\n";
        return kFailure;
    }
    std::optional<std::vector<uint8_t>> lookup = readLookup(data, err);
    if (!lookup) return kFailure;
    const CatalogueComparison comparison = compareWithLookup(*table, *lookup);
    out << describeComparison(comparison) << "\n";
    return comparison.matches() ? kOk : kFailure;
}

}  // namespace

int catalogueCommand(GameData& data, const CatalogueRequest& request, std::ostream& out, std::ostream& err) {
    const fs::path file = request.file.empty() ? data.workDir() / kCatalogueFileName : request.file;
    if (request.action == "export") return exportText(data, request.text, out, err);
    if (request.action == "import") return importText(data, request.text, file, out, err);
    if (request.action == "check") return check(data, file, out, err);
    err << "vhradio: no catalogue command " << request.action << " (export, import or check)\n";
    return kUsage;
}

}  // namespace vh::cli
