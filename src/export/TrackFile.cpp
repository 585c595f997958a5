#include "export/TrackFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <sys/stat.h>
#include <system_error>

#include "export/TrackNames.h"

namespace vh {

const char* trackExtension(TrackFormat format) {
    switch (format) {
    case TrackFormat::Flac: return ".flac";
    case TrackFormat::Mp3: return ".mp3";
    case TrackFormat::Opus: return ".opus";
    }
    return "";
}

const char* trackFormatName(TrackFormat format) {
    switch (format) {
    case TrackFormat::Flac: return "FLAC";
    case TrackFormat::Mp3: return "MP3";
    case TrackFormat::Opus: return "Opus";
    }
    return "";
}

namespace {

std::string errnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

// sf_open's failures are told through one process-wide error number.
std::mutex& openMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

// The part file as libsndfile sees it. The first failed write or seek is
// kept, with its reason; later writes are refused.
struct TrackFile::Stream {
    std::FILE* file = nullptr;
    int error = 0;

    static Stream& of(void* user) { return *static_cast<Stream*>(user); }

    static sf_count_t length(void* user) {
        Stream& s = of(user);
        struct stat info;
        if (std::fflush(s.file) != 0 || fstat(fileno(s.file), &info) != 0) return -1;
        return sf_count_t(info.st_size);
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        Stream& s = of(user);
        if (s.error) return -1;
        if (fseeko(s.file, off_t(offset), whence) != 0) {
            s.error = errno ? errno : EIO;
            return -1;
        }
        return sf_count_t(ftello(s.file));
    }
    static sf_count_t read(void*, sf_count_t, void*) { return 0; }  // written only
    static sf_count_t write(const void* data, sf_count_t bytes, void* user) {
        Stream& s = of(user);
        if (s.error) return 0;
        errno = 0;
        std::size_t done = std::fwrite(data, 1, std::size_t(bytes), s.file);
        if (done != std::size_t(bytes)) s.error = errno ? errno : EIO;
        return sf_count_t(done);
    }
    static sf_count_t tell(void* user) { return sf_count_t(ftello(of(user).file)); }
};

TrackFile::TrackFile(const fs::path& target, TrackFormat format, int32_t rate, const TrackTags& tags)
    : format_(format), file_(target), stream_(std::make_unique<Stream>()) {
    if (!file_.isOpen()) {
        notRegular_ = file_.status() == ReplacingFile::Status::NotRegular;
        error_ = notRegular_ ? "it is not a regular file" : errnoText(errno ? errno : EIO);
        return;
    }
    stream_->file = file_.stream();
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format == TrackFormat::Flac  ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                  : format == TrackFormat::Mp3 ? SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III
                                               : SF_FORMAT_OGG | SF_FORMAT_OPUS;
    static SF_VIRTUAL_IO io = {&Stream::length, &Stream::seek, &Stream::read, &Stream::write, &Stream::tell};
    {
        std::lock_guard lock(openMutex());
        encoder_ = sf_open_virtual(&io, SFM_WRITE, &info, stream_.get());
        if (!encoder_) {
            fail(std::string("the ") + trackFormatName(format) + " encoder could not start (" + sf_strerror(nullptr) +
                 ")");
            return;
        }
    }
    if (format == TrackFormat::Mp3) {
        // Variable bit rate near LAME's -V 2 rather than its thin constant default.
        int mode = SF_BITRATE_MODE_VARIABLE;
        double level = 0.2;
        sf_command(encoder_, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        sf_command(encoder_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    // The MP3 encoder stores its ID3 texts as Latin-1; the Xiph comments of
    // FLAC and Opus are UTF-8.
    auto text = [&](const std::string& s) { return format == TrackFormat::Mp3 ? latin1Text(s) : s; };
    // libsndfile has no field for the track total; "3/12" is how ID3's TRCK
    // writes both, and players read it from TRACKNUMBER in Xiph comments too.
    const std::string number = std::to_string(tags.number) + "/" + std::to_string(tags.total);
    sf_set_string(encoder_, SF_STR_TITLE, text(tags.title).c_str());
    sf_set_string(encoder_, SF_STR_ARTIST, text(tags.artist).c_str());
    sf_set_string(encoder_, SF_STR_ALBUM, text(tags.album).c_str());
    sf_set_string(encoder_, SF_STR_TRACKNUMBER, number.c_str());
}

TrackFile::~TrackFile() {
    if (encoder_) sf_close(encoder_);
}

void TrackFile::fail(const std::string& why) {
    if (error_.empty()) error_ = why;
}

bool TrackFile::write(const int16_t* interleaved, int64_t frames) {
    if (!isOpen()) return false;
    constexpr int64_t kChunk = 4096;
    for (int64_t done = 0; done < frames && isOpen();) {
        const int64_t n = std::min(kChunk, frames - done);
        const int16_t* samples = interleaved + 2 * done;
        sf_count_t written;
        if (format_ == TrackFormat::Flac) {
            written = sf_writef_short(encoder_, samples, n);
        } else {
            // libsndfile 1.2's MP3 path mangles 16-bit stereo input; floats
            // (v × 2^-15, exact) take the encoders' own float path.
            floats_.resize(std::size_t(2 * n));
            for (int64_t i = 0; i < 2 * n; ++i) floats_[std::size_t(i)] = float(samples[i]) * (1.0f / 32768.0f);
            written = sf_writef_float(encoder_, floats_.data(), n);
        }
        if (stream_->error) fail(errnoText(stream_->error));
        else if (written != n) fail(std::string("the ") + trackFormatName(format_) + " encoder failed (" +
                                    sf_strerror(encoder_) + ")");
        done += n;
    }
    return isOpen();
}

bool TrackFile::finish() {
    if (!encoder_) return false;
    const int closed = sf_close(encoder_);
    encoder_ = nullptr;
    if (stream_->error) fail(errnoText(stream_->error));
    else if (closed != 0) fail(std::string("the ") + trackFormatName(format_) + " encoder failed (" +
                               sf_error_number(closed) + ")");
    errno = 0;
    if (!file_.finishWriting()) fail(errnoText(errno ? errno : EIO));
    return error_.empty();
}

bool TrackFile::commit() {
    if (encoder_) finish();
    if (!error_.empty()) {
        discard();
        return false;
    }
    errno = 0;
    if (!file_.commit()) {
        fail(errnoText(errno ? errno : EIO));
        return false;
    }
    return true;
}

void TrackFile::discard() {
    if (encoder_) {
        stream_->error = stream_->error ? stream_->error : ECANCELED;  // nothing more reaches the file
        sf_close(encoder_);
        encoder_ = nullptr;
    }
    file_.discard();
}

}  // namespace vh
