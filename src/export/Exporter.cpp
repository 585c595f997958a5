#include "export/Exporter.h"

#include <cstdio>
#include <optional>
#include <string_view>

#include "export/TrackNames.h"
#include "gamedata/ReplacingFile.h"

namespace vh {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorCaption = "Error";

std::string format(const char* pattern, long long a, long long b = 0, long long c = 0) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

}  // namespace

std::string cueIndexLine(int64_t f) {
    return format("    INDEX 01 %02lld:%02lld:%02lld", (f / 4500) % 99, (f / 75) % 60, f % 75);
}

fs::path cuePathFor(const fs::path& wavPath) {
    std::string s = wavPath.string();
    return s.substr(0, s.size() - 4) + ".cue";
}

bool hasWavExtension(const fs::path& path) {
    std::string s = path.string();
    if (s.size() < 4) return false;
    std::string tail = s.substr(s.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return tail == ".wav";
}

bool startsCdTrack(const PlaylistTrack& entry, int32_t cdTrack, uint8_t trackLayout) {
    return entry.clip->clipClass == Song || cdTrack == 1 || trackLayout == 0;
}

std::string cueNameProblem(const fs::path& wavPath) {
    for (unsigned char c : wavPath.string())
        if (c == '"' || c < 0x20 || c == 0x7f)
            return "This name cannot be written into a CUE sheet: it holds a double quote, a line break or "
                   "another control character. Please choose another name.";
    return {};
}

std::string shortCdTracksText(const std::vector<int32_t>& tracks, uint8_t trackLayout) {
    if (tracks.empty()) return {};
    std::string list;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (i) list += i + 1 == tracks.size() ? " and " : ", ";
        list += std::to_string(tracks[i]);
    }
    std::string text = (tracks.size() == 1 ? "CD track " + list + " is" : "CD tracks " + list + " are") +
                       " shorter than four seconds, the shortest track an audio CD may hold; some CD writers "
                       "warn about such a CUE sheet or refuse it.";
    if (trackLayout == 0)
        text += " The layout \"One CD track per song\" (Options, Export options) puts chatter, idents and "
                "commercials into the songs' tracks.";
    return text;
}

ExportOutcome exportPlaylist(ExportContext& context, bool cdImage) {
    FileChooser chooser{cdImage ? "Export CD Image" : "Export wave file", "Wave files (*.wav)", "wav", ""};
    auto path = context.prompts.chooseSaveFile(chooser);
    if (!path) return ExportOutcome::Cancelled;
    ExportOutcome outcome = exportToPath(context, cdImage, *path);
    if (outcome == ExportOutcome::Done && !context.shortCdTracks.empty())
        context.prompts.message("Warning", shortCdTracksText(context.shortCdTracks, context.trackLayout));
    return outcome;
}

ExportOutcome exportToPath(ExportContext& context, bool cdImage, const fs::path& wavPath) {
    Playlist& playlist = context.playlist;
    Prompts& prompts = context.prompts;
    context.shortCdTracks.clear();
    if (playlist.trackCount == 0) {
        prompts.message(kErrorCaption, "The playlist is empty: there is nothing to export.");
        return ExportOutcome::Failed;
    }
    if (!hasWavExtension(wavPath)) {
        prompts.message(kErrorCaption, "This program can only export wave (*.wav) files");
        return ExportOutcome::Failed;
    }
    if (cdImage) {
        if (std::string problem = cueNameProblem(wavPath); !problem.empty()) {
            prompts.message(kErrorCaption, problem);
            return ExportOutcome::Failed;
        }
    }
    const fs::path cuePath = cuePathFor(wavPath);

    // Both files are written beside their targets and renamed into place at
    // the end, so the export they replace survives any failure.
    ReplacingFile wav(wavPath);
    if (!wav.isOpen()) {
        bool special = wav.status() == ReplacingFile::Status::NotRegular;
        prompts.message(kErrorCaption, special ? ReplacingFile::notRegularText(wavPath) : "Failed to open wave file");
        return ExportOutcome::Failed;
    }
    std::optional<ReplacingFile> cue;
    if (cdImage) {
        cue.emplace(cuePath);
        if (!cue->isOpen()) {
            bool special = cue->status() == ReplacingFile::Status::NotRegular;
            prompts.message(kErrorCaption, special ? ReplacingFile::notRegularText(cuePath) : "Failed to open CUE file");
            return ExportOutcome::Failed;
        }
    }
    // CUE sheets are read by burning programs on Windows too, so their lines
    // end in CR LF on every platform.
    auto writeLine = [&](const std::string& line) { return cue->write((line + "\r\n").data(), line.size() + 2); };
    auto quoted = [](const std::string& utf8) {
        std::string field = cdTextField(utf8);
        field.insert(field.begin(), '"');
        field.push_back('"');
        return field;
    };
    bool cueOk = true;
    if (cue && context.cdText)
        cueOk = writeLine("TITLE " + quoted(albumTitle(playlist))) && writeLine("PERFORMER \"Varnholt Radio\"");
    cueOk = cueOk && (!cue || writeLine("FILE \"" + wavPath.string() + "\" WAVE"));

    ViewHooks* view = playlist.view();
    if (view) view->drawViewNow();
    Resampler resampler(context.resampler);
    resampler.beginExport(wav.release(), 24000, cdImage ? 44100 : 24000);  // the resampler closes the file
    if (context.playback) context.playback->playTrack(nullptr, 0);
    if (context.stopOutput) context.stopOutput();
    playlist.exportActive = true;

    std::vector<int64_t> cdTrackStarts;
    int32_t cdTrack = 1;
    int32_t index = 0;
    for (PlaylistTrack* entry = playlist.first(); entry != playlist.sentinel(); entry = entry->next, ++index) {
        if (startsCdTrack(*entry, cdTrack, context.trackLayout)) {
            int64_t f = resampler.cdFramePosition();
            cdTrackStarts.push_back(f);
            if (cue) {
                cueOk = cueOk && writeLine(format("  TRACK %02lld AUDIO", cdTrack));
                if (context.cdText) {
                    const TrackText text = trackText(playlist.gameData().table(), *entry);
                    cueOk = cueOk && writeLine("    TITLE " + quoted(text.title)) &&
                            writeLine("    PERFORMER " + quoted(text.artist));
                }
                cueOk = cueOk && writeLine(cueIndexLine(f));
            }
            ++cdTrack;
        }
        playlist.playlistScroll = index;
        if (view) view->drawViewNow();
        if (context.onEntry) context.onEntry(index, playlist.trackCount);
        exportTrack(*entry, resampler, context.positionCallback);
        if (resampler.failed() || !cueOk) break;  // a full disk: no point decoding the rest
    }
    if (cue) cueOk = cueOk && writeLine("") && writeLine("") && cue->finishWriting();
    // The padded end of the image: the last CD track runs up to here.
    const int64_t endFrame = resampler.cdFramePosition();

    playlist.exportActive = false;
    if (context.resumeOutput) context.resumeOutput();
    if (view) view->invalidate();
    const bool audioOk = resampler.finishExport();
    // The WAV first: a CUE sheet must never name an image that is not there.
    const bool wavOk = audioOk && cueOk && wav.commit();
    if (wavOk && (!cue || cue->commit())) {
        if (cdImage)
            for (std::size_t t = 0; t < cdTrackStarts.size(); ++t) {
                int64_t end = t + 1 < cdTrackStarts.size() ? cdTrackStarts[t + 1] : endFrame;
                if (end - cdTrackStarts[t] < kMinCdTrackFrames) context.shortCdTracks.push_back(int32_t(t + 1));
            }
        return ExportOutcome::Done;
    }
    const bool wavFailed = !audioOk || (cueOk && !wavOk);
    prompts.message(kErrorCaption, wavFailed ? "Failed to write wave file" : "Failed to write CUE file");
    return ExportOutcome::Failed;
}

}  // namespace vh
