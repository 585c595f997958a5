// Exports a long playlist (74 minutes by default) made from the demo disc as
// a CD image and as a 24000 Hz WAV file, and prints the speed of each in
// multiples of real time; with sox installed, also how long sox takes to
// convert the same 24000 Hz audio to 44100 Hz, measured in the same run.
// Then Export Tracks in every format (FLAC at 24000 and 44100 Hz, MP3, Opus)
// against the CD image of the same run; the machine's load average is
// printed before and after, since the encoders use every core.
//
//   build/bench/export_bench [MINUTES] [DISC_DIR]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "demo/DemoDisc.h"
#include "export/Exporter.h"
#include "export/TrackExporter.h"

#include "QuietPrompts.h"

using namespace vh;

namespace {


double timeExport(Playlist& playlist, Prompts& prompts, bool cd, const fs::path& out, ResamplerOptions options) {
    ExportContext context(playlist, prompts);
    context.resampler = options;
    const auto start = std::chrono::steady_clock::now();
    if (exportToPath(context, cd, out) != ExportOutcome::Done) std::exit(1);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double timeTracks(Playlist& playlist, Prompts& prompts, TrackFormat format, int32_t rate, const fs::path& folder) {
    ExportContext context(playlist, prompts);
    context.trackLayout = 1;  // one file per song, as a player's library would hold them
    const auto start = std::chrono::steady_clock::now();
    TrackExportRequest request{folder, format, rate, false, 0};
    if (exportTracksTo(context, request).outcome != ExportOutcome::Done) std::exit(1);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove_all(folder);
    return seconds;
}

std::string loadAverage() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    char line[128] = "unknown";
    if (f) {
        if (!std::fgets(line, sizeof line, f)) line[0] = 0;
        std::fclose(f);
    }
    std::string s = line;
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

const char* kernelName(ResamplerKernel k) {
    switch (k) {
    case ResamplerKernel::Auto: return "auto";
    case ResamplerKernel::Reference: return "reference";
    case ResamplerKernel::Portable: return "portable";
    case ResamplerKernel::Avx2: return "avx2";
    case ResamplerKernel::Avx512: return "avx512";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 74.0;
    const fs::path tmp = fs::temp_directory_path() / "vh-export-bench";
    fs::path disc = argc > 2 ? fs::path(argv[2]) : tmp / "disc";
    if (argc <= 2 && !fs::exists(disc / "VarnholtRadioInfo.dat")) {
        std::string error;
        if (!writeDemoDisc(disc, 1, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    fs::create_directories(tmp);
    QuietPrompts prompts;
    GameData data(prompts, [disc] { return std::vector<fs::path>{disc}; }, disc);
    data.loadCatalogue();

    // Every top-level clip of every listed station, round and round, until
    // the playlist is long enough.
    Playlist playlist(data);
    const int64_t target = int64_t(minutes * 60 * 24000);
    int64_t frames = 0;
    while (frames < target) {
        int64_t before = frames;
        for (int s = 0; s < kStationCount && frames < target; ++s) {
            const Station& st = data.table()[s];
            if (!st.listed) continue;
            for (int c = 0; c < st.clipCount && frames < target; c = nextTopLevel(st, c)) {
                auto t = playlist.createTrack(s, &st.clips[c]);
                playlist.loadTrackAudio(*t, WaitDisplay::None);
                frames += trackSamples(*t);
                playlist.insertBefore(std::move(t), playlist.sentinel());
                ++playlist.trackCount;
            }
        }
        if (frames == before) {
            std::fprintf(stderr, "the disc holds no audio\n");
            return 1;
        }
    }
    const double audioSeconds = double(frames) / 24000.0;
    std::printf("playlist: %d entries, %.1f minutes of audio; %u hardware threads; load average %s\n",
                playlist.trackCount, audioSeconds / 60, std::thread::hardware_concurrency(), loadAverage().c_str());

    ResamplerOptions best;
    double cd = timeExport(playlist, prompts, true, tmp / "cd.wav", best);
    std::printf("CD image (44100 Hz + CUE), %s, all cores: %.2f s = %.1fx real time\n",
                kernelName(Resampler::bestKernel()), cd, audioSeconds / cd);
    double wave = timeExport(playlist, prompts, false, tmp / "wave.wav", best);
    std::printf("WAV file (24000 Hz):                 %.2f s = %.1fx real time\n", wave, audioSeconds / wave);
    ResamplerOptions portable;
    portable.kernel = ResamplerKernel::Portable;
    portable.threads = 1;
    double slow = timeExport(playlist, prompts, true, tmp / "portable.wav", portable);
    std::printf("CD image, portable kernel, one thread: %.2f s = %.1fx real time\n", slow, audioSeconds / slow);

    if (std::system("command -v sox >/dev/null 2>&1") == 0) {
        std::string command = "sox '" + (tmp / "wave.wav").string() + "' -r 44100 '" + (tmp / "sox.wav").string() + "'";
        const auto start = std::chrono::steady_clock::now();
        int rc = std::system(command.c_str());
        double sox = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rc == 0) {
            std::printf("sox in24k.wav -r 44100 out.wav:      %.2f s = %.1fx real time\n", sox, audioSeconds / sox);
            std::printf("CD export / sox: %.2f (best), %.2f (portable, one thread)\n", cd / sox, slow / sox);
        }
    } else {
        std::printf("sox not installed: no comparison\n");
    }
    for (const char* name : {"cd.wav", "cd.cue", "wave.wav", "portable.wav", "portable.cue", "sox.wav"})
        fs::remove(tmp / name);

    // Export Tracks beside a fresh CD image, so the comparison shares the
    // machine's state.
    double image = timeExport(playlist, prompts, true, tmp / "cd.wav", best);
    fs::remove(tmp / "cd.wav");
    fs::remove(tmp / "cd.cue");
    std::printf("CD image again:                      %.2f s = %.1fx real time\n", image, audioSeconds / image);
    struct Run {
        const char* name;
        TrackFormat format;
        int32_t rate;
    } runs[] = {{"FLAC 24000 Hz", TrackFormat::Flac, 24000},
                {"FLAC 44100 Hz", TrackFormat::Flac, 44100},
                {"MP3 24000 Hz ", TrackFormat::Mp3, 24000},
                {"Opus 24000 Hz", TrackFormat::Opus, 24000}};
    for (const Run& r : runs) {
        double t = timeTracks(playlist, prompts, r.format, r.rate, tmp / "tracks");
        std::printf("Export Tracks, %s:         %.2f s = %.1fx real time (%.2f of the CD image)\n", r.name, t,
                    audioSeconds / t, t / image);
    }
    std::printf("load average afterwards: %s\n", loadAverage().c_str());
    return 0;
}
