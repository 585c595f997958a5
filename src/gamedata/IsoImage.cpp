#include "gamedata/IsoImage.h"

#include <algorithm>
#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

namespace vh {

namespace {

// libcdio's own handler ends the process on an error message and aborts on
// a failed internal check; a damaged image must only ever be "not found"
// here, and the program keeps no log.
void quietLog(cdio_log_level_t, const char*) {}

struct StatFree {
    void operator()(iso9660_stat_t* stat) const { iso9660_stat_free(stat); }
};
using Stat = std::unique_ptr<iso9660_stat_t, StatFree>;

struct ListFree {
    void operator()(CdioISO9660FileList_t* list) const { iso9660_filelist_free(list); }
};
using FileList = std::unique_ptr<CdioISO9660FileList_t, ListFree>;

IsoImage::Entry toEntry(const iso9660_stat_t& stat) {
    return {uint32_t(stat.lsn), stat.size, stat.type == iso9660_stat_t::_STAT_DIR};
}

bool equalNoCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

// The entry of `list` that `wanted` names, by the rules in the header; null
// when none does or the choice is ambiguous.
const iso9660_stat_t* pick(CdioISO9660FileList_t* list, std::string_view wanted) {
    std::vector<const iso9660_stat_t*> matches;
    bool exact = false;
    CdioListNode_t* node;
    _CDIO_LIST_FOREACH(node, list) {
        const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
        std::string_view name = isoPlainName(stat->filename);
        if (!equalNoCase(name, wanted)) continue;
        if (name == wanted && !exact) {
            matches.clear();
            exact = true;
        }
        if (!exact || name == wanted) matches.push_back(stat);
    }
    if (matches.empty()) return nullptr;
    auto byName = [](const iso9660_stat_t* a, const iso9660_stat_t* b) {
        return isoPlainName(a->filename) < isoPlainName(b->filename);
    };
    std::sort(matches.begin(), matches.end(), byName);
    if (matches.size() > 1 && isoPlainName(matches[0]->filename) == isoPlainName(matches[1]->filename))
        return nullptr;
    return matches[0];
}

// The sector of the "." entry, which every directory lists for itself.
std::optional<uint32_t> ownSector(CdioISO9660FileList_t* list) {
    CdioListNode_t* node;
    _CDIO_LIST_FOREACH(node, list) {
        const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
        if (std::strcmp(stat->filename, ".") == 0) return uint32_t(stat->lsn);
    }
    return std::nullopt;
}

}  // namespace

std::string_view isoPlainName(std::string_view listed) {
    if (std::size_t semicolon = listed.rfind(';'); semicolon != std::string_view::npos) {
        std::string_view version = listed.substr(semicolon + 1);
        if (std::all_of(version.begin(), version.end(), [](char c) { return c >= '0' && c <= '9'; }))
            listed = listed.substr(0, semicolon);
    }
    if (listed.size() > 1 && listed.back() == '.' && listed != "..") listed.remove_suffix(1);
    return listed;
}

std::unique_ptr<IsoImage> IsoImage::open(const std::filesystem::path& file) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { cdio_log_set_handler(quietLog); });

    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return nullptr;
    const uint64_t bytes = std::filesystem::file_size(file, ec);
    if (ec) return nullptr;
    iso9660_t* iso = iso9660_open_ext(file.c_str(), ISO_EXTENSION_ALL);
    if (!iso) return nullptr;
    return std::unique_ptr<IsoImage>(new IsoImage(iso, bytes));
}

IsoImage::~IsoImage() { iso9660_close(iso_); }

bool IsoImage::insideImage(const Entry& entry) const {
    return uint64_t(entry.sector) * kSectorBytes + entry.bytes <= imageBytes_;
}

std::optional<IsoImage::Entry> IsoImage::find(std::span<const std::string_view> names) const {
    if (names.size() == 0 || names.size() > kMaxDepth) return std::nullopt;
    Stat root(iso9660_ifs_stat(iso_, "/"));
    if (!root) return std::nullopt;
    Entry dir = toEntry(*root);
    // The library reads a directory by its path; the path is built from the
    // names as listed, so each step asks for exactly the entry chosen.
    std::string path = "/";
    std::vector<uint32_t> passed;
    for (auto name = names.begin();; ++name) {
        if (!dir.directory || dir.bytes == 0 || dir.bytes > kMaxDirectoryBytes || !insideImage(dir))
            return std::nullopt;
        if (std::find(passed.begin(), passed.end(), dir.sector) != passed.end()) return std::nullopt;
        passed.push_back(dir.sector);

        FileList list(iso9660_ifs_readdir(iso_, path.c_str()));
        if (!list || ownSector(list.get()) != dir.sector) return std::nullopt;
        const iso9660_stat_t* chosen = pick(list.get(), *name);
        if (!chosen) return std::nullopt;
        Entry entry = toEntry(*chosen);
        if (name + 1 == names.end()) return entry;
        if (path.size() > 1) path += '/';
        path += chosen->filename;
        dir = entry;
    }
}

std::size_t IsoImage::read(const Entry& file, uint64_t offset, std::size_t count, uint8_t* out) const {
    if (file.directory || offset >= file.bytes) return 0;
    count = std::size_t(std::min<uint64_t>(count, file.bytes - offset));
    const uint64_t start = uint64_t(file.sector) * kSectorBytes + offset;
    // Whole sectors go straight into `out`, a bounded number at a time; a
    // sector the range only partly covers goes through `partial`.
    constexpr std::size_t kBatchSectors = 512;
    uint8_t partial[kSectorBytes];
    std::size_t got = 0;
    while (got < count) {
        const uint64_t at = start + got;
        const uint64_t sector = at / kSectorBytes;
        const std::size_t within = std::size_t(at % kSectorBytes);
        if (at >= imageBytes_ || sector > uint64_t(std::numeric_limits<lsn_t>::max())) break;
        if (within != 0 || count - got < kSectorBytes) {
            long n = iso9660_iso_seek_read(iso_, partial, lsn_t(sector), 1);
            if (n <= long(within)) break;
            std::size_t take = std::min(std::size_t(n) - within, count - got);
            std::memcpy(out + got, partial + within, take);
            got += take;
            if (n < long(kSectorBytes)) break;
        } else {
            const std::size_t sectors = std::min((count - got) / kSectorBytes, kBatchSectors);
            long n = iso9660_iso_seek_read(iso_, out + got, lsn_t(sector), long(sectors));
            if (n <= 0) break;
            got += std::min(std::size_t(n), sectors * kSectorBytes);
            if (std::size_t(n) < sectors * kSectorBytes) break;
        }
    }
    return got;
}

}  // namespace vh
