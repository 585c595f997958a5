#include "ui/SlotText.h"

namespace vh {

namespace {

// Title of the variant at clip index `index` of the station, or the
// no-speech text when there is none or it has no title.
std::string variantText(const Station& station, int index, bool exists, const char* noSpeech) {
    if (!exists || index < 0 || index >= station.clipCount || index >= kMaxClips) return noSpeech;
    std::string_view title = fieldText(station.clips[index].title);
    return title.empty() ? std::string(noSpeech) : std::string(title);
}

}  // namespace

SlotText slotText(const StationTable& table, const PlaylistTrack& track) {
    SlotText text;
    const Clip* clip = track.clip;
    if (!clip) return text;
    text.title = clipName(*clip);
    const bool stationValid = track.station >= 0 && track.station < kStationCount;
    if (stationValid && clip->clipClass != Commercial && track.station != kCommercialStation) {
        text.hasStationName = true;
        text.stationName = std::string(fieldText(table[track.station].displayName));
    }
    if (clip->clipClass != Song) return text;

    text.song = true;
    if (!stationValid) {
        text.introText = kNoSpeechOverIntro;
        text.outroText = kNoSpeechOverOutro;
        return text;
    }
    const Station& station = table[track.station];
    const int index = clipIndex(station, clip);
    const bool introExists = track.intro >= 0 && track.intro < clip->introCount;
    const bool outroExists = track.outro >= 0 && track.outro < clip->outroCount;
    text.introText = variantText(station, index + 1 + track.intro, introExists, kNoSpeechOverIntro);
    text.outroText = variantText(station, index + 1 + clip->introCount + track.outro, outroExists, kNoSpeechOverOutro);
    return text;
}

}  // namespace vh
