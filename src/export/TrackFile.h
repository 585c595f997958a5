#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gamedata/ReplacingFile.h"

typedef struct sf_private_tag SNDFILE;

namespace vh {

enum class TrackFormat { Flac, Mp3, Opus };

// ".flac", ".mp3", ".opus"
const char* trackExtension(TrackFormat format);
// "FLAC", "MP3", "Opus"
const char* trackFormatName(TrackFormat format);

// The tags one file carries, UTF-8.
struct TrackTags {
    std::string title;
    std::string artist;
    std::string album;
    int32_t number = 0;
    int32_t total = 0;
};

// One encoded audio file (stereo, 16-bit samples in), written through
// libsndfile into a ReplacingFile: the encoder writes "<target>.part" and
// commit renames it into place, so no half-written file carries the name.
//
// Every write reaches the part file through our own I/O callbacks, which
// note the first failed write: libsndfile's MP3 path only logs a short write
// and ignores the results of its closing writes, so the file's own record is
// what decides whether it is whole.
//
// One thread at a time; different files may be written on different threads.
class TrackFile {
public:
    // FLAC at any rate; MP3 and Opus at 24000 Hz (or another rate their
    // encoders take).
    TrackFile(const fs::path& target, TrackFormat format, int32_t rate, const TrackTags& tags);
    ~TrackFile();
    TrackFile(const TrackFile&) = delete;
    TrackFile& operator=(const TrackFile&) = delete;

    bool isOpen() const { return encoder_ != nullptr && error_.empty(); }
    // The target exists and is no regular file: nothing was written.
    bool notRegular() const { return notRegular_; }
    // Why the file failed, for a message; empty while all is well.
    const std::string& error() const { return error_; }

    // Interleaved left/right samples. False once anything has failed.
    bool write(const int16_t* interleaved, int64_t frames);
    // Completes the encoding and closes the part file (flushed and synced),
    // keeping it for commit.
    bool finish();
    // Renames the finished part file over the target.
    bool commit();
    // Removes the part file.
    void discard();

    // The callbacks' side (TrackFile.cpp).
    struct Stream;

private:
    void fail(const std::string& why);

    TrackFormat format_;
    ReplacingFile file_;
    std::unique_ptr<Stream> stream_;
    SNDFILE* encoder_ = nullptr;
    std::vector<float> floats_;
    std::string error_;
    bool notRegular_ = false;
};

}  // namespace vh
