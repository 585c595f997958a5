#include "export/Exporter.h"

#include <cstdio>
#include <string_view>

namespace vh {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorCaption = "Error";

// CUE sheets are read by burning programs on Windows too, so their lines end
// in CR LF on every platform.
bool writeLine(std::FILE* file, const std::string& line) {
    std::string text = line + "\r\n";
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

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

ExportOutcome exportPlaylist(ExportContext& context, bool cdImage) {
    FileChooser chooser{cdImage ? "Export CD Image" : "Export wave file", "Wave files (*.wav)", "wav", ""};
    auto path = context.prompts.chooseSaveFile(chooser);
    if (!path) return ExportOutcome::Cancelled;
    return exportToPath(context, cdImage, *path);
}

ExportOutcome exportToPath(ExportContext& context, bool cdImage, const fs::path& wavPath) {
    Playlist& playlist = context.playlist;
    Prompts& prompts = context.prompts;
    if (playlist.trackCount == 0) return ExportOutcome::Failed;
    if (!hasWavExtension(wavPath)) {
        prompts.message(kErrorCaption, "This program can only export wave (*.wav) files");
        return ExportOutcome::Failed;
    }
    const fs::path cuePath = cuePathFor(wavPath);
    std::error_code ec;

    std::FILE* wav = std::fopen(wavPath.c_str(), "wb");
    if (!wav) {
        prompts.message(kErrorCaption, "Failed to open wave file");
        return ExportOutcome::Failed;
    }
    std::FILE* cue = nullptr;
    if (cdImage) {
        cue = std::fopen(cuePath.c_str(), "wb");
        if (!cue) {
            std::fclose(wav);
            fs::remove(wavPath, ec);  // nothing but an empty file would remain
            prompts.message(kErrorCaption, "Failed to open CUE file");
            return ExportOutcome::Failed;
        }
    }
    bool cueOk = !cue || writeLine(cue, "FILE \"" + wavPath.string() + "\" WAVE");

    ViewHooks* view = playlist.view();
    if (view) view->drawViewNow();
    Resampler resampler(context.resampler);
    resampler.beginExport(wav, 24000, cdImage ? 44100 : 24000);  // the resampler owns the file from here
    if (context.playback) context.playback->playTrack(nullptr, 0);
    if (context.stopOutput) context.stopOutput();
    playlist.exportActive = true;

    int32_t cdTrack = 1;
    int32_t index = 0;
    for (PlaylistTrack* entry = playlist.first(); entry != playlist.sentinel(); entry = entry->next, ++index) {
        if (entry->clip->clipClass == Song || cdTrack == 1 || context.trackLayout == 0) {
            int64_t f = resampler.cdFramePosition();
            if (cue) cueOk = cueOk && writeLine(cue, format("  TRACK %02lld AUDIO", cdTrack)) && writeLine(cue, cueIndexLine(f));
            ++cdTrack;
        }
        playlist.playlistScroll = index;
        if (view) view->drawViewNow();
        if (context.onEntry) context.onEntry(index, playlist.trackCount);
        exportTrack(*entry, resampler, context.positionCallback);
        if (resampler.failed() || !cueOk) break;  // a full disk: no point decoding the rest
    }
    if (cue) {
        cueOk = cueOk && writeLine(cue, "") && writeLine(cue, "");
        cueOk = (std::fclose(cue) == 0) && cueOk;
    }

    playlist.exportActive = false;
    if (context.resumeOutput) context.resumeOutput();
    if (view) view->invalidate();
    const bool wavOk = resampler.finishExport();

    if (wavOk && cueOk) return ExportOutcome::Done;
    // An incomplete CD image would look finished to a burning program.
    fs::remove(wavPath, ec);
    if (cdImage) fs::remove(cuePath, ec);
    prompts.message(kErrorCaption, wavOk ? "Failed to write CUE file" : "Failed to write wave file");
    return ExportOutcome::Failed;
}

}  // namespace vh
