// Resampler throughput: N minutes (default 74, a full CD) of generated stereo
// music pushed 28 frames at a time, as the export does, into a WAV file in
// /tmp, for every conversion path at 24000 → 44100 and 24000 → 24000. Prints
// wall seconds, × real time and processor seconds per path, and checks that every path wrote the same
// file. Times `sox` on the same audio when it is installed.
//
//   resample_bench [minutes]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "audio/Resampler.h"

using namespace vh;

namespace {

constexpr int32_t kInRate = 24000;

// One minute of music-like audio, decoded-style (16-bit values × 2^-15):
// chords with harmonics and decaying notes, a bass line, a noisy hi-hat,
// the channels differently mixed. The bench loops it.
std::vector<float> makeMusic() {
    const int64_t frames = 60 * kInRate;
    std::vector<float> v(size_t(2 * frames));
    const double scale[] = {261.63, 293.66, 329.63, 392.0, 440.0, 523.25, 587.33, 659.25};
    uint32_t noise = 12345;
    for (int64_t i = 0; i < frames; ++i) {
        double t = double(i) / kInRate;
        int64_t beat = int64_t(t * 8.0);
        double inBeat = t * 8.0 - double(beat);
        double env = std::exp(-4.0 * inBeat);
        double f = scale[(beat * 3 + beat / 8) % 8];
        double note = 0.0;
        for (int h = 1; h <= 5; ++h) note += std::sin(2 * M_PI * f * h * t) / h;
        double bass = std::sin(2 * M_PI * scale[(beat / 4) % 8] / 4 * t);
        noise = noise * 1103515245u + 12345u;
        double hat = (beat % 2 == 1) ? (double(noise >> 16 & 0x7fff) / 16384.0 - 1.0) * std::exp(-30.0 * inBeat) : 0.0;
        double l = 0.3 * env * note + 0.25 * bass + 0.08 * hat;
        double r = 0.25 * env * note + 0.3 * bass - 0.1 * hat;
        v[size_t(2 * i)] = float(std::lround(std::clamp(l, -1.0, 0.99997) * 32768.0)) / 32768.0f;
        v[size_t(2 * i + 1)] = float(std::lround(std::clamp(r, -1.0, 0.99997) * 32768.0)) / 32768.0f;
    }
    return v;
}

// FNV-1a over the file, to show that every path wrote the same bytes.
uint64_t fileHash(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    uint64_t h = 1469598103934665603ull;
    std::vector<unsigned char> buf(1 << 20);
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0)
        for (size_t i = 0; i < n; ++i) h = (h ^ buf[i]) * 1099511628211ull;
    std::fclose(f);
    return h;
}

struct Run {
    const char* name;
    ResamplerKernel kernel;
    int32_t threads;
};

// Processor time of the whole process (all threads), user and system.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress shows when piped
    double minutes = argc > 1 ? std::atof(argv[1]) : 74.0;
    if (!(minutes > 0)) {
        std::fprintf(stderr, "usage: resample_bench [minutes]\n");
        return 2;
    }
    const int64_t totalFrames = int64_t(minutes * 60.0 * kInRate);
    const double audioSeconds = double(totalFrames) / kInRate;
    const std::vector<float> music = makeMusic();
    const int64_t loopFrames = int64_t(music.size() / 2);
    const std::string out = "/tmp/vh_resample_bench_" + std::to_string(::getpid()) + ".wav";
    const int32_t hw = int32_t(std::max(1u, std::thread::hardware_concurrency()));

    std::printf("%.1f minutes of audio (%lld frames at 24000 Hz), %d hardware threads\n", minutes,
                (long long)totalFrames, hw);

    const Run runs[] = {
        {"reference", ResamplerKernel::Reference, 1}, {"portable", ResamplerKernel::Portable, 1},
        {"avx2", ResamplerKernel::Avx2, 1},           {"avx512", ResamplerKernel::Avx512, 1},
        {"threaded (auto)", ResamplerKernel::Auto, 0},
    };
    double threadedSeconds44 = 0;
    for (int32_t outRate : {44100, 24000}) {
        std::printf("\n24000 -> %d\n", outRate);
        uint64_t firstHash = 0;
        for (const Run& run : runs) {
            if (!Resampler::kernelSupported(run.kernel)) {
                std::printf("  %-16s  skipped: processor lacks it\n", run.name);
                continue;
            }
            ResamplerOptions options;
            options.kernel = run.kernel;
            options.threads = run.threads;
            Resampler r(options);
            std::FILE* f = std::fopen(out.c_str(), "wb");
            if (!f) {
                std::perror(out.c_str());
                return 1;
            }
            auto start = std::chrono::steady_clock::now();
            double cpuStart = cpuSeconds();
            r.beginExport(f, kInRate, outRate);
            for (int64_t at = 0; at < totalFrames;) {
                int64_t inLoop = at % loopFrames;
                int32_t n = int32_t(std::min<int64_t>({28, totalFrames - at, loopFrames - inLoop}));
                r.pushFrames(&music[size_t(2 * inLoop)], n);
                at += n;
            }
            bool ok = r.finishExport();
            double s = seconds(start, std::chrono::steady_clock::now());
            double cpu = cpuSeconds() - cpuStart;
            uint64_t h = fileHash(out);
            if (!firstHash) firstHash = h;
            std::printf("  %-16s %8.3f s  %9.1f x real time  (cpu %.3f s)  %s%s\n", run.name, s, audioSeconds / s, cpu,
                        h == firstHash ? "same bytes" : "DIFFERENT BYTES", ok ? "" : "  (write failed)");
            if (run.threads == 0 && outRate == 44100) threadedSeconds44 = s;
            std::remove(out.c_str());
        }
    }

    std::printf("\nsox\n");
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        std::printf("  not installed: skipped\n");
        return 0;
    }
    // The same audio as a 24 kHz WAV, written with the resampler's own pass-through.
    const std::string in = "/tmp/vh_resample_bench_in_" + std::to_string(::getpid()) + ".wav";
    {
        ResamplerOptions options;
        Resampler r(options);
        r.beginExport(std::fopen(in.c_str(), "wb"), kInRate, kInRate);
        for (int64_t at = 0; at < totalFrames;) {
            int64_t inLoop = at % loopFrames;
            int32_t n = int32_t(std::min<int64_t>({65536, totalFrames - at, loopFrames - inLoop}));
            r.pushFrames(&music[size_t(2 * inLoop)], n);
            at += n;
        }
        r.finishExport();
    }
    std::string command = "sox '" + in + "' -r 44100 '" + out + "'";
    auto start = std::chrono::steady_clock::now();
    int status = std::system(command.c_str());
    double s = seconds(start, std::chrono::steady_clock::now());
    if (status != 0) {
        std::printf("  sox failed (status %d)\n", status);
    } else {
        std::printf("  %-16s %8.3f s  %9.1f x real time", "sox -r 44100", s, audioSeconds / s);
        if (threadedSeconds44 > 0) std::printf("  (threaded path is %.2f x as fast)", s / threadedSeconds44);
        std::printf("\n");
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
