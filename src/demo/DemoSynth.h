#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Audio for the synthetic demo disc: small songs, the phrases around them,
// speech-like talk, jingles and commercials, all made in code at 24000 Hz and
// fully determined by the random generator they are given.
namespace vh::demo {

constexpr double kSampleRate = 24000.0;

// A small deterministic generator (splitmix64), the same on every platform,
// unlike the standard library's distributions.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double uniform();                      // [0, 1)
    double range(double lo, double hi);    // [lo, hi)
    int between(int lo, int hi);           // lo..hi inclusive
    bool chance(double probability);
    template <class T, std::size_t N>
    T pick(const std::array<T, N>& items) { return items[std::size_t(between(0, int(N) - 1))]; }
    // An independent generator for a sub-task, so adding draws to one task
    // does not change another's.
    Random fork() { return Random(next()); }

private:
    uint64_t state_;
};

// Float stereo audio at kSampleRate, full scale ±1.
struct Stereo {
    std::vector<float> left, right;

    std::size_t frames() const { return left.size(); }
    double seconds() const { return double(frames()) / kSampleRate; }
    // Grows to at least `count` frames, new frames silent.
    void ensure(std::size_t count);
    // Adds `other` from `atSeconds` on, scaled by `gain`.
    void mix(const Stereo& other, double atSeconds, double gain = 1.0);
    float peak() const;
};

enum class Groove { Rock, Country, Dance, Swing, Funk, Reggae, HipHop, Folk, Classical };
enum class Timbre { Sine, Square, Saw, Organ, ElectricPiano, Mallet, Flute, Pluck, Strings, Bass, SynthBass };

// What a station's music sounds like; each song varies it.
struct MusicStyle {
    Groove groove;
    int tempoLow, tempoHigh;  // beats per minute
    bool minor;
    bool sevenths;
    Timbre lead, chords, bass;
    double echo;              // amount of stereo echo, 0..0.4
};

// One note of a melody motif, on a grid of 16 steps per bar.
struct MotifNote {
    int step;
    int length;   // steps
    int degree;   // scale steps above the bar's chord root
};

// Everything needed to play a song and the phrases around it.
struct Song {
    MusicStyle style;
    double tempo = 120.0;
    int rootMidi = 60;                 // the key's tonic near middle C
    std::array<int, 4> progression{};  // chord roots as scale degrees
    std::vector<MotifNote> motifs[3];  // bar motifs; phrases run A B A C
    int bars = 8;                      // groove bar, melody bars, final bar
    uint64_t seed = 0;                 // drum and pluck noise

    double barSeconds() const { return 240.0 / tempo; }
};

// A speaker: pitch, vocal tract size and pace.
struct Voice {
    double pitchHz;
    double formantScale;      // 1.0 a low voice, about 1.17 a high one
    double syllablesPerSecond;
    bool telephone;           // band-limited like a phone line
};

// Makes up a song of about `seconds` in the given style.
Song composeSong(const MusicStyle& style, double seconds, Random& random);

// The whole song: a groove bar, the melody, a final chord that rings out.
Stereo songAudio(const Song& song);
// `bars` bars of the song's groove without the melody, fading in and ending
// on a bar line so that the song can follow at once.
Stereo introAudio(const Song& song, int bars);
// `bars` closing bars of the song's chords, then a final chord ringing for
// `ringSeconds` as it fades out.
Stereo outroAudio(const Song& song, int bars, double ringSeconds);
// A soft bed of the song's chords and bass without drums, about `seconds`.
Stereo bedAudio(const Song& song, double seconds);
// A short rising sting on the song's tonic for station idents.
Stereo stingAudio(const Song& song);
// The song's drums alone for `bars` bars.
Stereo drumLoopAudio(const Song& song, int bars);

// Speech-like talk of about `seconds` (ending with its last syllable):
// syllables of formant-filtered voice and noise in words and phrases with a
// falling pitch line.
Stereo speechAudio(const Voice& voice, double seconds, Random& random);
// Speech over music: the music dips while the voice talks.
Stereo voiceOver(const Stereo& music, const Stereo& speech, double atSeconds);
// A jingle-like commercial of about `seconds` with an announcer.
Stereo commercialAudio(const Voice& announcer, double seconds, Random& random);
// Slowly moving filtered noise with distant tones: wind, sea, a harbour.
Stereo ambienceAudio(double seconds, Random& random);

// 16-bit interleaved stereo scaled by `gain`; peaks above 0.9 are softly
// limited so nothing clips, and the ends get a short fade against clicks.
std::vector<int16_t> toPcm(const Stereo& audio, double gain);
// toPcm with the gain that brings the peak to `peak`.
std::vector<int16_t> normalisedPcm(const Stereo& audio, double peak);

}  // namespace vh::demo
