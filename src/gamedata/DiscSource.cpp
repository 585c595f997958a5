#include "gamedata/DiscSource.h"

#include <cstdio>
#include <algorithm>
#include <string>
#include <sys/stat.h>

#include "gamedata/Catalogue.h"
#include "gamedata/GameData.h"
#include "gamedata/IsoImage.h"
#include "gamedata/ReplacingFile.h"

namespace vh {

namespace {

class PlainFile : public DataFile {
public:
    PlainFile(std::FILE* file, uint64_t bytes) : file_(file), bytes_(bytes) {}
    ~PlainFile() override { std::fclose(file_); }
    PlainFile(const PlainFile&) = delete;
    PlainFile& operator=(const PlainFile&) = delete;

    uint64_t bytes() const override { return bytes_; }

    std::size_t read(uint64_t offset, std::size_t count, uint8_t* out) override {
        if (fseeko(file_, off_t(offset), SEEK_SET) != 0) return 0;
        std::size_t got = 0;
        while (got < count) {
            std::size_t n = std::fread(out + got, 1, count - got, file_);
            if (n == 0) break;
            got += n;
        }
        return got;
    }

private:
    std::FILE* file_;
    uint64_t bytes_;
};

class ImageFile : public DataFile {
public:
    ImageFile(std::unique_ptr<IsoImage> image, IsoImage::Entry entry) : image_(std::move(image)), entry_(entry) {}

    uint64_t bytes() const override { return entry_.bytes; }
    uint64_t readableBytes() const override {
        const uint64_t start = uint64_t(entry_.sector) * IsoImage::kSectorBytes;
        const uint64_t inImage = start < image_->imageBytes() ? image_->imageBytes() - start : 0;
        return std::min<uint64_t>(entry_.bytes, inImage);
    }

    std::size_t read(uint64_t offset, std::size_t count, uint8_t* out) override {
        return image_->read(entry_, offset, count, out);
    }

private:
    std::unique_ptr<IsoImage> image_;
    IsoImage::Entry entry_;
};

std::unique_ptr<DataFile> openImageFile(const fs::path& image, std::initializer_list<std::string_view> names) {
    std::unique_ptr<IsoImage> iso = IsoImage::open(image);
    if (!iso) return nullptr;
    std::optional<IsoImage::Entry> entry = iso->find(names);
    if (!entry || entry->directory) return nullptr;
    return std::make_unique<ImageFile>(std::move(iso), *entry);
}

}  // namespace

std::optional<std::vector<uint8_t>> readWhole(DataFile& file) {
    const uint64_t bytes = file.bytes();
    if (bytes > kMaxConfigFileBytes || file.readableBytes() < bytes) return std::nullopt;
    std::vector<uint8_t> data(std::size_t(bytes), 0);
    if (file.read(0, data.size(), data.data()) != data.size()) return std::nullopt;
    return data;
}

std::unique_ptr<DataFile> openPlainFile(const fs::path& path) {
    UniqueFile file = openRegularFile(path);
    if (!file) return nullptr;
    struct stat info;
    if (fstat(fileno(file.get()), &info) != 0) return nullptr;
    return std::make_unique<PlainFile>(file.release(), uint64_t(info.st_size));
}

std::optional<DiscSource> DiscSource::probe(const fs::path& candidate) {
    std::error_code ec;
    if (fs::is_directory(candidate, ec)) {
        auto found = findPathNoCase(candidate, {"AUDIO", "CONFIG", kTrackLookupName});
        if (found) {
            std::unique_ptr<DataFile> lookup = openPlainFile(*found);
            if (lookup && readWhole(*lookup)) return DiscSource(found->parent_path().parent_path(), false);
        }
    } else if (fs::is_regular_file(candidate, ec)) {
        // An image only counts when its lookup file can be read in full: a
        // truncated image must not end the search while a good one follows.
        std::unique_ptr<DataFile> lookup = openImageFile(candidate, {"AUDIO", "CONFIG", kTrackLookupName});
        if (lookup && readWhole(*lookup)) return DiscSource(candidate, true);
    }
    return std::nullopt;
}

std::unique_ptr<DataFile> DiscSource::open(std::string_view folder, std::string_view name) const {
    if (image_) return openImageFile(root_, {"AUDIO", folder, name});
    auto found = findPathNoCase(root_, {folder, name});
    return found ? openPlainFile(*found) : nullptr;
}

}  // namespace vh
