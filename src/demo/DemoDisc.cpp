#include "demo/DemoDisc.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <atomic>
#include <cmath>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/AdpcmEncoder.h"
#include "demo/DemoSynth.h"
#include "gamedata/Catalogue.h"
#include "gamedata/ClipAudio.h"

namespace vh {

namespace fs = std::filesystem;

namespace {

using demo::Groove;
using demo::MusicStyle;
using demo::Random;
using demo::Stereo;
using demo::Timbre;
using demo::Voice;

// ---------------------------------------------------------------------------
// What each station plays

struct MusicStation {
    int index;
    const char* displayName;
    MusicStyle style;
};

const std::array<MusicStation, 11> kMusicStations = {{
    {4, "Harbour FM", {Groove::Rock, 96, 112, false, false, Timbre::Square, Timbre::Pluck, Timbre::Bass, 0.2}},
    {5, "Copperline Country", {Groove::Country, 108, 124, false, false, Timbre::Pluck, Timbre::Pluck, Timbre::Bass, 0.12}},
    {6, "Crater Rock 97", {Groove::Rock, 124, 138, true, false, Timbre::Saw, Timbre::Saw, Timbre::SynthBass, 0.18}},
    {8, "Deep Static", {Groove::Dance, 120, 128, true, false, Timbre::Square, Timbre::Strings, Timbre::SynthBass, 0.3}},
    {9, "Hill City Jazz", {Groove::Swing, 88, 104, false, true, Timbre::Mallet, Timbre::ElectricPiano, Timbre::Bass, 0.1}},
    {10, "Midnight Heat", {Groove::Funk, 100, 112, true, true, Timbre::Square, Timbre::Organ, Timbre::SynthBass, 0.15}},
    {11, "Meridian Classics", {Groove::Classical, 72, 90, false, false, Timbre::Flute, Timbre::Pluck, Timbre::Strings, 0.25}},
    {12, "Neon Junction", {Groove::Dance, 114, 122, false, false, Timbre::Saw, Timbre::Strings, Timbre::SynthBass, 0.25}},
    {13, "Reef Radio", {Groove::Reggae, 72, 84, false, false, Timbre::Sine, Timbre::Organ, Timbre::Bass, 0.3}},
    {14, "Rag & Groove", {Groove::HipHop, 84, 94, true, true, Timbre::ElectricPiano, Timbre::ElectricPiano, Timbre::SynthBass, 0.15}},
    {15, "Timberline Folk", {Groove::Folk, 98, 112, false, false, Timbre::Flute, Timbre::Pluck, Timbre::Bass, 0.12}},
}};

const char* const kAdjectives[] = {"Silver", "Midnight", "Golden", "Quiet", "Electric", "Crooked", "Paper",
                                   "Northern", "Velvet", "Broken", "Distant", "Lonely", "Summer", "Neon",
                                   "Salty", "Restless", "Copper", "Hollow", "Burning", "Gentle"};
const char* const kNouns[] = {"Harbour", "Lantern", "Highway", "Tide", "Engine", "Letter", "Skyline",
                              "Orchard", "River", "Ballroom", "Lighthouse", "Window", "Carousel", "Signal",
                              "Compass", "Rain", "Avenue", "Garden", "Station", "Horizon"};
const char* const kBands[] = {"Kettles", "Foxes", "Sailors", "Comets", "Lanterns", "Strangers",
                              "Magpies", "Pilots", "Dreamers", "Tin Soldiers", "Weathervanes", "Ravens"};
const char* const kFirstNames[] = {"Mara", "Jonah", "Ilse", "Teodor", "Winnie", "Casper",
                                   "Lotte", "Ruben", "Greta", "Abel", "Nell", "Otis"};
const char* const kLastNames[] = {"Brenner", "Halloway", "Quist", "Mendel", "Sorensen", "Pike",
                                  "Fairweather", "Okafor", "Lindqvist", "Marlowe", "Dunmore", "Vance"};
const char* const kTitlePatterns[] = {"{adj} {noun}", "The {noun} Song", "{noun} at Dawn", "Down by the {noun}",
                                      "{adj} Heart", "Dancing on the {noun}", "One More {noun}", "{noun} Blues",
                                      "Waiting for the {noun}", "Under {adj} Skies"};
const char* const kArtistPatterns[] = {"The {adj} {band}", "{first} {last}", "{first} & the {band}",
                                       "The {last} Brothers", "{first} {last} Trio"};

const char* const kIntroLines[] = {"DJ: Here's one for the night shift", "DJ: Turn it up for {artist}",
                                   "DJ: Fresh on the playlist, {title}", "DJ: Straight from the request box",
                                   "DJ: Here's {artist} on {station}", "DJ: A little something for the drive home",
                                   "DJ: This one goes out to the harbour crew", "DJ: Keep it locked, here's {title}"};
const char* const kOutroLines[] = {"DJ: That was {artist} with {title}", "DJ: Lovely stuff, stay with us",
                                   "DJ: {title}, what a tune", "DJ: More music right after this",
                                   "DJ: You're listening to {station}", "DJ: That one never gets old"};
const char* const kChatter[] = {"Weather for the coast road", "Traffic round-up", "Birthday shout-outs",
                                "What's on this weekend", "The late-night quiz", "Tales from the fish market",
                                "Sports in brief", "The lost and found corner", "A word about the ferry strike",
                                "Gig guide"};
const char* const kPhoneIns[] = {"Caller: lost dog by the lighthouse", "Caller: best fish supper in town",
                                 "Phone-in: noisy neighbours", "Caller asks for an old favourite",
                                 "Phone-in: ghost stories", "Caller: the bus was late again"};
const char* const kIdents[] = {"Ident: You're tuned to {station}", "Ident: {station}, all night long",
                               "Ident: {station} plays the hits"};
const char* const kOpeners[] = {"Opener: Good evening, {station} listeners", "Opener: Rise and shine",
                                "Opener: Welcome to the late show"};
const char* const kCommercials[] = {"Brightwell Soap Flakes", "Hollin's Bicycle Repair", "Ferrow Bay Ferries",
                                    "Moss & Daughter Insurance", "Kettle King Toasters", "Lunar Lemonade",
                                    "Castor's Car Wash", "Grimsey Pet Supplies", "Pennywhistle Savings Bank",
                                    "Starling Airways"};

template <std::size_t N>
const char* pickText(Random& random, const char* const (&items)[N]) {
    return items[std::size_t(random.between(0, int(N) - 1))];
}

std::string replaceAll(std::string text, std::string_view key, std::string_view value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

std::string fillIn(std::string_view pattern, Random& random) {
    std::string text(pattern);
    text = replaceAll(text, "{adj}", pickText(random, kAdjectives));
    text = replaceAll(text, "{noun}", pickText(random, kNouns));
    text = replaceAll(text, "{band}", pickText(random, kBands));
    text = replaceAll(text, "{first}", pickText(random, kFirstNames));
    text = replaceAll(text, "{last}", pickText(random, kLastNames));
    return text;
}

// A DJ line naming the song; falls back to a line without names when the
// names would not fit the 63 characters of a title.
std::string djLine(const char* pattern, const std::string& title, const std::string& artist, const std::string& station) {
    std::string text = replaceAll(replaceAll(replaceAll(pattern, "{title}", title), "{artist}", artist), "{station}", station);
    return text.size() < sizeof(Clip::title) ? text : "DJ: Stay tuned";
}

// ---------------------------------------------------------------------------
// Clips

struct DemoClip {
    std::string title;
    std::string artist;
    int32_t clipClass = ClipClass::Chatter;
    int32_t introCount = 0;
    int32_t outroCount = 0;
    std::vector<int16_t> pcm;  // interleaved stereo, 24000 Hz
};

// A speaker for a station's DJ: a low or a high voice, each a little different.
Voice makeVoice(Random& random, bool fast = false) {
    bool high = random.chance(0.5);
    Voice v;
    v.pitchHz = high ? random.range(175.0, 225.0) : random.range(95.0, 130.0);
    v.formantScale = (high ? 1.17 : 1.0) * random.range(0.97, 1.03);
    v.syllablesPerSecond = fast ? random.range(5.5, 6.2) : random.range(4.2, 5.2);
    v.telephone = false;
    return v;
}

// Intro and outro variants, openers and idents fit in one chunk.
constexpr double kShortClipSeconds = 4.7;

// Draws `count` different lines.
template <std::size_t N>
std::vector<const char*> distinctLines(Random& random, const char* const (&items)[N], int count) {
    std::vector<const char*> lines(std::begin(items), std::end(items));
    for (std::size_t i = lines.size(); i > 1; --i) std::swap(lines[i - 1], lines[std::size_t(random.between(0, int(i) - 1))]);
    lines.resize(std::min<std::size_t>(N, std::size_t(count)));
    return lines;
}

// A song with its intro and outro variants, in clip order.
void addSongGroup(std::vector<DemoClip>& clips, const MusicStation& station, const Voice& dj, Random& random,
                  const char* titlePattern, bool forceMusicOnlyIntro) {
    demo::Song song = demo::composeSong(station.style, random.range(10.0, 16.0), random);
    DemoClip main;
    main.title = fillIn(titlePattern, random);
    main.artist = fillIn(pickText(random, kArtistPatterns), random);
    main.clipClass = ClipClass::Song;
    main.introCount = random.between(1, 3);
    main.outroCount = random.between(1, 3);
    Stereo songStereo = demo::songAudio(song);
    const double songGain = 0.8 / std::max(0.01f, songStereo.peak());
    main.pcm = demo::toPcm(songStereo, songGain);
    const std::string title = main.title, artist = main.artist;
    const int introCount = main.introCount, outroCount = main.outroCount;
    clips.push_back(std::move(main));

    // The same gain as the song so that intro, song and outro play on at one
    // level, unless a voice-over would then clip.
    auto finish = [&](const Stereo& audio) {
        return demo::toPcm(audio, std::min(songGain, 0.85 / std::max(0.01f, audio.peak())));
    };
    const double bar = song.barSeconds();
    const std::vector<const char*> introLines = distinctLines(random, kIntroLines, introCount);
    for (int k = 0; k < introCount; ++k) {
        DemoClip intro;
        intro.clipClass = ClipClass::Song;
        // Whole bars, so that the song follows on the beat.
        const int maxBars = std::max(1, int(kShortClipSeconds / bar));
        const bool spoken = !(forceMusicOnlyIntro && k == 0) && random.chance(0.6);
        if (spoken) {
            intro.title = djLine(introLines[std::size_t(k)], title, artist, station.displayName);
            const double talk = std::clamp(random.range(1.6, 3.0), 1.2, maxBars * bar - 0.8);
            const int bars = std::min(maxBars, int(std::ceil((talk + 0.8) / bar)));
            Stereo words = demo::speechAudio(dj, talk, random);
            intro.pcm = finish(demo::voiceOver(demo::introAudio(song, bars), words, 0.4));
        } else {
            intro.pcm = finish(demo::introAudio(song, bar < 2.0 ? std::min(2, maxBars) : 1));
        }
        clips.push_back(std::move(intro));
    }
    const std::vector<const char*> outroLines = distinctLines(random, kOutroLines, outroCount);
    const double ring = std::clamp(kShortClipSeconds - bar, 1.2, 1.8);
    for (int k = 0; k < outroCount; ++k) {
        DemoClip outro;
        outro.clipClass = ClipClass::Song;
        const bool spoken = k == 0 || random.chance(0.5);
        Stereo music = demo::outroAudio(song, 1, ring);
        if (spoken) {
            outro.title = djLine(outroLines[std::size_t(k)], title, artist, station.displayName);
            const double talk = std::clamp(random.range(2.0, 3.4), 1.2, music.seconds() - 0.6);
            outro.pcm = finish(demo::voiceOver(music, demo::speechAudio(dj, talk, random), 0.3));
        } else {
            outro.pcm = finish(music);
        }
        clips.push_back(std::move(outro));
    }
}

DemoClip talkClip(std::string title, int32_t clipClass, std::vector<int16_t> pcm) {
    DemoClip clip;
    clip.title = std::move(title);
    clip.clipClass = clipClass;
    clip.pcm = std::move(pcm);
    return clip;
}

std::vector<DemoClip> musicStationClips(const MusicStation& station, bool withOpeners, Random& random) {
    const Voice dj = makeVoice(random);
    Voice caller = makeVoice(random);
    caller.telephone = true;
    const std::string name = station.displayName;

    // The talk between songs, in a shuffled order.
    std::vector<DemoClip> talk;
    demo::Song bedSong = demo::composeSong(station.style, 8.0, random);
    const int idents = random.between(1, 2);
    for (int i = 0; i < idents; ++i) {
        Stereo words = demo::speechAudio(dj, random.range(1.2, 1.8), random);
        Stereo audio = words;
        audio.mix(demo::stingAudio(bedSong), words.seconds() - 0.1);
        talk.push_back(talkClip(replaceAll(kIdents[i], "{station}", name), ClipClass::Ident, demo::normalisedPcm(audio, 0.8)));
    }
    const int chatters = random.between(1, 2);
    for (int i = 0; i < chatters; ++i) {
        Stereo audio = demo::speechAudio(dj, random.range(4.0, 7.5), random);
        talk.push_back(talkClip(pickText(random, kChatter), ClipClass::Chatter, demo::normalisedPcm(audio, 0.75)));
    }
    {
        // A phone-in: the DJ and a caller on the line take turns.
        Stereo audio;
        double at = 0.0;
        const int turns = random.between(3, 4);
        for (int t = 0; t < turns; ++t) {
            Stereo words = demo::speechAudio(t % 2 ? caller : dj, random.range(1.2, 2.2), random);
            audio.mix(words, at);
            at += words.seconds() + 0.15;
        }
        talk.push_back(talkClip(pickText(random, kPhoneIns), ClipClass::ChatterAlt, demo::normalisedPcm(audio, 0.75)));
    }
    const int openers = withOpeners ? random.between(1, 2) : 0;
    std::vector<DemoClip> openerClips;
    for (int i = 0; i < openers; ++i) {
        Stereo words = demo::speechAudio(dj, random.range(2.6, kShortClipSeconds - 1.4), random);
        Stereo audio = demo::voiceOver(demo::bedAudio(bedSong, words.seconds() + 1.3), words, 0.6);
        openerClips.push_back(
            talkClip(replaceAll(kOpeners[i], "{station}", name), ClipClass::Opener, demo::normalisedPcm(audio, 0.8)));
    }
    for (std::size_t i = talk.size(); i > 1; --i)
        std::swap(talk[i - 1], talk[std::size_t(random.between(0, int(i) - 1))]);

    // Openers first, then songs with talk between them.
    std::vector<DemoClip> clips = std::move(openerClips);
    const int songs = random.between(2, 3);
    const std::vector<const char*> titles = distinctLines(random, kTitlePatterns, songs);
    std::size_t nextTalk = 0;
    for (int s = 0; s < songs; ++s) {
        addSongGroup(clips, station, dj, random, titles[std::size_t(s)], s == 0);
        const int between = s + 1 == songs ? int(talk.size() - nextTalk) : random.between(1, 2);
        for (int k = 0; k < between && nextTalk < talk.size(); ++k) clips.push_back(std::move(talk[nextTalk++]));
    }
    return clips;
}

std::vector<DemoClip> commercialClips(Random& random) {
    std::vector<const char*> names(std::begin(kCommercials), std::end(kCommercials));
    for (std::size_t i = names.size(); i > 1; --i)
        std::swap(names[i - 1], names[std::size_t(random.between(0, int(i) - 1))]);
    std::vector<DemoClip> clips;
    const int count = random.between(6, 8);
    for (int i = 0; i < count; ++i) {
        Voice announcer = makeVoice(random, true);
        Stereo audio = demo::commercialAudio(announcer, random.range(5.0, 9.0), random);
        clips.push_back(talkClip(names[std::size_t(i)], ClipClass::Commercial, demo::normalisedPcm(audio, 0.8)));
    }
    return clips;
}

std::vector<DemoClip> hiddenStationClips(int station, Random& random) {
    std::vector<DemoClip> clips;
    switch (station) {
    case 0: {  // announcements over a public-address line
        const char* titles[] = {"Announcement: boarding call", "Announcement: lost property"};
        for (const char* title : titles) {
            Voice voice = makeVoice(random);
            voice.telephone = true;
            clips.push_back(talkClip(title, ClipClass::Chatter, demo::normalisedPcm(demo::speechAudio(voice, random.range(3.5, 5.5), random), 0.7)));
        }
        break;
    }
    case 2: {  // ambience
        const char* titles[] = {"Ambience: harbour at night", "Ambience: wind on the cliffs", "Ambience: rain over the docks"};
        for (const char* title : titles)
            clips.push_back(talkClip(title, ClipClass::Chatter, demo::normalisedPcm(demo::ambienceAudio(random.range(5.0, 9.0), random), 0.6)));
        break;
    }
    case 3: {  // drum loops
        struct Loop { Groove groove; int tempoLow, tempoHigh; const char* name; };
        const Loop loops[] = {{Groove::HipHop, 84, 96, "hip-hop"}, {Groove::Funk, 98, 110, "funk"},
                              {Groove::Dance, 118, 128, "dance"}};
        for (const Loop& loop : loops) {
            MusicStyle style{loop.groove, loop.tempoLow, loop.tempoHigh, true, false, Timbre::Sine, Timbre::Sine, Timbre::Bass, 0.0};
            demo::Song song = demo::composeSong(style, 8.0, random);
            std::string title = std::string("Beat loop: ") + loop.name + ", " + std::to_string(int(song.tempo)) + " bpm";
            clips.push_back(talkClip(title, ClipClass::Chatter, demo::normalisedPcm(demo::drumLoopAudio(song, 2), 0.8)));
        }
        break;
    }
    case 7: {  // cutscene scores
        const char* titles[] = {"Cutscene: arrival", "Cutscene: farewell"};
        for (const char* title : titles) {
            MusicStyle style{Groove::Classical, 64, 76, true, false, Timbre::Strings, Timbre::Pluck, Timbre::Strings, 0.3};
            demo::Song song = demo::composeSong(style, random.range(8.0, 12.0), random);
            clips.push_back(talkClip(title, ClipClass::Chatter, demo::normalisedPcm(demo::songAudio(song), 0.75)));
        }
        break;
    }
    default: break;
    }
    return clips;
}

// ---------------------------------------------------------------------------
// Stations and files

struct BuiltStation {
    std::vector<DemoClip> clips;      // pcm released once encoded
    std::vector<uint32_t> offsets;    // of each clip's header in the stream file
    std::vector<uint32_t> lengths;    // of each clip's chunks
    std::vector<uint8_t> streamFile;
};

BuiltStation buildStation(int station, uint64_t seed, int stationWithoutOpeners) {
    Random random(seed);
    BuiltStation built;
    if (station == kCommercialStation) {
        built.clips = commercialClips(random);
    } else {
        auto music = std::find_if(kMusicStations.begin(), kMusicStations.end(),
                                  [&](const MusicStation& m) { return m.index == station; });
        built.clips = music != kMusicStations.end()
                          ? musicStationClips(*music, station != stationWithoutOpeners, random)
                          : hiddenStationClips(station, random);
    }
    std::size_t chunks = 0;
    for (const DemoClip& clip : built.clips)
        chunks += (clip.pcm.size() / 2 + ClipAudio::kFramesPerBlock * ClipAudio::kBlocksPerChunk - 1) /
                  (ClipAudio::kFramesPerBlock * ClipAudio::kBlocksPerChunk);
    built.streamFile.reserve(built.clips.size() * ClipAudio::kHeaderBytes + chunks * ClipAudio::kChunkBytes);
    for (DemoClip& clip : built.clips) {
        std::vector<uint8_t> bytes = encodeClip(clip.pcm.data(), clip.pcm.size() / 2);
        built.offsets.push_back(uint32_t(built.streamFile.size()));
        built.lengths.push_back(uint32_t(bytes.size() - ClipAudio::kHeaderBytes));
        built.streamFile.insert(built.streamFile.end(), bytes.begin(), bytes.end());
        clip.pcm = {};
    }
    return built;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

template <std::size_t N>
void putText(std::vector<uint8_t>& out, const std::string& text) {
    char field[N];
    setFieldText(field, text);
    out.insert(out.end(), field, field + N);
}

// The catalogue file: the station table written field by field, little-endian.
std::vector<uint8_t> catalogueImage(const std::array<BuiltStation, kStationCount>& stations) {
    std::vector<uint8_t> out;
    out.reserve(kCatalogueFileBytes);
    for (int s = 0; s < kStationCount; ++s) {
        const BuiltStation& built = stations[std::size_t(s)];
        std::string displayName = kDefaultStationNames[std::size_t(s)];
        for (const MusicStation& m : kMusicStations)
            if (m.index == s) displayName = m.displayName;
        if (s == kCommercialStation) displayName = "Commercial Break";
        putText<sizeof(Station::pakName)>(out, kDefaultStationNames[std::size_t(s)]);
        putText<sizeof(Station::displayName)>(out, displayName);
        putU32(out, uint32_t(built.clips.size()));
        for (std::size_t c = 0; c < std::size_t(kMaxClips); ++c) {
            if (c >= built.clips.size()) {
                out.insert(out.end(), sizeof(Clip), 0);
                continue;
            }
            const DemoClip& clip = built.clips[c];
            putText<sizeof(Clip::title)>(out, clip.title);
            putText<sizeof(Clip::artist)>(out, clip.artist);
            putU32(out, uint32_t(clip.clipClass));
            putU32(out, uint32_t(clip.introCount));
            putU32(out, uint32_t(clip.outroCount));
            putU32(out, built.offsets[c]);
            putU32(out, built.lengths[c]);
            putU32(out, 0);  // reserved
        }
        const bool hidden = s == 0 || s == 2 || s == 3 || s == 7;
        out.push_back(hidden ? 0 : 1);
        out.insert(out.end(), 3, 0);
    }
    return out;
}

// The lookup file lists each station's clips in order, the stations
// interleaved at random as on a real disc.
std::vector<uint8_t> lookupImage(const std::array<BuiltStation, kStationCount>& stations, Random& random) {
    std::array<std::size_t, kStationCount> next{};
    std::size_t remaining = 0;
    for (const BuiltStation& s : stations) remaining += s.clips.size();
    std::vector<uint8_t> out;
    while (remaining > 0) {
        // A station drawn with weight of its clips still to come.
        std::size_t pick = std::size_t(random.next() % remaining);
        int s = 0;
        while (pick >= stations[std::size_t(s)].clips.size() - next[std::size_t(s)]) {
            pick -= stations[std::size_t(s)].clips.size() - next[std::size_t(s)];
            ++s;
        }
        const std::size_t c = next[std::size_t(s)]++;
        putU32(out, uint32_t(s));
        putU32(out, stations[std::size_t(s)].offsets[c]);
        putU32(out, stations[std::size_t(s)].lengths[c]);
        --remaining;
    }
    return out;
}

bool writeFile(const fs::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (file) file.close();
    if (!file) {
        error = "Cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

bool writeDemoDisc(const fs::path& dir, uint32_t seed, std::string& error) {
    // A folder that already holds game data (a disc copy or a work folder
    // with a real catalogue) is never written over.
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
        if (name == "AUDIO" || name == "VARNHOLTRADIOINFO.DAT") {
            error = (dir / it->path().filename()).string() + " already exists; the demo disc is only written into a "
                    "folder without game data";
            return false;
        }
    }
    ec.clear();
    const fs::path config = dir / "AUDIO" / "CONFIG";
    const fs::path streams = dir / "AUDIO" / "STREAMS";
    fs::create_directories(config, ec);
    if (!ec) fs::create_directories(streams, ec);
    if (ec) {
        error = "Cannot create " + (dir / "AUDIO").string() + ": " + ec.message();
        return false;
    }

    // Every station gets its own generator, so the result does not depend on
    // which thread builds which station.
    Random random(0x5641524E484F4C54ull ^ seed);
    std::array<uint64_t, kStationCount> seeds{};
    for (uint64_t& s : seeds) s = random.next();
    const int withoutOpeners = kMusicStations[std::size_t(random.between(0, int(kMusicStations.size()) - 1))].index;

    // Two workers (the machine this runs on usually has a second core); the
    // big music stations first so the load evens out.
    std::array<BuiltStation, kStationCount> built;
    const std::array<int, kStationCount> order = {4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 1, 7, 2, 3, 0};
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < order.size();)
            built[std::size_t(order[i])] = buildStation(order[i], seeds[std::size_t(order[i])], withoutOpeners);
    };
    std::thread helper;
    try {
        helper = std::thread(work);
    } catch (const std::system_error&) {
        // No second thread to be had: this one does all the work.
    }
    work();
    if (helper.joinable()) helper.join();

    for (int s = 0; s < kStationCount; ++s) {
        const fs::path path = streams / (std::string(kDefaultStationNames[std::size_t(s)]) + ".PAK");
        if (!writeFile(path, built[std::size_t(s)].streamFile, error)) return false;
    }
    if (!writeFile(config / kTrackLookupName, lookupImage(built, random), error)) return false;
    return writeFile(dir / kCatalogueFileName, catalogueImage(built), error);
}

}  // namespace vh
