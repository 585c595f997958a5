#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace vh {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading ("rb") only when it is a regular file. A FIFO,
// device or folder under one of the program's file names would block the
// open or be read as something it is not; it counts as absent (null).
UniqueFile openRegularFile(const fs::path& path);

// The file a path names once symbolic links are followed (a dangling link
// gives the file it would create); the path itself when it is no link.
fs::path followLinks(const fs::path& path);

// Writes a file under a temporary name beside its target ("<target>.part")
// and renames it over the target only when it is complete, so a full disk,
// a write error or a killed process leaves the earlier file whole and never
// a half-written file under the target's name.
//
// A target that is a symbolic link is followed: the file it names is
// replaced and the link stays. A target that exists but is not a regular
// file (a folder, FIFO or device) is refused.
class ReplacingFile {
public:
    enum class Status { Open, NotRegular, CannotCreate, Committed, Failed };

    // Opens the part file for writing ("wb"); status() says whether it did.
    explicit ReplacingFile(const fs::path& target);
    // Removes the part file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    Status status() const { return status_; }
    bool isOpen() const { return status_ == Status::Open; }
    // The file that will be replaced: the target with its links followed.
    const fs::path& target() const { return target_; }
    const fs::path& partPath() const { return part_; }

    // The open stream; null unless open and not released.
    std::FILE* stream() const { return file_.get(); }
    // Hands the stream to a writer that closes it itself (commit then only
    // renames); the caller must have closed it successfully before commit.
    std::FILE* release() { return file_.release(); }

    bool write(const void* data, std::size_t bytes);

    // Flushes, syncs and closes the stream, keeping the part file for
    // commit: lets a caller finish two files before renaming either.
    bool finishWriting();
    // Flushes, syncs and closes the stream (when still held), then renames
    // the part file over the target. False on any failure, after which the
    // part file is gone and the target untouched.
    bool commit();
    // Gives up: closes and removes the part file.
    void discard();

    // "<path> is not a regular file; nothing was written to it." for a
    // refused target.
    static std::string notRegularText(const fs::path& path);

private:
    fs::path target_;
    fs::path part_;
    UniqueFile file_;
    Status status_ = Status::CannotCreate;
    bool writeFailed_ = false;
};

}  // namespace vh
