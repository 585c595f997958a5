// Export Tracks. The CD tracks are planned first (entries, names, tags);
// then a small pool of threads encodes them, several at once, while this
// thread shows the progress and renames the finished files into place in
// track order, so a failure stops the export at the same track a single
// encoder would have reached.
//
// At 24000 Hz every track is decoded by the thread that encodes it: the
// tracks are independent (each entry's decoder starts afresh). At 44100 Hz
// the whole playlist runs through one Resampler on this thread, exactly as
// for the CD image, and its output is cut at 588 × the CUE index of each
// track and handed to the encoders.

#include "export/TrackExporter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "export/TrackNames.h"
#include "gamedata/ReplacingFile.h"

namespace vh {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorCaption = "Error";
// Resampled frames waiting for their encoder, at most (bytes): about six
// minutes of CD audio.
constexpr int64_t kMaxQueuedBytes = 64ll << 20;
// How often the progress is shown while the encoders run.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

struct PlannedTrack {
    int32_t number = 0;
    int32_t firstEntry = 0;  // playlist position of its first entry
    std::vector<PlaylistTrack*> entries;
    std::vector<int32_t> entryFrames;  // 24000 Hz
    TrackText text;
    std::string fileName;
};

std::vector<PlannedTrack> planTracks(Playlist& playlist, uint8_t trackLayout, TrackFormat format) {
    std::vector<PlannedTrack> tracks;
    const StationTable& table = playlist.gameData().table();
    int32_t index = 0;
    for (PlaylistTrack* entry = playlist.first(); entry != playlist.sentinel(); entry = entry->next, ++index) {
        if (tracks.empty() || startsCdTrack(*entry, int32_t(tracks.size()) + 1, trackLayout)) {
            PlannedTrack t;
            t.number = int32_t(tracks.size()) + 1;
            t.firstEntry = index;
            t.text = trackText(table, *entry);
            tracks.push_back(std::move(t));
        }
        tracks.back().entries.push_back(entry);
        tracks.back().entryFrames.push_back(trackSamples(*entry));
    }
    for (PlannedTrack& t : tracks) t.fileName = trackFileName(t.number, t.text, trackExtension(format));
    return tracks;
}

// One track on its way to the disc. The pool's mutex guards everything but
// the progress counters, which the encoding thread publishes on its own.
struct TrackJob {
    enum class State { Waiting, Running, Done, Failed, Abandoned };

    const PlannedTrack* plan = nullptr;
    std::unique_ptr<TrackFile> file;
    State state = State::Waiting;
    std::string error;
    int64_t outputFrames = 0;
    // 44100 Hz: the resampler's output for this track.
    std::deque<std::vector<int16_t>> chunks;
    bool inputComplete = false;
    // 24000 Hz: the entry being decoded (index in plan->entries) and its position.
    std::atomic<int32_t> entry{0};
    std::atomic<int32_t> frames{0};
};

// Decoded frames (v × 2^-15, exact) back to the decoder's 16-bit samples.
class PcmFileSink final : public FrameSink {
public:
    PcmFileSink(TrackFile& file, std::function<bool()> abandoned) : file_(file), abandoned_(std::move(abandoned)) {}
    void pushFrames(const float* interleaved, int32_t frames) override {
        if (!ok_ || abandoned_()) return;
        samples_.resize(std::size_t(2 * frames));
        for (int32_t i = 0; i < 2 * frames; ++i) samples_[std::size_t(i)] = int16_t(interleaved[i] * 32768.0f);
        ok_ = file_.write(samples_.data(), frames);
        written_ += frames;
    }
    int64_t written() const { return written_; }

private:
    TrackFile& file_;
    std::function<bool()> abandoned_;
    std::vector<int16_t> samples_;
    int64_t written_ = 0;
    bool ok_ = true;
};

class EncoderPool {
public:
    struct Settings {
        fs::path folder;
        TrackFormat format;
        int32_t rate;
        std::string album;
        int32_t total;
        bool decodes;  // the workers decode (24000 Hz) or take the resampler's output
    };

    EncoderPool(std::vector<TrackJob>& jobs, Settings settings, int32_t threads)
        : jobs_(jobs), settings_(std::move(settings)) {
        for (int32_t i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
    }

    ~EncoderPool() { stopAll(); }

    void stopAll() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        join();
    }

    void join() {
        for (auto& w : workers_)
            if (w.joinable()) w.join();
    }

    // The resampler's frames for track j, in order. Waits while too much is
    // queued; false once the export has failed.
    bool push(std::size_t j, const int16_t* samples, int64_t frames) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return queuedBytes_ < kMaxQueuedBytes || failedAt(j); });
        if (failedAt(j)) return false;
        jobs_[j].chunks.emplace_back(samples, samples + 2 * frames);
        jobs_[j].outputFrames += frames;
        queuedBytes_ += frames * 4;
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    void complete(std::size_t j) {
        {
            std::lock_guard lock(mutex_);
            jobs_[j].inputComplete = true;
        }
        changed_.notify_all();
    }

    // Waits up to `timeout` for track j to end; true when it has.
    bool waitFor(std::size_t j, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return ended(jobs_[j]); });
    }

    bool ended(std::size_t j) {
        std::lock_guard lock(mutex_);
        return ended(jobs_[j]);
    }

    // After a failure at track j nothing later is written.
    void stopAfter(std::size_t j) {
        {
            std::lock_guard lock(mutex_);
            noteFailure(j);
        }
        changed_.notify_all();
    }

private:
    static constexpr std::size_t kNone = ~std::size_t(0);

    static bool ended(const TrackJob& job) {
        return job.state != TrackJob::State::Waiting && job.state != TrackJob::State::Running;
    }
    // Tracks after the first failed one are given up; kNone compares above all.
    bool failedAt(std::size_t j) const { return stop_ || j >= firstFailed_; }
    bool abandoned(std::size_t j) const { return stop_ || j > firstFailed_; }
    void noteFailure(std::size_t j) {
        if (j < firstFailed_) firstFailed_ = j;
    }

    void work() {
        for (;;) {
            std::size_t j;
            {
                std::lock_guard lock(mutex_);
                if (stop_ || next_ >= jobs_.size() || next_ > firstFailed_) return;
                j = next_++;
                jobs_[j].state = TrackJob::State::Running;
            }
            const bool ok = encode(j);
            {
                std::lock_guard lock(mutex_);
                TrackJob& job = jobs_[j];
                if (abandoned(j)) {
                    job.state = TrackJob::State::Abandoned;
                } else if (ok) {
                    job.state = TrackJob::State::Done;
                } else {
                    job.state = TrackJob::State::Failed;
                    job.error = job.file ? job.file->error() : std::string();
                    noteFailure(j);
                }
                // The queue of a track that failed early is dropped.
                for (auto& c : job.chunks) queuedBytes_ -= int64_t(c.size()) * 2;
                job.chunks.clear();
            }
            changed_.notify_all();
        }
    }

    // The file is made with its first frames: the encoders cannot write a
    // valid file without any, so a track without audio (its entries' audio
    // could not be read) gets no file and no playlist line.
    bool openFile(TrackJob& job) {
        if (!job.file) {
            const PlannedTrack& plan = *job.plan;
            TrackTags tags{plan.text.title, plan.text.artist, settings_.album, plan.number, settings_.total};
            job.file =
                std::make_unique<TrackFile>(settings_.folder / plan.fileName, settings_.format, settings_.rate, tags);
        }
        return job.file->isOpen();
    }

    bool encode(std::size_t j) {
        TrackJob& job = jobs_[j];
        const PlannedTrack& plan = *job.plan;
        bool ok = true;
        if (settings_.decodes) {
            int64_t frames = 0;
            for (int32_t f : plan.entryFrames) frames += f;
            if (frames == 0) return true;
            ok = openFile(job);
            PcmFileSink sink(*job.file, [this, j] { return abandoned(j); });
            for (std::size_t e = 0; ok && e < plan.entries.size() && !abandoned(j); ++e) {
                // The position is reset before the entry is published, so the
                // display never pairs a new entry with the last one's position.
                job.frames.store(0, std::memory_order_relaxed);
                job.entry.store(int32_t(e), std::memory_order_release);
                exportTrack(*plan.entries[e], sink, [&job](PlaylistTrack*, int32_t position) {
                    job.frames.store(position, std::memory_order_relaxed);
                });
                ok = job.file->isOpen();
            }
            job.outputFrames = sink.written();
        } else {
            for (;;) {
                std::vector<int16_t> chunk;
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [&] { return !job.chunks.empty() || job.inputComplete || abandoned(j); });
                    if (abandoned(j) || job.chunks.empty()) break;
                    chunk = std::move(job.chunks.front());
                    job.chunks.pop_front();
                    queuedBytes_ -= int64_t(chunk.size()) * 2;
                }
                changed_.notify_all();
                if (ok) ok = openFile(job) && job.file->write(chunk.data(), int64_t(chunk.size() / 2));
                if (!ok) break;  // the rest of its queue is dropped when it ends
            }
        }
        if (abandoned(j)) return false;  // its part file goes with it
        return !job.file || (job.file->finish() && ok);
    }

    std::vector<TrackJob>& jobs_;
    const Settings settings_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    // Read without the lock by the decoding threads between blocks.
    std::atomic<std::size_t> firstFailed_{kNone};
    std::atomic<bool> stop_{false};
    int64_t queuedBytes_ = 0;
};

// Cuts the resampler's output at the CD tracks' starts (588 output frames
// per CD frame) and hands each piece to its track's encoder.
class CdTrackCutter final : public PcmSink {
public:
    explicit CdTrackCutter(EncoderPool& pool) : pool_(pool) {}

    // Track t (after the first) starts at this output frame. Called before
    // its first input frame is pushed, which is before the resampler's
    // output reaches it (the output trails the input by 128 frames).
    void startTrack(int64_t outputFrame) { starts_.push_back(outputFrame); }

    bool writePcm(const int16_t* samples, int64_t frames) override {
        while (frames > 0) {
            const int64_t end = current_ + 1 < starts_.size() ? starts_[current_ + 1] : INT64_MAX;
            if (written_ >= end) {
                pool_.complete(current_++);
                continue;
            }
            const int64_t n = std::min(frames, end - written_);
            if (!pool_.push(current_, samples, n)) return false;
            samples += 2 * n;
            frames -= n;
            written_ += n;
        }
        return true;
    }

    // After the padding: every remaining track has all its frames.
    void finish(std::size_t trackCount) {
        for (; current_ < trackCount; ++current_) pool_.complete(current_);
    }

private:
    EncoderPool& pool_;
    std::vector<int64_t> starts_{0};
    std::size_t current_ = 0;
    int64_t written_ = 0;
};

// Tells the view and the caller which entry is being written, in order, as
// the export of the first unfinished track goes on.
class ProgressReporter {
public:
    explicit ProgressReporter(ExportContext& context) : context_(context), playlist_(context.playlist) {}

    void atEntry(int32_t index, PlaylistTrack* entry, int32_t frames) {
        while (index > shownIndex_) {
            // The entry before ends where it ends, as the caller's running total expects.
            if (shownEntry_ && context_.positionCallback) context_.positionCallback(shownEntry_, shownLength_);
            ++shownIndex_;
            shownEntry_ = playlist_.trackAt(shownIndex_);
            shownLength_ = shownEntry_ ? trackSamples(*shownEntry_) : 0;
            shownFrames_ = -1;
            playlist_.playlistScroll = shownIndex_;
            if (ViewHooks* view = playlist_.view()) view->drawViewNow();
            if (context_.onEntry) context_.onEntry(shownIndex_, playlist_.trackCount);
        }
        if (index == shownIndex_ && frames != shownFrames_ && entry) {
            shownFrames_ = frames;
            if (context_.positionCallback) context_.positionCallback(entry, frames);
        }
    }

private:
    ExportContext& context_;
    Playlist& playlist_;
    int32_t shownIndex_ = -1;
    PlaylistTrack* shownEntry_ = nullptr;
    int32_t shownLength_ = 0;
    int32_t shownFrames_ = -1;
};

std::string fileList(const std::vector<fs::path>& files) {
    std::string list;
    for (const fs::path& f : files) list.append("\n").append(f.filename().string());
    return list;
}

std::string failureText(const std::string& what, const fs::path& folder, const std::vector<fs::path>& written) {
    std::string text = "Export Tracks stopped: " + what + ".";
    if (written.empty()) return text + " No file of this export was kept.";
    return text + " The unfinished file was removed; these files were written into " + folder.string() +
           " before it and are kept:" + fileList(written);
}

std::string writeFailed(const std::string& name, const std::string& why) {
    return "writing \"" + name + "\" failed (" + (why.empty() ? std::string("write error") : why) + ")";
}

}  // namespace

std::string trackPlaylistName(const Playlist& playlist) { return safeFileName(albumTitle(playlist), ".m3u8"); }

TrackExportResult exportTracksTo(ExportContext& context, const TrackExportRequest& request) {
    TrackExportResult result;
    Playlist& playlist = context.playlist;
    Prompts& prompts = context.prompts;
    if (playlist.trackCount == 0) {
        prompts.message(kErrorCaption, "The playlist is empty: there is nothing to export.");
        return result;
    }
    const bool cdRate = request.format == TrackFormat::Flac && request.rate == 44100;
    const int32_t rate = cdRate ? 44100 : 24000;
    const fs::path& folder = request.folder;

    std::error_code ec;
    const std::vector<PlannedTrack> plan = planTracks(playlist, context.trackLayout, request.format);
    const std::string album = albumTitle(playlist);
    const std::string listName = trackPlaylistName(playlist);

    // Every name this export will write: something that is no regular file
    // stops it before anything is written; regular files are replaced after
    // one question.
    std::vector<std::string> names;
    for (const PlannedTrack& t : plan) names.push_back(t.fileName);
    names.push_back(listName);
    std::vector<std::string> existing;
    for (const std::string& name : names) {
        const fs::path target = followLinks(folder / name);
        const fs::file_status st = fs::status(target, ec);
        if (!fs::exists(st)) continue;
        if (!fs::is_regular_file(st)) {
            prompts.message(kErrorCaption, ReplacingFile::notRegularText(target));
            return result;
        }
        existing.push_back(name);
    }
    if (!existing.empty() && request.askBeforeReplacing) {
        std::string text = existing.size() == 1 ? "A file of this export's names already exists in "
                                                : std::to_string(existing.size()) +
                                                      " files of this export's names already exist in ";
        text += folder.string() + ":";
        for (std::size_t i = 0; i < existing.size() && i < 10; ++i) text.append("\n").append(existing[i]);
        if (existing.size() > 10) text += "\n...";
        text += "\n\nReplace " + std::string(existing.size() == 1 ? "it" : "them") + "?";
        if (!prompts.askOkCancel("Export Tracks", text)) {
            result.outcome = ExportOutcome::Cancelled;
            return result;
        }
    }

    // Made only now, so a cancelled export leaves no empty folder behind.
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder)) {
        std::string why = ec ? ec.message() : "a file of that name is in the way";
        prompts.message(kErrorCaption, "The folder " + folder.string() + " could not be created (" + why +
                                           "). Nothing was exported.");
        return result;
    }

    ViewHooks* view = playlist.view();
    if (view) view->drawViewNow();
    if (context.playback) context.playback->playTrack(nullptr, 0);
    if (context.stopOutput) context.stopOutput();
    playlist.exportActive = true;

    std::vector<TrackJob> jobs(plan.size());
    for (std::size_t t = 0; t < plan.size(); ++t) jobs[t].plan = &plan[t];
    int32_t threads = request.threads > 0 ? request.threads : int32_t(std::thread::hardware_concurrency());
    threads = std::clamp<int32_t>(threads, 1, int32_t(plan.size()));
    EncoderPool pool(jobs, {folder, request.format, rate, album, int32_t(plan.size()), !cdRate}, threads);
    ProgressReporter progress(context);

    // Renames finished tracks into place in order; false at the first
    // failure, whose message is then in `failure`.
    std::size_t committed = 0;
    std::string failure;
    auto commitReady = [&](bool wait) {
        while (committed < jobs.size() && failure.empty()) {
            TrackJob& job = jobs[committed];
            if (!pool.ended(committed)) {
                if (!wait) return true;
                if (!cdRate) {
                    const int32_t e = job.entry.load(std::memory_order_acquire);
                    progress.atEntry(job.plan->firstEntry + e, job.plan->entries[std::size_t(e)],
                                     job.frames.load(std::memory_order_relaxed));
                }
                pool.waitFor(committed, kProgressInterval);
                continue;
            }
            if (job.state == TrackJob::State::Done && (!job.file || job.file->commit())) {
                if (!cdRate) {
                    const std::size_t last = job.plan->entries.size() - 1;
                    progress.atEntry(job.plan->firstEntry + int32_t(last), job.plan->entries[last],
                                     job.plan->entryFrames[last]);
                }
                if (job.file) result.files.push_back(folder / job.plan->fileName);
                ++committed;
                continue;
            }
            const std::string why = job.file ? job.file->error() : job.error;
            failure = writeFailed(job.plan->fileName, why);
            pool.stopAfter(committed);
        }
        return failure.empty();
    };

    if (cdRate) {
        // The CD image's conversion, cut into tracks on its way out.
        CdTrackCutter cutter(pool);
        Resampler resampler(context.resampler);
        resampler.beginConversion(cutter, 24000, 44100);
        std::size_t track = 0;
        int32_t index = 0;
        for (PlaylistTrack* entry = playlist.first(); entry != playlist.sentinel(); entry = entry->next, ++index) {
            if (track + 1 < plan.size() && plan[track + 1].firstEntry == index) {
                ++track;
                cutter.startTrack(588 * resampler.cdFramePosition());
            }
            playlist.playlistScroll = index;
            if (view) view->drawViewNow();
            if (context.onEntry) context.onEntry(index, playlist.trackCount);
            exportTrack(*entry, resampler, context.positionCallback);
            if (resampler.failed() || !commitReady(false)) break;
        }
        const bool converted = resampler.finishExport();
        cutter.finish(plan.size());
        // A failed conversion without a failed track would be the resampler
        // stopping on its own; the tracks' own errors say more and come first.
        commitReady(true);
        if (failure.empty() && !converted) failure = "the conversion to 44100 Hz failed";
    } else {
        commitReady(true);
    }
    pool.stopAll();

    if (failure.empty()) {
        std::vector<PlaylistLine> lines;
        for (const TrackJob& job : jobs)
            if (job.file) lines.push_back({job.plan->fileName, (job.outputFrames + rate / 2) / rate, job.plan->text});
        const std::string text = m3u8Text(lines);
        ReplacingFile list(folder / listName);
        errno = 0;
        if (list.isOpen() && list.write(text.data(), text.size()) && list.commit()) {
            result.files.push_back(folder / listName);
        } else {
            failure = writeFailed(listName, list.status() == ReplacingFile::Status::NotRegular
                                                ? std::string("it is not a regular file")
                                                : std::error_code(errno ? errno : EIO, std::generic_category()).message());
        }
    }

    playlist.exportActive = false;
    if (context.resumeOutput) context.resumeOutput();
    if (view) view->invalidate();
    if (!failure.empty()) {
        prompts.message(kErrorCaption, failureText(failure, folder, result.files));
        return result;
    }
    result.outcome = ExportOutcome::Done;
    return result;
}

}  // namespace vh
