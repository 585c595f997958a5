#include "gamedata/DiscSource.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "gamedata/Catalogue.h"
#include "gamedata/GameData.h"
#include "gamedata/IsoImage.h"

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

std::unique_ptr<DataFile> openPlainFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return std::make_unique<PlainFile>(file, uint64_t(info.st_size));
}

std::optional<DiscSource> DiscSource::probe(const fs::path& candidate) {
    std::error_code ec;
    if (fs::is_directory(candidate, ec)) {
        auto found = findPathNoCase(candidate, {"AUDIO", "CONFIG", kTrackLookupName});
        if (found && openPlainFile(*found)) return DiscSource(found->parent_path().parent_path(), false);
    } else if (fs::is_regular_file(candidate, ec)) {
        if (openImageFile(candidate, {"AUDIO", "CONFIG", kTrackLookupName})) return DiscSource(candidate, true);
    }
    return std::nullopt;
}

std::unique_ptr<DataFile> DiscSource::open(std::string_view folder, std::string_view name) const {
    if (image_) return openImageFile(root_, {"AUDIO", folder, name});
    auto found = findPathNoCase(root_, {folder, name});
    return found ? openPlainFile(*found) : nullptr;
}

}  // namespace vh
