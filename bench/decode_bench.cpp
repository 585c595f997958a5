// Decodes every clip of a disc (the demo disc by default) and prints the
// decoding speed in multiples of real time.
//
//   build/bench/decode_bench [DISC_DIR]   (without DIR a demo disc is written to a temp folder)

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "audio/Decoder.h"
#include "demo/DemoDisc.h"
#include "gamedata/GameData.h"

#include "QuietPrompts.h"

using namespace vh;

int main(int argc, char** argv) {
    fs::path disc;
    if (argc > 1) {
        disc = argv[1];
    } else {
        disc = fs::temp_directory_path() / "vh-decode-bench";
        fs::remove_all(disc);
        std::string error;
        if (!writeDemoDisc(disc, 1, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    QuietPrompts prompts;
    GameData data(prompts, [disc] { return std::vector<fs::path>{disc}; }, disc);
    data.loadCatalogue();

    // Load first, so that only decoding is timed.
    std::vector<std::unique_ptr<ClipAudio>> clips;
    for (int s = 0; s < kStationCount; ++s)
        for (int c = 0; c < data.table()[s].clipCount; ++c)
            if (auto audio = data.loadClipData(s, c)) clips.push_back(std::move(audio));

    int64_t frames = 0;
    int64_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 5; ++round) {
        for (const auto& audio : clips) {
            PartCursor cursor;
            cursor.open(*audio);
            PredictorState left, right;
            int16_t block[56];
            while (!cursor.atEnd()) {
                cursor.nextStereoBlock(block, left, right);
                checksum += block[0] + block[55];
                frames += 28;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("decoded %zu clips x5: %.1f s of audio in %.3f s = %.0fx real time (checksum %lld)\n", clips.size(),
                double(frames) / 24000.0, seconds, double(frames) / 24000.0 / seconds, (long long)checksum);
    return 0;
}
