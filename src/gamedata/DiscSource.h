#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vh {

namespace fs = std::filesystem;

// An open data file, of the cache or the disc, read by byte ranges. It is
// opened, read and closed within one call of the code that needs it.
class DataFile {
public:
    virtual ~DataFile() = default;
    // The length the file system or the image's directory gives.
    virtual uint64_t bytes() const = 0;
    // How many of those bytes can really be read: in a damaged image the
    // directory may claim more than the image holds.
    virtual uint64_t readableBytes() const { return bytes(); }
    // Reads bytes [offset, offset + count) into `out`, which must hold count
    // bytes; returns how many were read: fewer at the end of the file, or
    // where a damaged image ends before the file does.
    virtual std::size_t read(uint64_t offset, std::size_t count, uint8_t* out) = 0;
};

// A configuration file larger than this is taken as damage: the track lookup
// file of a real disc is a few kilobytes (12 bytes for each of some thousand
// clips), and reading a huge one whole would exhaust memory.
constexpr uint64_t kMaxConfigFileBytes = 4u << 20;

// The whole file; nullopt when it is larger than kMaxConfigFileBytes or
// cannot be read to its end (a damaged image that ends early).
std::optional<std::vector<uint8_t>> readWhole(DataFile& file);

// A regular file of the file system; null when it is missing, does not open
// or is no regular file (a FIFO or device is never read).
std::unique_ptr<DataFile> openPlainFile(const fs::path& path);

// Where the located disc keeps its AUDIO folder: a folder (a mounted disc,
// or any folder that holds AUDIO) or an ISO 9660 image file, which is read
// directly without mounting it.
class DiscSource {
public:
    // The candidate when it holds AUDIO/CONFIG/TRAKLKUP.DAT (names matched
    // without regard to case): a folder, or a regular file read as an image.
    static std::optional<DiscSource> probe(const fs::path& candidate);

    // The AUDIO folder, or the image file.
    const fs::path& root() const { return root_; }
    bool isImage() const { return image_; }

    // Opens AUDIO/<folder>/<name>, names matched without regard to case;
    // null when it is missing or does not open (the image may be gone).
    std::unique_ptr<DataFile> open(std::string_view folder, std::string_view name) const;

private:
    DiscSource(fs::path root, bool image) : root_(std::move(root)), image_(image) {}

    fs::path root_;
    bool image_;
};

}  // namespace vh
