#include "gamedata/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vh {

UniqueFile openRegularFile(const fs::path& path) {
    // Non-blocking so that opening a FIFO returns at once; the type is then
    // checked on the open descriptor, so nothing can swap the file between
    // the check and the read.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (!file) ::close(fd);
    return UniqueFile(file);
}

fs::path followLinks(const fs::path& path) {
    fs::path current = path;
    // A loop of links ends after as many steps as the kernel allows.
    for (int step = 0; step < 40; ++step) {
        std::error_code ec;
        if (!fs::is_symlink(current, ec)) return current;
        fs::path next = fs::read_symlink(current, ec);
        if (ec) return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

ReplacingFile::ReplacingFile(const fs::path& target) : target_(followLinks(target)) {
    part_ = target_;
    part_ += ".part";
    std::error_code ec;
    const fs::file_status st = fs::status(target_, ec);
    if (fs::exists(st) && !fs::is_regular_file(st)) {
        status_ = Status::NotRegular;
        return;
    }
    file_.reset(std::fopen(part_.c_str(), "wb"));
    status_ = file_ ? Status::Open : Status::CannotCreate;
}

ReplacingFile::~ReplacingFile() {
    if (status_ == Status::Open) discard();
}

bool ReplacingFile::write(const void* data, std::size_t bytes) {
    if (!file_ || writeFailed_) return false;
    if (bytes && std::fwrite(data, 1, bytes, file_.get()) != bytes) writeFailed_ = true;
    return !writeFailed_;
}

bool ReplacingFile::finishWriting() {
    if (std::FILE* f = file_.release()) {
        bool ok = std::fflush(f) == 0;
        ok = fsync(fileno(f)) == 0 && ok;
        ok = std::fclose(f) == 0 && ok;
        if (!ok) writeFailed_ = true;
    }
    return status_ == Status::Open && !writeFailed_;
}

bool ReplacingFile::commit() {
    if (status_ != Status::Open) return status_ == Status::Committed;
    bool ok = finishWriting();
    std::error_code ec;
    if (ok) fs::rename(part_, target_, ec);
    if (!ok || ec) {
        fs::remove(part_, ec);
        status_ = Status::Failed;
        return false;
    }
    status_ = Status::Committed;
    return true;
}

void ReplacingFile::discard() {
    file_.reset();
    if (status_ == Status::Open) {
        std::error_code ec;
        fs::remove(part_, ec);
        status_ = Status::Failed;
    }
}

std::string ReplacingFile::notRegularText(const fs::path& path) {
    return path.string() + " is not a regular file; nothing was written to it.";
}

}  // namespace vh
