// Soak run of playback and the playlist: memory must come back and the sound
// must be exactly what the decoder made.
//
//   soak [--hours H] [--sdl-seconds S] [--work DIR]
//
// 1. The engine on SDL's "disk" driver (a real SdlSoundOutput, real time, a
//    tick every 5 ms) plays a generated radio mix for S seconds (default 10);
//    every sample SDL wrote must be one the decoder made for that playlist
//    (× 0.3, converted as the engine does) or silence.
// 2. The engine on a TestSoundOutput, ticked faster than real time with
//    play-cursor steps of 4 to 4800 bytes, plays the mix over and over for H
//    hours of audio (default 3). Every sample written to the ring is checked
//    in order against the whole-track decode of the track playing.
// 3. 1000 previews in a row, each replacing (and destroying) the one before,
//    each checked the same way.
// 4. 100 times: a radio mix built, padded and cleared.
// Resident memory (VmRSS) is read before and after; the run fails when the
// end is more than 4 MiB above the start, or a sample is wrong.
//
// DIR is a work folder (CACHE with the lookup and stream files, the catalogue
// file beside it), e.g. demo/work after scripts/run; without it the soak
// writes a synthetic catalogue of its own into a temporary folder.

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "audio/ClipPlayer.h"
#include "audio/PlaybackEngine.h"
#include "audio/SdlSoundOutput.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistTools.h"
#include "support/TestSoundOutput.h"

namespace fs = std::filesystem;
using namespace vh;

namespace {

class QuietPrompts : public Prompts {
public:
    bool askOkCancel(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "soak: asked: %s\n", text.c_str());
        return false;
    }
    void message(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "soak: told: %s\n", text.c_str());
    }
    void endRun(int) override {
        std::fprintf(stderr, "soak: the game data is incomplete\n");
        std::exit(1);
    }
};

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') return std::atol(line.c_str() + n + 1);
    return -1;
}
long rssKiB() { return statusKiB("VmRSS"); }

// --- A synthetic work folder -------------------------------------------------

uint32_t lcg(uint32_t& x) {
    x = x * 1103515245u + 12345u;
    return x >> 16;
}

// A clip of `blocks` stereo blocks of busy ADPCM: every filter, middling shifts.
std::vector<uint8_t> clipBytes(int32_t blocks, uint32_t seed) {
    const std::size_t chunks = std::size_t(blocks + 4095) / 4096;
    std::vector<uint8_t> bytes(ClipAudio::kHeaderBytes + chunks * ClipAudio::kChunkBytes, 0);
    const uint32_t dataSize = uint32_t(blocks) * 16;
    for (int k = 0; k < 4; ++k) bytes[ClipAudio::kDataSizeOffset + std::size_t(k)] = uint8_t(dataSize >> (8 * k));
    for (int32_t i = 0; i < blocks; ++i) {
        const std::size_t chunk = ClipAudio::kHeaderBytes + std::size_t(i / 4096) * ClipAudio::kChunkBytes;
        for (std::size_t side : {ClipAudio::kLeftOffset, ClipAudio::kRightOffset}) {
            uint8_t* b = &bytes[chunk + side + std::size_t(i % 4096) * 16];
            b[0] = uint8_t((lcg(seed) % 5) << 4 | (6 + lcg(seed) % 7));
            for (int k = 2; k < 16; ++k) b[k] = uint8_t(lcg(seed));
        }
    }
    return bytes;
}

struct Maker {
    StationTable table{};
    std::vector<uint8_t> streams[kStationCount];
    std::vector<uint8_t> lookup;
    uint32_t seed = 1;

    int add(int station, ClipClass cls, const char* title, int32_t blocks) {
        Station& st = table[station];
        const int index = st.clipCount++;
        Clip& clip = st.clips[index];
        setFieldText(clip.title, title);
        clip.clipClass = cls;
        const std::vector<uint8_t> bytes = clipBytes(blocks, seed++);
        clip.offset = uint32_t(streams[station].size());
        clip.length = uint32_t(bytes.size() - ClipAudio::kHeaderBytes);
        streams[station].insert(streams[station].end(), bytes.begin(), bytes.end());
        for (uint32_t v : {uint32_t(station), clip.offset, clip.length})
            for (int k = 0; k < 4; ++k) lookup.push_back(uint8_t(v >> (8 * k)));
        return index;
    }
    void song(int station, const char* title, int intros, int outros) {
        const int index = add(station, Song, title, 3000 + int32_t(lcg(seed) % 6000));
        table[station].clips[index].introCount = intros;
        table[station].clips[index].outroCount = outros;
        for (int k = 0; k < intros; ++k) add(station, Chatter, k == 0 ? "" : "Intro", 300 + int32_t(lcg(seed) % 300));
        for (int k = 0; k < outros; ++k) add(station, Chatter, k == 0 ? "" : "Outro", 300 + int32_t(lcg(seed) % 300));
    }
};

void writeAll(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    if (!out) {
        std::fprintf(stderr, "soak: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

void writeSyntheticWork(const fs::path& dir) {
    Maker m;
    buildDefaultCatalogue(m.table);
    constexpr int kCH = 4;
    m.add(kCH, Ident, "Ident", 200);
    m.add(kCH, Ident, "Ident 2", 250);
    m.add(kCH, Opener, "Opener", 400);
    for (int i = 0; i < 10; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "Song %d", i + 1);
        m.song(kCH, title, 1 + i % 3, 1 + i % 2);
        if (i % 3 == 0) m.add(kCH, Chatter, "Talk", 500 + i * 40);
    }
    for (int i = 0; i < 6; ++i) m.add(kCommercialStation, Commercial, "Ad", 600 + i * 100);
    fs::create_directories(dir / "CACHE");
    writeAll(dir / "CACHE" / kTrackLookupName, m.lookup.data(), m.lookup.size());
    for (int s = 0; s < kStationCount; ++s)
        writeAll(dir / "CACHE" / (std::string(fieldText(m.table[s].pakName)) + ".PAK"), m.streams[s].data(),
                 m.streams[s].size());
    writeAll(dir / kCatalogueFileName, &m.table, sizeof m.table);
}

// --- What the engine must write ------------------------------------------------

int16_t engineSample(float decodedScaled) {
    // The player's gain, then the engine's conversion of the mix.
    const double scaled = double(decodedScaled * ClipPlayer::kGain) * 32767.0;
    if (scaled >= 32767.0) return 32767;
    if (scaled <= -32768.0) return -32768;
    return int16_t(scaled);
}

struct Collect : FrameSink {
    std::vector<int16_t> samples;
    void pushFrames(const float* interleaved, int32_t frames) override {
        for (int32_t i = 0; i < 2 * frames; ++i) samples.push_back(engineSample(interleaved[i]));
    }
};

std::vector<int16_t> expectedSamples(PlaylistTrack& track) {
    Collect c;
    exportTrack(track, c, nullptr);
    return std::move(c.samples);
}

// Follows what is written into the ring, sample by sample.
struct Checker {
    std::deque<int16_t> expected;
    uint64_t checked = 0;
    uint64_t silent = 0;
    uint64_t wrong = 0;

    void expect(const std::vector<int16_t>& samples) { expected.assign(samples.begin(), samples.end()); }
    void append(const std::vector<int16_t>& samples) { expected.insert(expected.end(), samples.begin(), samples.end()); }
    void take(const int16_t* samples, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            int16_t want = 0;
            if (!expected.empty()) {
                want = expected.front();
                expected.pop_front();
            } else {
                ++silent;
            }
            if (samples[i] != want && wrong++ < 5)
                std::fprintf(stderr, "soak: sample %llu is %d, the decoder made %d\n",
                             static_cast<unsigned long long>(checked), samples[i], want);
            ++checked;
        }
    }
};

// One tick after the play cursor moved on by `bytes`; the span the engine
// wrote goes to the checker.
void tick(TestSoundOutput& out, uint32_t bytes, Checker& checker) {
    const uint32_t from = PlaybackEngine::instance()->writePosition();
    out.advance(bytes);
    PlaybackEngine::onTimer();
    const uint32_t first = std::min(bytes, SoundOutput::kRingBytes - from);
    checker.take(&out.ring()[from / 2], first / 2);
    checker.take(&out.ring()[0], (bytes - first) / 2);
}

struct Control : PlaybackControl {
    ClipPlayer* player = nullptr;
    void playTrack(PlaylistTrack* track, int32_t startPart) override { player->startTrack(track, startPart); }
};

int busiestStation(const StationTable& table) {
    int best = -1, bestSongs = -1;
    for (int s = 0; s < kStationCount; ++s) {
        if (!table[s].listed) continue;
        int songs = 0;
        for (int c = 0; c < table[s].clipCount; ++c) songs += table[s].clips[c].clipClass == Song;
        if (songs > bestSongs) best = s, bestSongs = songs;
    }
    return best;
}

double playlistSeconds(const Playlist& playlist) {
    int64_t frames = 0;
    for (const PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) frames += trackSamples(*t);
    return double(frames) / 24000.0;
}

}  // namespace

int main(int argc, char** argv) {
    double hours = 3.0;
    int sdlSeconds = 10;
    fs::path work;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hours" && i + 1 < argc) hours = std::atof(argv[++i]);
        else if (arg == "--sdl-seconds" && i + 1 < argc) sdlSeconds = std::atoi(argv[++i]);
        else if (arg == "--work" && i + 1 < argc) work = argv[++i];
        else {
            std::fprintf(stderr, "usage: soak [--hours H] [--sdl-seconds S] [--work DIR]\n");
            return 2;
        }
    }
    std::string tempPattern = (fs::temp_directory_path() / "vhsoak-XXXXXX").string();
    if (!mkdtemp(tempPattern.data())) return 1;
    const fs::path temp = tempPattern;
    if (work.empty()) {
        work = temp / "work";
        writeSyntheticWork(work);
    }

    QuietPrompts prompts;
    GameData data(prompts, [] { return std::vector<fs::path>{}; }, work);
    data.loadCatalogue();
    const int station = busiestStation(data.table());
    std::printf("soak: work folder %s, station %s (%d clips), catalogue file %s\n", work.c_str(),
                data.table()[station].pakName, data.table()[station].clipCount,
                data.catalogueFileInUse() ? "in use" : "not in use");

    ClipPlayer player;
    Control control;
    control.player = &player;
    Playlist playlist(data, nullptr, &control);
    player.setCallback([&](PlaylistTrack* t, int32_t f) { playlist.reportPosition(t, f); });
    PlaylistTools tools(playlist, processRandom());
    bool failed = false;

    // 1. Real time through SDL's disk driver.
    {
        const fs::path raw = temp / "sdl.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
        processRandom().seed(1);
        tools.createRadioMix(station);
        std::set<int16_t> allowed{0};
        for (PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next)
            for (int16_t v : expectedSamples(*t)) allowed.insert(v);
        const long before = rssKiB();
        if (!PlaybackEngine::create(std::make_unique<SdlSoundOutput>(), prompts, nullptr)) return 1;
        PlaybackEngine::instance()->attachSource(player);
        player.startTrack(playlist.first(), 0);
        auto next = std::chrono::steady_clock::now();
        const auto end = next + std::chrono::seconds(sdlSeconds);
        while (next < end) {
            next += std::chrono::milliseconds(5);
            std::this_thread::sleep_until(next);
            PlaybackEngine::onTimer();
        }
        player.startTrack(nullptr, 0);
        PlaybackEngine::shutdownEngine();
        playlist.clearPlaylist();
        std::vector<int16_t> written(fs::file_size(raw) / 2);
        std::ifstream in(raw, std::ios::binary);
        in.read(reinterpret_cast<char*>(written.data()), std::streamsize(written.size() * 2));
        uint64_t foreign = 0, sounding = 0;
        for (int16_t v : written) {
            foreign += !allowed.count(v);
            sounding += v != 0;
        }
        std::printf("sdl:      %d s real time, %zu samples written by SDL (%llu not silent), %llu not from the "
                    "decoder; %zu distinct values allowed; RSS %ld -> %ld KiB\n",
                    sdlSeconds, written.size(), static_cast<unsigned long long>(sounding),
                    static_cast<unsigned long long>(foreign), allowed.size(), before, rssKiB());
        failed |= foreign != 0 || sounding == 0;
    }

    auto output = std::make_unique<TestSoundOutput>();
    TestSoundOutput& out = *output;
    if (!PlaybackEngine::create(std::move(output), prompts, nullptr)) return 1;
    PlaybackEngine::instance()->attachSource(player);
    Checker checker;
    malloc_trim(0);
    const long start = rssKiB();
    long peak = start;
    uint32_t stepSeed = 7;
    auto step = [&] { return 4 * (1 + lcg(stepSeed) % 1200); };  // 4 to 4800 bytes

    // 2. Hours of the mix, faster than real time.
    {
        processRandom().seed(2);
        tools.createRadioMix(station);
        const double passSeconds = playlistSeconds(playlist);
        const int32_t entries = playlist.trackCount;
        std::vector<int16_t> pass;
        for (PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) {
            std::vector<int16_t> s = expectedSamples(*t);
            pass.insert(pass.end(), s.begin(), s.end());
        }
        const uint64_t target = uint64_t(hours * 3600.0 * 24000.0 * 4.0);
        uint64_t bytesPlayed = 0;
        int passes = 0;
        while (bytesPlayed < target) {
            if (checker.expected.empty()) {
                // Played through (and fallen silent): once more from the top.
                player.startTrack(playlist.first(), 0);
                checker.expect(pass);
                ++passes;
            }
            const uint32_t bytes = step();
            tick(out, bytes, checker);
            bytesPlayed += bytes;
            if ((bytesPlayed & 0xFFFFF) < bytes) peak = std::max(peak, rssKiB());
        }
        player.startTrack(nullptr, 0);
        playlist.clearPlaylist();
        pass = {};
        checker.expected = {};
        malloc_trim(0);
        const long afterPlay = rssKiB();
        std::printf("playlist: %d entries, %.0f s a pass, %d passes, %.2f h of audio; %llu samples checked "
                    "(%llu of idle silence), %llu wrong; RSS %ld -> peak %ld -> %ld KiB\n",
                    entries, passSeconds, passes, double(bytesPlayed) / (4.0 * 24000.0 * 3600.0),
                    static_cast<unsigned long long>(checker.checked), static_cast<unsigned long long>(checker.silent),
                    static_cast<unsigned long long>(checker.wrong), start, peak, afterPlay);
        failed |= checker.wrong != 0;
    }

    // 3. 1000 previews, each replacing the one before.
    {
        const Station& st = data.table()[station];
        std::vector<int> clips;
        for (int c = 0; c < st.clipCount; c = nextTopLevel(st, c)) clips.push_back(c);
        const uint64_t wrongBefore = checker.wrong, checkedBefore = checker.checked;
        for (int i = 0; i < 1000; ++i) {
            auto track = playlist.createTrack(station, &st.clips[clips[std::size_t(i) % clips.size()]]);
            playlist.loadTrackAudio(*track, WaitDisplay::TransportOnly);
            const std::vector<int16_t> samples = expectedSamples(*track);
            player.startTrack(PreviewTrack(track.release()), 0);
            checker.expect(samples);
            for (int k = 0; k < 20; ++k) tick(out, step(), checker);
            if (i % 50 == 0) peak = std::max(peak, rssKiB());
        }
        player.startTrack(nullptr, 0);
        malloc_trim(0);
        // A preview that is not destroyed when the next replaces it keeps its
        // audio: the resident memory checked at the end grows by far more
        // than the allowance.
        std::printf("previews: 1000 played; %llu samples checked, %llu wrong; RSS %ld KiB\n",
                    static_cast<unsigned long long>(checker.checked - checkedBefore),
                    static_cast<unsigned long long>(checker.wrong - wrongBefore), rssKiB());
        failed |= checker.wrong != wrongBefore;
    }

    // 4. Build, pad and clear, 100 times.
    {
        int64_t made = 0;
        for (int i = 0; i < 100; ++i) {
            processRandom().seed(uint32_t(100 + i));
            tools.createRadioMix(station);
            tools.pad(station);
            made += playlist.trackCount;
            int32_t length = 0;
            for (PlaylistTrack* t = playlist.first(); t != playlist.sentinel(); t = t->next) ++length;
            if (length != playlist.trackCount) {
                std::printf("round %d: trackCount %d, list length %d\n", i, playlist.trackCount, length);
                failed = true;
            }
            if (i % 10 == 0) peak = std::max(peak, rssKiB());
            playlist.clearPlaylist();
        }
        malloc_trim(0);
        std::printf("tools:    100 mixes built, padded and cleared (%lld entries in all); RSS %ld KiB\n",
                    static_cast<long long>(made), rssKiB());
    }

    PlaybackEngine::shutdownEngine();
    checker.expected = {};
    malloc_trim(0);
    const long end = rssKiB();
    const long margin = 4096;
    std::printf("memory:   RSS start %ld KiB, peak %ld KiB (high-water mark %ld KiB), end %ld KiB: %+ld KiB "
                "(margin %ld)\n",
                start, peak, statusKiB("VmHWM"), end, end - start, margin);
    failed |= end - start > margin;
    std::error_code ec;
    fs::remove_all(temp, ec);
    std::printf("soak: %s\n", failed ? "FAILED" : "passed");
    return failed ? 1 : 0;
}
