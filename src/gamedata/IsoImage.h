#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

struct _iso9660_s;

namespace vh {

// An ISO 9660 image file read through libiso9660: files are found by a walk
// from the root, one directory at a time, and read by byte ranges.
//
// Names match without regard to ASCII case and without the ";1" version
// suffix (or a bare trailing "."), whichever of the plain, Rock Ridge or
// Joliet trees the library shows, so an image works like a mounted disc.
// A damaged image gives "not found" or a short read, never more:
//   - a directory is only read when its extent lies inside the image;
//   - a walk never enters a directory it has already passed through (an
//     extent patched to point at an ancestor), and is at most
//     kMaxDepth names long;
//   - an exact match (case included) wins over one that differs in case;
//     otherwise the first in name order wins, as on a mounted disc; a name
//     listed twice (the same plain name, case included) is ambiguous and
//     counts as missing;
//   - reads stop where the image ends, whatever the directory claims.
// The image stays open as long as the object lives.
class IsoImage {
public:
    static constexpr uint32_t kSectorBytes = 2048;
    static constexpr std::size_t kMaxDepth = 8;
    // Far beyond any real directory; a larger one is taken as damage rather
    // than read into memory.
    static constexpr uint32_t kMaxDirectoryBytes = 1u << 20;

    // A file or directory as its directory record describes it.
    struct Entry {
        uint32_t sector = 0;  // first sector of the extent
        uint32_t bytes = 0;   // length the record gives
        bool directory = false;
    };

    // Null when the file does not open or holds no ISO 9660 volume.
    static std::unique_ptr<IsoImage> open(const std::filesystem::path& file);
    ~IsoImage();

    IsoImage(const IsoImage&) = delete;
    IsoImage& operator=(const IsoImage&) = delete;

    // The entry at names[0]/names[1]/... below the root; nullopt when a name
    // is missing, ambiguous or unreadable, or the path is deeper than kMaxDepth.
    std::optional<Entry> find(std::span<const std::string_view> names) const;
    std::optional<Entry> find(std::initializer_list<std::string_view> names) const {
        return find(std::span<const std::string_view>(names.begin(), names.size()));
    }

    // Reads bytes [offset, offset + count) of a file into `out`, which must
    // hold count bytes. Only the sectors holding the range are read; returns
    // how many bytes arrived: fewer past the end of the file or of the image.
    std::size_t read(const Entry& file, uint64_t offset, std::size_t count, uint8_t* out) const;

    uint64_t imageBytes() const { return imageBytes_; }

private:
    IsoImage(_iso9660_s* iso, uint64_t imageBytes) : iso_(iso), imageBytes_(imageBytes) {}
    bool insideImage(const Entry& entry) const;

    _iso9660_s* iso_;
    uint64_t imageBytes_;
};

// A directory entry's name as the library lists it, less a ";version"
// suffix and then one trailing "." (plain ISO 9660 names such as "CH.PAK;1"
// or "README.;1").
std::string_view isoPlainName(std::string_view listed);

}  // namespace vh
