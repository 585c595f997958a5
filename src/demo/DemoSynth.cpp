#include "demo/DemoSynth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vh::demo {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kTableSize = 2048;
constexpr int kStepsPerBar = 16;

// ---------------------------------------------------------------------------
// Building blocks

// White noise for the audio itself; much cheaper than Random per sample.
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(uint32_t(seed ^ (seed >> 32)) | 1u) {}
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return float(state_ >> 8) * (2.0f / 16777216.0f) - 1.0f;
    }

private:
    uint32_t state_;
};

// One period of a waveform, built from its harmonics and read with linear
// interpolation. Harmonic counts stay low enough for the notes they play not
// to reach past 12 kHz.
struct Wavetable {
    std::array<float, kTableSize + 1> v{};

    float at(double phase) const {
        double x = phase * kTableSize;
        int i = int(x);
        float f = float(x - i);
        return v[i] + (v[i + 1] - v[i]) * f;
    }
};

enum Shape { ShapeSine, ShapeSquare, ShapeSaw, ShapeOrgan, ShapePiano, ShapeMallet, ShapeFlute, ShapeStrings,
             ShapeBass, ShapeSynthBass, ShapeGlottal, ShapeCount };

Wavetable makeTable(const std::vector<double>& harmonics) {
    Wavetable t;
    double peak = 0.0;
    std::vector<double> raw(kTableSize);
    for (int i = 0; i < kTableSize; ++i) {
        double x = double(i) / kTableSize;
        double sum = 0.0;
        for (std::size_t h = 0; h < harmonics.size(); ++h) sum += harmonics[h] * std::sin(kTwoPi * double(h + 1) * x);
        raw[i] = sum;
        peak = std::max(peak, std::abs(sum));
    }
    for (int i = 0; i < kTableSize; ++i) t.v[i] = float(raw[i] / peak);
    t.v[kTableSize] = t.v[0];
    return t;
}

std::vector<double> harmonicSeries(int count, double power, bool oddOnly) {
    std::vector<double> h(count, 0.0);
    for (int n = 1; n <= count; ++n)
        if (!oddOnly || n % 2 == 1) h[n - 1] = 1.0 / std::pow(double(n), power);
    return h;
}

const Wavetable& table(Shape shape) {
    static const std::array<Wavetable, ShapeCount> tables = [] {
        std::array<Wavetable, ShapeCount> t;
        t[ShapeSine] = makeTable({1.0});
        t[ShapeSquare] = makeTable(harmonicSeries(9, 1.0, true));
        t[ShapeSaw] = makeTable(harmonicSeries(10, 1.0, false));
        t[ShapeOrgan] = makeTable({1.0, 0.8, 0.55, 0.45, 0.0, 0.3, 0.0, 0.2});
        t[ShapePiano] = makeTable({1.0, 0.35, 0.12, 0.08, 0.03});
        t[ShapeMallet] = makeTable({1.0, 0.0, 0.0, 0.3, 0.0, 0.0, 0.0, 0.0, 0.08});
        t[ShapeFlute] = makeTable({1.0, 0.22, 0.07, 0.02});
        t[ShapeStrings] = makeTable(harmonicSeries(8, 1.3, false));
        t[ShapeBass] = makeTable({1.0, 0.45, 0.2, 0.1});
        t[ShapeSynthBass] = makeTable(harmonicSeries(8, 1.1, false));
        // The voice's buzz: many harmonics falling gently, shaped later by
        // the formant filters.
        t[ShapeGlottal] = makeTable(harmonicSeries(40, 1.2, false));
        return t;
    }();
    return tables[shape];
}

double midiHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// Constant-power pan, -1 left .. +1 right.
void panGains(double pan, float& left, float& right) {
    double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * std::numbers::pi / 4.0;
    left = float(std::cos(angle));
    right = float(std::sin(angle));
}

// A band-pass with 0 dB at its centre.
class Bandpass {
public:
    void set(double hz, double bandwidthHz) {
        hz = std::clamp(hz, 40.0, kSampleRate * 0.45);
        double w = kTwoPi * hz / kSampleRate;
        double alpha = std::sin(w) * bandwidthHz / (2.0 * hz);
        double a0 = 1.0 + alpha;
        b0_ = alpha / a0;
        a1_ = -2.0 * std::cos(w) / a0;
        a2_ = (1.0 - alpha) / a0;
    }
    double process(double x) {
        double y = b0_ * (x - x2_) - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_ = 0.0, a1_ = 0.0, a2_ = 0.0;
    double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

// A one-pole low-pass for smoothing and gentle tone shaping.
class OnePole {
public:
    explicit OnePole(double hz = 1000.0) { set(hz); }
    void set(double hz) { k_ = 1.0 - std::exp(-kTwoPi * hz / kSampleRate); }
    double process(double x) { return y_ += k_ * (x - y_); }

private:
    double k_ = 0.0;
    double y_ = 0.0;
};

std::size_t frameAt(double seconds) { return seconds <= 0.0 ? 0 : std::size_t(seconds * kSampleRate + 0.5); }

// ---------------------------------------------------------------------------
// Instruments

struct TimbreSpec {
    Shape shape;
    double attack;        // seconds
    double decay;         // time constant of the fall to the sustain level; 0: none
    double sustain;
    double release;       // seconds
    double vibratoCents;
    double vibratoHz;
    double detuneCents;   // a second oscillator for width; 0: none
    double breath;        // noise amount
};

TimbreSpec timbreSpec(Timbre timbre) {
    switch (timbre) {
    case Timbre::Sine: return {ShapeSine, 0.01, 0.3, 0.6, 0.12, 0, 0, 0, 0};
    case Timbre::Square: return {ShapeSquare, 0.006, 0.25, 0.55, 0.08, 7, 5.5, 0, 0};
    case Timbre::Saw: return {ShapeSaw, 0.006, 0.3, 0.6, 0.1, 6, 5.0, 7, 0};
    case Timbre::Organ: return {ShapeOrgan, 0.004, 0.0, 0.9, 0.05, 0, 0, 3, 0};
    case Timbre::ElectricPiano: return {ShapePiano, 0.003, 0.6, 0.08, 0.15, 0, 0, 2, 0};
    case Timbre::Mallet: return {ShapeMallet, 0.002, 0.22, 0.0, 0.1, 0, 0, 0, 0};
    case Timbre::Flute: return {ShapeFlute, 0.05, 0.0, 0.85, 0.1, 14, 5.0, 0, 0.05};
    case Timbre::Strings: return {ShapeStrings, 0.16, 0.0, 0.9, 0.3, 9, 5.5, 9, 0};
    case Timbre::Bass: return {ShapeBass, 0.004, 0.35, 0.55, 0.05, 0, 0, 0, 0};
    case Timbre::SynthBass: return {ShapeSynthBass, 0.003, 0.15, 0.45, 0.04, 0, 0, 0, 0};
    case Timbre::Pluck: break;
    }
    return {ShapeSine, 0.01, 0.3, 0.6, 0.1, 0, 0, 0, 0};
}

// Karplus-Strong string: a noise burst circulating in a damped delay line of
// one period, read with a fractional delay so high notes stay in tune.
void addPluck(Stereo& out, double start, double length, double hz, double gain, double pan, Noise& noise) {
    constexpr std::size_t kRing = 1024;
    constexpr double kRelease = 0.08;
    hz = std::max(hz, 40.0);
    const double delay = kSampleRate / hz - 0.5;
    const std::size_t whole = std::size_t(delay);
    const double frac = delay - double(whole);
    const double damping = std::exp(-6.9 / (1.6 * hz));  // about 1.6 s to fade by 60 dB
    const std::size_t first = frameAt(start);
    const std::size_t holdFrames = frameAt(length);
    const std::size_t count = holdFrames + frameAt(kRelease);
    out.ensure(first + count);
    float gl, gr;
    panGains(pan, gl, gr);

    std::array<float, kRing> ring{};
    OnePole soften(3500.0);
    const std::size_t burst = std::size_t(delay) + 1;
    double previous = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        double excite = i < burst ? soften.process(noise.next()) : 0.0;
        double a = ring[(i + kRing - whole) % kRing];
        double b = ring[(i + kRing - whole - 1) % kRing];
        double delayed = a + (b - a) * frac;
        double y = excite + damping * 0.5 * (delayed + previous);
        previous = delayed;
        ring[i % kRing] = float(y);
        double env = i < holdFrames ? 1.0 : 1.0 - double(i - holdFrames) / double(count - holdFrames);
        float s = float(y * env * gain * 1.6);
        out.left[first + i] += s * gl;
        out.right[first + i] += s * gr;
    }
}

void addNote(Stereo& out, Timbre timbre, double start, double length, double hz, double gain, double pan,
             Noise& noise) {
    if (timbre == Timbre::Pluck) {
        addPluck(out, start, length, hz, gain, pan, noise);
        return;
    }
    const TimbreSpec spec = timbreSpec(timbre);
    const Wavetable& wave = table(spec.shape);
    const Wavetable& sine = table(ShapeSine);
    const std::size_t first = frameAt(start);
    const std::size_t holdFrames = std::max<std::size_t>(1, frameAt(length));
    const std::size_t releaseFrames = std::max<std::size_t>(1, frameAt(spec.release));
    const std::size_t count = holdFrames + releaseFrames;
    const double attackFrames = std::max(1.0, spec.attack * kSampleRate);
    out.ensure(first + count);
    float gl, gr;
    panGains(pan, gl, gr);

    const double step1 = hz / kSampleRate;
    const double step2 = step1 * std::pow(2.0, spec.detuneCents / 1200.0);
    const double vibratoDepth = spec.vibratoCents / 1200.0 * std::numbers::ln2;
    const double vibratoStep = spec.vibratoHz / kSampleRate;
    const double decayFactor = spec.decay > 0.0 ? std::exp(-1.0 / (spec.decay * kSampleRate)) : 0.0;
    const bool second = spec.detuneCents != 0.0;
    // Ramps advance by addition: no division per sample.
    const double attackStep = 1.0 / attackFrames;
    const double vibratoFadeStep = 1.0 / (0.25 * kSampleRate);
    double phase1 = 0.0, phase2 = 0.37, vibratoPhase = 0.0, decaying = 1.0;
    double attackLevel = 0.0, vibratoFade = 0.0, releaseLevel = 1.0, releaseStep = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        double env = (spec.sustain + (1.0 - spec.sustain) * decaying) * attackLevel;
        decaying *= decayFactor;
        attackLevel = std::min(1.0, attackLevel + attackStep);
        if (i == holdFrames) {
            // Release from wherever the envelope stands, down to silence.
            releaseLevel = env;
            releaseStep = env / double(releaseFrames);
        }
        if (i >= holdFrames) {
            env = releaseLevel;
            releaseLevel -= releaseStep;
        }
        double v = wave.at(phase1);
        if (second) v = 0.5 * (v + wave.at(phase2));
        if (spec.breath > 0.0) v += spec.breath * noise.next();
        // Vibrato fades in over the first quarter second.
        double vib = 1.0;
        if (vibratoDepth > 0.0) {
            vib += vibratoDepth * vibratoFade * sine.at(vibratoPhase);
            vibratoFade = std::min(1.0, vibratoFade + vibratoFadeStep);
            vibratoPhase += vibratoStep;
            if (vibratoPhase >= 1.0) vibratoPhase -= 1.0;
        }
        phase1 += step1 * vib;
        if (phase1 >= 1.0) phase1 -= 1.0;
        if (second) {
            phase2 += step2 * vib;
            if (phase2 >= 1.0) phase2 -= 1.0;
        }
        float s = float(v * env * gain);
        out.left[first + i] += s * gl;
        out.right[first + i] += s * gr;
    }
}

// Drums. Each adds one hit at `at` seconds.
enum class Drum { Kick, Snare, Hat, OpenHat, Clap, Ride, Shaker, Rim };

void addDrum(Stereo& out, Drum drum, double at, double gain, Noise& noise) {
    const Wavetable& sine = table(ShapeSine);
    double seconds = 0.0, pan = 0.0;
    switch (drum) {
    case Drum::Kick: seconds = 0.4; break;
    case Drum::Snare: seconds = 0.25; pan = 0.05; break;
    case Drum::Hat: seconds = 0.06; pan = 0.3; break;
    case Drum::OpenHat: seconds = 0.3; pan = 0.3; break;
    case Drum::Clap: seconds = 0.2; pan = -0.05; break;
    case Drum::Ride: seconds = 0.7; pan = -0.35; break;
    case Drum::Shaker: seconds = 0.09; pan = -0.4; break;
    case Drum::Rim: seconds = 0.06; pan = 0.15; break;
    }
    const std::size_t first = frameAt(at);
    const std::size_t count = frameAt(seconds);
    out.ensure(first + count);
    float gl, gr;
    panGains(pan, gl, gr);
    double phase = 0.0, previous = 0.0, previous2 = 0.0;
    Bandpass band;
    if (drum == Drum::Clap) band.set(1300.0, 900.0);
    if (drum == Drum::Rim) band.set(1800.0, 700.0);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / kSampleRate;
        const double white = noise.next();
        // Twice differenced noise: bright, for cymbals.
        const double bright = white - 2.0 * previous + previous2;
        previous2 = previous;
        previous = white;
        double v = 0.0;
        switch (drum) {
        case Drum::Kick: {
            double hz = 45.0 + 90.0 * std::exp(-t / 0.03);
            v = sine.at(phase) * std::exp(-t / 0.16);
            phase += hz / kSampleRate;
            if (phase >= 1.0) phase -= 1.0;
            break;
        }
        case Drum::Snare:
            v = 0.45 * sine.at(phase) * std::exp(-t / 0.04) + 0.35 * bright * std::exp(-t / 0.08);
            phase += 190.0 / kSampleRate;
            if (phase >= 1.0) phase -= 1.0;
            break;
        case Drum::Hat: v = 0.25 * bright * std::exp(-t / 0.016); break;
        case Drum::OpenHat: v = 0.2 * bright * std::exp(-t / 0.09); break;
        case Drum::Ride:
            v = 0.12 * bright * std::exp(-t / 0.3) + 0.1 * sine.at(phase) * std::exp(-t / 0.25);
            phase += 3170.0 / kSampleRate;
            if (phase >= 1.0) phase -= 1.0;
            break;
        case Drum::Shaker: v = 0.18 * bright * std::min(1.0, t / 0.012) * std::exp(-t / 0.03); break;
        case Drum::Clap: {
            // Three quick bursts and a short tail, as hands never meet at once.
            double e = std::exp(-std::fmod(std::min(t, 0.033), 0.011) / 0.004);
            if (t > 0.033) e = 0.6 * std::exp(-(t - 0.033) / 0.06);
            v = 2.5 * band.process(white) * e;
            break;
        }
        case Drum::Rim: v = 3.0 * band.process(white) * std::exp(-t / 0.012); break;
        }
        float s = float(v * gain);
        out.left[first + i] += s * gl;
        out.right[first + i] += s * gr;
    }
}

// ---------------------------------------------------------------------------
// Songs

constexpr int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The MIDI note of a scale degree (0 = the tonic, 7 = an octave above).
int degreeMidi(const Song& song, int degree) {
    const int* scale = song.style.minor ? kMinor : kMajor;
    int octave = floorDiv(degree, 7);
    return song.rootMidi + 12 * octave + scale[degree - 7 * octave];
}

// Folds a note into [low, low + 12).
int intoRange(int midi, int low) {
    while (midi < low) midi += 12;
    while (midi >= low + 12) midi -= 12;
    return midi;
}

// How a groove plays one bar: 16-step patterns, 'x' a hit. The bass pattern
// uses r root, f fifth, t third, o octave, a a step towards the next chord;
// the comping pattern x chords, a one chord tone at a time.
struct GroovePattern {
    const char* kick;
    const char* snare;
    const char* hat;
    const char* openHat;
    const char* clap;
    const char* ride;
    const char* shaker;
    const char* rim;
    const char* bass;
    const char* comp;
    double staccato;  // share of the gap to the next chord that a chord lasts
    double swing;     // delay of the off eighths, share of a step
    bool pad;         // soft strings under everything
};

const GroovePattern& groovePattern(Groove groove) {
    static const GroovePattern kRock{"x.....x.x.......", "....x.......x...", "x.x.x.x.x.x.x.x.", "", "", "", "", "",
                                     "r.r.r.r.r.r.r.r.", "x.......x.....x.", 0.95, 0.0, false};
    static const GroovePattern kCountry{"x.......x.......", "....x.......x...", "x.x.x.x.x.x.x.x.", "", "", "", "", "",
                                        "r.......f.......", "....x.......x...", 0.5, 0.0, false};
    static const GroovePattern kDance{"x...x...x...x...", "", "", "..x...x...x...x.", "....x.......x...", "",
                                      "xxxxxxxxxxxxxxxx", "", "..o...o...o...o.", "x...............", 1.0, 0.0, true};
    static const GroovePattern kSwing{"x.......x.......", "", "....x.......x...", "", "", "x...x.x.x...x.x.", "", "",
                                      "r...t...f...a...", "x.....x.........", 0.6, 0.33, false};
    static const GroovePattern kFunk{"x..x..x...x..x..", "....x..x.x..x...", "xxxxxxxxxxxxxxxx", "", "", "", "", "",
                                     "r..o..r...rr.f..", "..x...x...x..x..", 0.35, 0.0, false};
    static const GroovePattern kReggae{"........x.......", "", "..x...x...x...x.", "", "", "", "", "........x.......",
                                       "r.....f.r.....t.", "....x.......x...", 0.35, 0.0, false};
    static const GroovePattern kHipHop{"x......x..x.....", "....x.......x...", "x.x.x.x.x.x.x.x.", "", "", "", "", "",
                                       "r......r..f.....", "x...............", 1.0, 0.25, true};
    static const GroovePattern kFolk{"x.......x.......", "", "", "", "", "", "x.x.x.x.x.x.x.x.", "",
                                     "r.......f.......", "a.a.a.a.a.a.a.a.", 1.0, 0.0, false};
    static const GroovePattern kClassical{"", "", "", "", "", "", "", "", "r.......f.......", "a.a.a.a.a.a.a.a.", 1.0,
                                          0.0, true};
    switch (groove) {
    case Groove::Rock: return kRock;
    case Groove::Country: return kCountry;
    case Groove::Dance: return kDance;
    case Groove::Swing: return kSwing;
    case Groove::Funk: return kFunk;
    case Groove::Reggae: return kReggae;
    case Groove::HipHop: return kHipHop;
    case Groove::Folk: return kFolk;
    case Groove::Classical: return kClassical;
    }
    return kRock;
}

bool hitAt(const char* pattern, int step) {
    return pattern[0] != '\0' && pattern[step] != '.';
}

// Steps from `step` to the next hit of the pattern or the bar line.
int gapAfter(const char* pattern, int step) {
    int next = step + 1;
    while (next < kStepsPerBar && pattern[next] == '.') ++next;
    return next - step;
}

// Which parts of the arrangement play.
struct Parts {
    bool drums = true;
    bool bass = true;
    bool chords = true;
    bool melody = true;
    double level = 1.0;
};

class SongRenderer {
public:
    SongRenderer(const Song& song, Stereo& out) : song_(song), out_(out), noise_(song.seed), pattern_(groovePattern(song.style.groove)) {}

    // The chord root (a scale degree) of bar `bar` of the song; bars before 0
    // lead into it, so an intro ends on the chord before the tonic.
    int chordRoot(int bar) const { return song_.progression[std::size_t(((bar % 4) + 4) % 4)]; }

    double stepSeconds() const { return song_.barSeconds() / kStepsPerBar; }

    double stepTime(double barStart, int step) const {
        double t = barStart + step * stepSeconds();
        if (step % 4 == 2) t += pattern_.swing * stepSeconds();
        return t;
    }

    void bar(int songBar, double at, const Parts& parts) {
        const int root = chordRoot(songBar);
        const int next = chordRoot(songBar + 1);
        if (parts.drums) drums(at, parts.level, songBar);
        if (parts.bass) bass(root, next, at, parts.level);
        if (parts.chords) chords(root, at, parts.level);
        if (parts.melody) melody(songBar, root, at, parts.level);
    }

    // The tonic chord held and left to ring.
    void finalChord(double at, double length, const Parts& parts) {
        if (parts.drums && pattern_.kick[0]) {
            addDrum(out_, Drum::Kick, at, 0.5 * parts.level, noise_);
            addDrum(out_, Drum::OpenHat, at, 0.5 * parts.level, noise_);
        }
        if (parts.bass) addNote(out_, song_.style.bass, at, length, midiHz(bassNote(0)), 0.32 * parts.level, 0.0, noise_);
        if (parts.chords) {
            Timbre t = song_.style.chords == Timbre::Pluck ? Timbre::Strings : song_.style.chords;
            for (int midi : chordNotes(0)) addNote(out_, t, at, length, midiHz(midi), 0.1 * parts.level, pan(midi), noise_);
        }
        if (parts.melody)
            addNote(out_, song_.style.lead, at, length * 0.8, midiHz(melodyNote(0, 7)), 0.22 * parts.level, 0.15, noise_);
    }

    // A bar of soft chords and bass, no rhythm.
    void padBar(int songBar, double at, double length, double level) {
        const int root = chordRoot(songBar);
        addNote(out_, song_.style.bass, at, length, midiHz(bassNote(root)), 0.22 * level, 0.0, noise_);
        for (int midi : chordNotes(root)) addNote(out_, Timbre::Strings, at, length, midiHz(midi), 0.09 * level, pan(midi), noise_);
    }

    // Four notes rising to the tonic, then the tonic chord.
    void sting(double at) {
        const double step = std::min(0.11, stepSeconds());
        const int degrees[4] = {0, 2, 4, 7};
        Timbre lead = song_.style.lead == Timbre::Strings ? Timbre::Mallet : song_.style.lead;
        for (int i = 0; i < 4; ++i)
            addNote(out_, lead, at + i * step, step * (i == 3 ? 6 : 1.2), midiHz(degreeMidi(song_, 7 + degrees[i])), 0.25,
                    -0.2 + 0.15 * i, noise_);
        finalChord(at + 3 * step, 1.3, Parts{});
    }

private:
    double pan(int midi) const { return std::clamp((midi - song_.rootMidi) / 14.0, -0.6, 0.6); }

    std::vector<int> chordNotes(int root) const {
        std::vector<int> notes;
        const int count = song_.style.sevenths ? 4 : 3;
        for (int k = 0; k < count; ++k) notes.push_back(intoRange(degreeMidi(song_, root + 2 * k), song_.rootMidi - 4));
        return notes;
    }

    int bassNote(int degree) const { return intoRange(degreeMidi(song_, degree), song_.rootMidi - 26); }

    int melodyNote(int root, int offset) const {
        int midi = degreeMidi(song_, root + offset + 7);
        while (midi > song_.rootMidi + 26) midi -= 12;
        while (midi < song_.rootMidi + 4) midi += 12;
        return midi;
    }

    void drums(double at, double level, int songBar) {
        struct Line { const char* pattern; Drum drum; double gain; };
        const Line lines[] = {{pattern_.kick, Drum::Kick, 0.55},   {pattern_.snare, Drum::Snare, 0.5},
                              {pattern_.hat, Drum::Hat, 0.4},      {pattern_.openHat, Drum::OpenHat, 0.35},
                              {pattern_.clap, Drum::Clap, 0.45},   {pattern_.ride, Drum::Ride, 0.35},
                              {pattern_.shaker, Drum::Shaker, 0.3}, {pattern_.rim, Drum::Rim, 0.4}};
        for (const Line& line : lines) {
            for (int step = 0; step < kStepsPerBar; ++step) {
                if (!hitAt(line.pattern, step)) continue;
                // Beats louder than the steps between them.
                double accent = step % 4 == 0 ? 1.0 : 0.7;
                addDrum(out_, line.drum, stepTime(at, step), line.gain * accent * level, noise_);
            }
        }
        // A fill of snare hits closing every fourth bar.
        if (pattern_.snare[0] && songBar % 4 == 3)
            for (int step : {13, 14, 15}) addDrum(out_, Drum::Snare, stepTime(at, step), 0.3 * level, noise_);
    }

    void bass(int root, int next, double at, double level) {
        for (int step = 0; step < kStepsPerBar; ++step) {
            char c = pattern_.bass[step];
            if (c == '.') continue;
            int midi = bassNote(root);
            if (c == 'f') midi = bassNote(root + 4);
            if (c == 't') midi = bassNote(root + 2);
            if (c == 'o') midi = bassNote(root) + 12;
            if (c == 'a') midi = bassNote(next) + (next > root ? -1 : 1);
            double length = gapAfter(pattern_.bass, step) * stepSeconds() * 0.85;
            addNote(out_, song_.style.bass, stepTime(at, step), length, midiHz(midi), 0.32 * level, 0.0, noise_);
        }
    }

    void chords(int root, double at, double level) {
        const std::vector<int> notes = chordNotes(root);
        int arpeggio = 0;
        for (int step = 0; step < kStepsPerBar; ++step) {
            char c = pattern_.comp[step];
            if (c == '.') continue;
            double length = gapAfter(pattern_.comp, step) * stepSeconds() * pattern_.staccato;
            if (c == 'a') {
                // Up and down through the chord.
                static const int kOrder[8] = {0, 1, 2, 3, 2, 1, 0, 1};
                int k = kOrder[arpeggio++ % 8] % int(notes.size() + 1);
                int midi = k < int(notes.size()) ? notes[std::size_t(k)] : notes[0] + 12;
                addNote(out_, song_.style.chords, stepTime(at, step), length * 1.8, midiHz(midi), 0.16 * level, pan(midi), noise_);
                continue;
            }
            for (std::size_t k = 0; k < notes.size(); ++k) {
                // A strum: each string a moment after the one below.
                double strum = song_.style.chords == Timbre::Pluck ? 0.012 * double(k) : 0.0;
                addNote(out_, song_.style.chords, stepTime(at, step) + strum, length, midiHz(notes[k]), 0.1 * level,
                        pan(notes[k]), noise_);
            }
        }
        if (pattern_.pad)
            for (int midi : notes)
                addNote(out_, Timbre::Strings, at, song_.barSeconds(), midiHz(midi), 0.06 * level, -pan(midi), noise_);
    }

    void melody(int songBar, int root, double at, double level) {
        // Phrases of four bars run A B A C after the first (groove) bar.
        static const int kMotifOf[4] = {0, 1, 0, 2};
        const std::vector<MotifNote>& motif = song_.motifs[kMotifOf[((songBar - 1) % 4 + 4) % 4]];
        for (const MotifNote& note : motif) {
            double start = stepTime(at, note.step);
            double length = note.length * stepSeconds() * 0.9;
            addNote(out_, song_.style.lead, start, length, midiHz(melodyNote(root, note.degree)), 0.22 * level, 0.15,
                    noise_);
        }
    }

    const Song& song_;
    Stereo& out_;
    Noise noise_;
    const GroovePattern& pattern_;
};

// Dotted-eighth ping-pong echo: gives the dry synthesis some room.
void addEcho(Stereo& audio, double beatSeconds, double amount) {
    if (amount <= 0.0) return;
    const std::size_t delay = frameAt(beatSeconds * 0.75);
    if (delay == 0) return;
    audio.ensure(audio.frames() + 3 * delay);
    std::vector<float> dl(audio.frames(), 0.0f), dr(audio.frames(), 0.0f);
    constexpr float kFeedback = 0.35f;
    for (std::size_t i = delay; i < audio.frames(); ++i) {
        // The echo bounces from left to right and back, fainter each time.
        dl[i] = 0.5f * (audio.left[i - delay] + audio.right[i - delay]) + kFeedback * dr[i - delay];
        dr[i] = kFeedback * dl[i - delay];
    }
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        audio.left[i] += float(amount) * dl[i];
        audio.right[i] += float(amount) * dr[i];
    }
}

void fade(Stereo& audio, double inSeconds, double outSeconds) {
    const std::size_t n = audio.frames();
    const std::size_t in = std::min(n, frameAt(inSeconds));
    const std::size_t out = std::min(n, frameAt(outSeconds));
    for (std::size_t i = 0; i < in; ++i) {
        float g = float(i) / float(in);
        audio.left[i] *= g;
        audio.right[i] *= g;
    }
    for (std::size_t i = 0; i < out; ++i) {
        float g = float(i) / float(out);
        audio.left[n - 1 - i] *= g;
        audio.right[n - 1 - i] *= g;
    }
}

void truncate(Stereo& audio, double seconds) {
    std::size_t n = frameAt(seconds);
    audio.ensure(n);
    audio.left.resize(n);
    audio.right.resize(n);
}

std::vector<MotifNote> makeMotif(Random& random, bool cadence) {
    static const std::vector<std::vector<int>> kRhythms = {
        {0, 4, 8, 12},     {0, 4, 6, 8, 12},   {0, 2, 4, 8, 10, 12}, {0, 3, 6, 8, 12},  {0, 4, 8, 10, 12, 14},
        {2, 4, 6, 8, 12},  {0, 6, 8, 14},      {0, 2, 4, 6, 8, 12},  {0, 4, 7, 8, 12},  {0, 3, 6, 10, 12}};
    static const int kMoves[] = {-2, -1, -1, -1, 0, 1, 1, 1, 2, 3, -3};
    static const int kChordTones[] = {-3, 0, 2, 4, 7, 9};
    const std::vector<int>& rhythm = kRhythms[std::size_t(random.between(0, int(kRhythms.size()) - 1))];
    std::vector<MotifNote> motif;
    int degree = random.pick(std::array<int, 3>{0, 2, 4});
    for (std::size_t i = 0; i < rhythm.size(); ++i) {
        int step = rhythm[i];
        int next = i + 1 < rhythm.size() ? rhythm[i + 1] : kStepsPerBar;
        int length = std::min(next - step, 6);
        if (i > 0) degree = std::clamp(degree + kMoves[random.between(0, 10)], -2, 9);
        // Strong beats land on chord tones.
        if (step % 8 == 0) {
            int best = 0;
            for (int tone : kChordTones)
                if (std::abs(tone - degree) < std::abs(best - degree)) best = tone;
            degree = best;
        }
        motif.push_back({step, length, degree});
    }
    if (cadence) {
        // The phrase comes home: the last note is a long tonic.
        motif.back().degree = motif.back().degree > 3 ? 7 : 0;
        motif.back().length = kStepsPerBar - motif.back().step;
    }
    return motif;
}

// ---------------------------------------------------------------------------
// Speech

struct Formants {
    double f1, f2, f3;
};

constexpr Formants kVowels[] = {
    {730, 1090, 2440}, {530, 1840, 2480}, {270, 2290, 3010}, {570, 840, 2410},
    {300, 870, 2240},  {660, 1720, 2410}, {640, 1190, 2390}, {490, 1350, 1690},
};
constexpr int kVowelCount = int(sizeof kVowels / sizeof kVowels[0]);

enum class Consonant { None, S, Sh, F, Plosive, Nasal };

struct Syllable {
    double start;
    Consonant consonant;
    double consonantSeconds;
    double vowelSeconds;
    int vowel, glideTo;
    double pitch;   // Hz at the start of the vowel
    double level;
};

// Renders one syllable into a mono buffer.
void renderSyllable(std::vector<float>& mono, const Syllable& s, const Voice& voice, Noise& noise) {
    const Wavetable& glottal = table(ShapeGlottal);
    std::size_t at = frameAt(s.start);
    const std::size_t consonantFrames = frameAt(s.consonantSeconds);
    const std::size_t vowelFrames = frameAt(s.vowelSeconds);
    mono.resize(std::max(mono.size(), at + consonantFrames + vowelFrames + 1), 0.0f);

    if (s.consonant != Consonant::None && consonantFrames > 0) {
        Bandpass band;
        double gain = 0.0;
        switch (s.consonant) {
        case Consonant::S: band.set(5200 * voice.formantScale, 2600); gain = 0.5; break;
        case Consonant::Sh: band.set(2700 * voice.formantScale, 1400); gain = 0.55; break;
        case Consonant::F: band.set(4000, 4500); gain = 0.25; break;
        case Consonant::Plosive: band.set(1800, 3000); gain = 0.8; break;
        case Consonant::Nasal: band.set(260 * voice.formantScale, 120); gain = 0.0; break;
        case Consonant::None: break;
        }
        double phase = 0.0;
        for (std::size_t i = 0; i < consonantFrames; ++i) {
            double x = double(i) / double(consonantFrames);
            double v;
            if (s.consonant == Consonant::Nasal) {
                // A hummed m or n: voiced, dark and soft.
                v = 0.35 * band.process(glottal.at(phase)) * 4.0 * std::sin(std::numbers::pi * x);
                phase += s.pitch / kSampleRate;
                if (phase >= 1.0) phase -= 1.0;
            } else if (s.consonant == Consonant::Plosive) {
                // Closure, then a short burst.
                v = x < 0.6 ? 0.0 : gain * band.process(noise.next()) * std::exp(-(x - 0.6) * 12.0);
            } else {
                v = gain * band.process(noise.next()) * std::sin(std::numbers::pi * x);
            }
            mono[at + i] += float(v);
        }
        at += consonantFrames;
    }

    Bandpass f1, f2, f3;
    const Formants& from = kVowels[s.vowel];
    const Formants& to = kVowels[s.glideTo];
    const double attack = 0.015 * kSampleRate, release = 0.04 * kSampleRate;
    double phase = 0.0;
    for (std::size_t i = 0; i < vowelFrames; ++i) {
        const double x = double(i) / double(vowelFrames);
        if (i % 32 == 0) {
            // Formants move from one vowel towards the next (a diphthong).
            double g = x * x * (3.0 - 2.0 * x);
            double k = voice.formantScale;
            f1.set(k * (from.f1 + (to.f1 - from.f1) * g), 90);
            f2.set(k * (from.f2 + (to.f2 - from.f2) * g), 110);
            f3.set(k * (from.f3 + (to.f3 - from.f3) * g), 170);
        }
        const double pitch = s.pitch * (1.04 - 0.08 * x);
        double source = glottal.at(phase) + 0.04 * noise.next();
        phase += pitch / kSampleRate;
        if (phase >= 1.0) phase -= 1.0;
        double env = std::min(1.0, double(i) / attack) * std::min(1.0, double(vowelFrames - i) / release);
        double v = (f1.process(source) + 0.7 * f2.process(source) + 0.35 * f3.process(source)) * env * s.level;
        mono[at + i] += float(v);
    }
}

}  // namespace

// ---------------------------------------------------------------------------

uint64_t Random::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Random::uniform() { return double(next() >> 11) * 0x1.0p-53; }
double Random::range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
int Random::between(int lo, int hi) { return lo + int(next() % uint64_t(hi - lo + 1)); }
bool Random::chance(double probability) { return uniform() < probability; }

void Stereo::ensure(std::size_t count) {
    if (left.size() < count) {
        left.resize(count, 0.0f);
        right.resize(count, 0.0f);
    }
}

void Stereo::mix(const Stereo& other, double atSeconds, double gain) {
    const std::size_t at = frameAt(atSeconds);
    ensure(at + other.frames());
    for (std::size_t i = 0; i < other.frames(); ++i) {
        left[at + i] += float(gain) * other.left[i];
        right[at + i] += float(gain) * other.right[i];
    }
}

float Stereo::peak() const {
    float p = 0.0f;
    for (std::size_t i = 0; i < frames(); ++i) p = std::max({p, std::abs(left[i]), std::abs(right[i])});
    return p;
}

Song composeSong(const MusicStyle& style, double seconds, Random& random) {
    static const std::array<std::array<int, 4>, 6> kMajorProgressions = {
        {{0, 4, 5, 3}, {0, 5, 3, 4}, {0, 3, 4, 3}, {0, 3, 0, 4}, {0, 2, 3, 4}, {0, 5, 1, 4}}};
    static const std::array<std::array<int, 4>, 5> kMinorProgressions = {
        {{0, 5, 2, 6}, {0, 3, 4, 0}, {0, 6, 5, 6}, {0, 3, 6, 2}, {0, 5, 3, 4}}};
    Song song;
    song.style = style;
    song.tempo = random.between(style.tempoLow, style.tempoHigh);
    song.rootMidi = 55 + random.between(0, 9);
    song.progression = style.minor ? random.pick(kMinorProgressions) : random.pick(kMajorProgressions);
    if (style.groove == Groove::Swing) song.progression = {1, 4, 0, 5};  // ii V I vi
    for (int m = 0; m < 3; ++m) song.motifs[m] = makeMotif(random, m == 2);
    // A groove bar, the melody, the final chord; the ring adds about 1.6 s.
    song.bars = std::max(4, int(std::lround((seconds - 1.6) / song.barSeconds())));
    song.seed = random.next();
    return song;
}

Stereo songAudio(const Song& song) {
    Stereo out;
    SongRenderer renderer(song, out);
    const double bar = song.barSeconds();
    Parts groove;
    groove.melody = false;
    renderer.bar(0, 0.0, groove);
    for (int b = 1; b < song.bars - 1; ++b) renderer.bar(b, b * bar, Parts{});
    renderer.finalChord((song.bars - 1) * bar, bar + 0.6, Parts{});
    addEcho(out, 60.0 / song.tempo, song.style.echo);
    truncate(out, song.bars * bar + 1.6);
    fade(out, 0.0, 1.2);
    return out;
}

Stereo introAudio(const Song& song, int bars) {
    Stereo out;
    SongRenderer renderer(song, out);
    Parts groove;
    groove.melody = false;
    for (int b = 0; b < bars; ++b) renderer.bar(b - bars, b * song.barSeconds(), groove);
    addEcho(out, 60.0 / song.tempo, song.style.echo);
    truncate(out, bars * song.barSeconds());
    fade(out, std::min(1.0, song.barSeconds() * 0.5), 0.01);
    return out;
}

Stereo outroAudio(const Song& song, int bars, double ringSeconds) {
    Stereo out;
    SongRenderer renderer(song, out);
    Parts closing;
    closing.melody = false;
    const double bar = song.barSeconds();
    for (int b = 0; b < bars; ++b) renderer.bar(song.bars + b, b * bar, closing);
    renderer.finalChord(bars * bar, ringSeconds, closing);
    addEcho(out, 60.0 / song.tempo, song.style.echo);
    truncate(out, bars * bar + ringSeconds);
    fade(out, 0.01, ringSeconds * 0.75);
    return out;
}

Stereo bedAudio(const Song& song, double seconds) {
    Stereo out;
    SongRenderer renderer(song, out);
    const double bar = song.barSeconds();
    for (int b = 0; b * bar < seconds; ++b) renderer.padBar(b, b * bar, bar, 1.0);
    truncate(out, seconds);
    fade(out, 0.3, std::min(1.0, seconds * 0.25));
    return out;
}

Stereo stingAudio(const Song& song) {
    Stereo out;
    SongRenderer renderer(song, out);
    renderer.sting(0.0);
    truncate(out, 2.0);
    fade(out, 0.005, 0.5);
    return out;
}

Stereo drumLoopAudio(const Song& song, int bars) {
    Stereo out;
    SongRenderer renderer(song, out);
    Parts drums;
    drums.bass = drums.chords = drums.melody = false;
    for (int b = 0; b < bars; ++b) renderer.bar(b, b * song.barSeconds(), drums);
    truncate(out, bars * song.barSeconds());
    fade(out, 0.005, 0.05);
    return out;
}

Stereo speechAudio(const Voice& voice, double seconds, Random& random) {
    Noise noise(random.next());
    std::vector<float> mono;
    const double syllable = 1.0 / voice.syllablesPerSecond;
    double t = 0.05;
    // Phrases of a few words, each phrase falling in pitch, a pause between.
    while (t < seconds - 0.6) {
        const int words = random.between(2, 5);
        const int total = words * 2;
        int index = 0;
        for (int w = 0; w < words && t < seconds - 0.3; ++w) {
            const int syllables = random.between(1, 3);
            const int stressed = random.between(0, syllables - 1);
            for (int k = 0; k < syllables; ++k, ++index) {
                Syllable s;
                s.start = t;
                int c = random.between(0, 9);
                s.consonant = c < 3 ? Consonant::None
                              : c < 5 ? Consonant::Plosive
                              : c < 7 ? Consonant::Nasal
                              : c < 8 ? Consonant::S
                              : c < 9 ? Consonant::Sh
                                      : Consonant::F;
                s.consonantSeconds = s.consonant == Consonant::None ? 0.0 : random.range(0.04, 0.08);
                s.vowelSeconds = syllable * random.range(0.55, 0.95) * (k == stressed ? 1.25 : 1.0);
                s.vowel = random.between(0, kVowelCount - 1);
                s.glideTo = random.chance(0.3) ? random.between(0, kVowelCount - 1) : s.vowel;
                const double line = 1.12 - 0.25 * double(index) / double(total);
                s.pitch = voice.pitchHz * line * (k == stressed ? 1.12 : 1.0) * random.range(0.97, 1.03);
                s.level = (k == stressed ? 1.0 : 0.75) * random.range(0.9, 1.1);
                renderSyllable(mono, s, voice, noise);
                t += s.consonantSeconds + s.vowelSeconds + random.range(0.0, 0.03);
            }
            t += random.range(0.04, 0.1);
        }
        t += random.range(0.25, 0.45);
    }
    // The talk ends with its last syllable, which may fall a little short
    // of `seconds`.

    if (voice.telephone) {
        // A phone line: no lows, no highs, a little grit.
        OnePole low1(3000.0), low2(3000.0), drift1(350.0), drift2(350.0);
        for (float& v : mono) {
            double x = low2.process(low1.process(v));
            double y = x - drift1.process(x);
            y -= drift2.process(y);
            v = float(std::tanh(2.5 * y) / std::tanh(2.5));
        }
    }
    Stereo out;
    float peak = 0.0f;
    for (float v : mono) peak = std::max(peak, std::abs(v));
    const float gain = peak > 0.0f ? 0.6f / peak : 0.0f;
    out.left.resize(mono.size());
    out.right.resize(mono.size());
    for (std::size_t i = 0; i < mono.size(); ++i) out.left[i] = out.right[i] = mono[i] * gain;
    return out;
}

Stereo voiceOver(const Stereo& music, const Stereo& speech, double atSeconds) {
    Stereo out = music;
    const std::size_t from = frameAt(atSeconds);
    const std::size_t to = from + speech.frames();
    out.ensure(to);
    // The music dips to 40 % while the voice talks, with 0.15 s ramps.
    const double ramp = 0.15 * kSampleRate;
    for (std::size_t i = 0; i < out.frames(); ++i) {
        double distance = 0.0;
        if (i + std::size_t(ramp) < from) distance = 1.0;
        else if (i < from) distance = double(from - i) / ramp;
        else if (i > to) distance = std::min(1.0, double(i - to) / ramp);
        float g = float(0.4 + 0.6 * distance);
        out.left[i] *= g;
        out.right[i] *= g;
    }
    out.mix(speech, atSeconds, 1.0);
    return out;
}

Stereo commercialAudio(const Voice& announcer, double seconds, Random& random) {
    const MusicStyle style{Groove::Country, 124, 140, false, false, Timbre::Mallet, Timbre::ElectricPiano, Timbre::Bass, 0.15};
    Song song = composeSong(style, seconds, random);
    // A bar of jingle with its tune, the announcer over a bed, the tag at the end.
    Stereo out;
    {
        SongRenderer renderer(song, out);
        renderer.bar(1, 0.0, Parts{});
    }
    const double jingle = song.barSeconds();
    const double sting = 2.0;
    const double talk = std::max(1.5, seconds - jingle - sting);
    Stereo bed = bedAudio(song, talk + 0.4);
    Stereo words = speechAudio(announcer, talk, random);
    out.mix(voiceOver(bed, words, 0.2), jingle - 0.1);
    out.mix(stingAudio(song), jingle + talk + 0.1);
    truncate(out, jingle + talk + 0.1 + sting);
    return out;
}

Stereo ambienceAudio(double seconds, Random& random) {
    Noise noise(random.next());
    const std::size_t n = frameAt(seconds);
    Stereo out;
    out.ensure(n);
    const double wavePeriod = random.range(5.0, 8.0);
    OnePole windL(400.0), windR(400.0), surfL(1200.0), surfR(1200.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / kSampleRate;
        // Wind whose colour drifts; waves swelling and breaking.
        if (i % 64 == 0) {
            double hz = 300.0 + 250.0 * std::sin(kTwoPi * t / 3.7) + 120.0 * std::sin(kTwoPi * t / 1.3);
            windL.set(hz);
            windR.set(hz * 1.1);
        }
        double swell = std::pow(0.5 + 0.5 * std::sin(kTwoPi * t / wavePeriod), 3.0);
        out.left[i] = float(0.6 * windL.process(noise.next()) + 0.5 * swell * surfL.process(noise.next()));
        out.right[i] = float(0.6 * windR.process(noise.next()) + 0.5 * swell * surfR.process(noise.next()));
    }
    // A distant horn or bell now and then.
    for (double t = random.range(0.5, 2.0); t < seconds - 2.5; t += random.range(3.0, 6.0)) {
        double hz = random.chance(0.5) ? 98.0 : 392.0;
        Timbre timbre = hz < 200.0 ? Timbre::Organ : Timbre::Mallet;
        addNote(out, timbre, t, hz < 200.0 ? 1.6 : 0.2, hz, 0.12, random.range(-0.7, 0.7), noise);
    }
    truncate(out, seconds);
    fade(out, 0.8, 1.2);
    return out;
}

std::vector<int16_t> toPcm(const Stereo& audio, double gain) {
    const std::size_t n = audio.frames();
    const std::size_t edge = std::min<std::size_t>(120, n / 2);
    std::vector<int16_t> pcm(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        double g = gain;
        if (i < edge) g *= double(i) / double(edge);
        if (n - 1 - i < edge) g *= double(n - 1 - i) / double(edge);
        for (int ch = 0; ch < 2; ++ch) {
            double v = (ch == 0 ? audio.left[i] : audio.right[i]) * g;
            // Soft knee above 0.9: the level never reaches full scale.
            double a = std::abs(v);
            if (a > 0.9) a = 0.9 + 0.08 * std::tanh((a - 0.9) / 0.08);
            // a < 1, so rounding the magnitude stays inside int16.
            int magnitude = int(a * 32767.0 + 0.5);
            pcm[2 * i + ch] = int16_t(v < 0.0 ? -magnitude : magnitude);
        }
    }
    return pcm;
}

std::vector<int16_t> normalisedPcm(const Stereo& audio, double peak) {
    const float p = audio.peak();
    return toPcm(audio, p > 0.0f ? peak / p : 0.0);
}

}  // namespace vh::demo
