#include "cli/Commands.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/Decoder.h"
#include "audio/Resampler.h"

namespace vh::cli {

namespace {

std::optional<int> parseIndex(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<int> parseStation(const StationTable& table, const std::string& text) {
    if (auto index = parseIndex(text)) {
        if (*index >= 0 && *index < kStationCount) return index;
        return std::nullopt;
    }
    for (int s = 0; s < kStationCount; ++s)
        if (fieldText(table[s].pakName) == text) return s;
    return std::nullopt;
}

int listStations(const GameData& data, std::ostream& out) {
    const StationTable& table = data.table();
    for (int s = 0; s < kStationCount; ++s) {
        const Station& st = table[s];
        out << s << '\t' << fieldText(st.pakName) << '\t' << fieldText(st.displayName) << '\t' << int(st.listed)
            << '\t' << st.clipCount << '\n';
    }
    return kOk;
}

int listClips(const GameData& data, const std::string& stationText, std::ostream& out, std::ostream& err) {
    auto station = parseStation(data.table(), stationText);
    if (!station) {
        err << "vhradio: no station " << stationText << " (give 0-15 or a pakName)\n";
        return kUsage;
    }
    const Station& st = data.table()[*station];
    for (int c = 0; c < st.clipCount; ++c) {
        const Clip& clip = st.clips[c];
        out << c << '\t' << clip.clipClass << '\t' << clip.introCount << '\t' << clip.outroCount << '\t'
            << clip.offset << '\t' << clip.length << '\t' << fieldText(clip.artist) << '\t' << fieldText(clip.title)
            << '\n';
    }
    return kOk;
}

int decodeClip(GameData& data, const std::string& stationText, const std::string& clipText,
               const std::filesystem::path& outPath, std::ostream& err) {
    auto station = parseStation(data.table(), stationText);
    if (!station) {
        err << "vhradio: no station " << stationText << " (give 0-15 or a pakName)\n";
        return kUsage;
    }
    auto clip = parseIndex(clipText);
    if (!clip || *clip < 0 || *clip >= data.table()[*station].clipCount) {
        err << "vhradio: station " << stationText << " has no clip " << clipText << " (it has "
            << data.table()[*station].clipCount << ")\n";
        return kUsage;
    }
    std::unique_ptr<ClipAudio> audio = data.loadClipData(*station, *clip);
    if (!audio) {
        err << "vhradio: cannot read the stream file of station " << fieldText(data.table()[*station].pakName)
            << "\n";
        return kFailure;
    }

    std::vector<uint8_t> bytes(44);
    const int32_t blocks = audio->blockCount();
    bytes.reserve(44 + std::size_t(blocks) * 28 * 4);
    PartCursor cursor;
    cursor.open(*audio);
    PredictorState left, right;
    int16_t decoded[56];
    while (!cursor.atEnd()) {
        cursor.nextStereoBlock(decoded, left, right);
        for (int j = 0; j < 28; ++j) {
            for (int16_t v : {decoded[j], decoded[28 + j]}) {
                bytes.push_back(uint8_t(uint16_t(v)));
                bytes.push_back(uint8_t(uint16_t(v) >> 8));
            }
        }
    }
    const auto header = wavHeader(24000, int64_t(blocks) * 28);
    std::copy(header.begin(), header.end(), bytes.begin());

    std::FILE* file = std::fopen(outPath.c_str(), "wb");
    if (!file) {
        err << "vhradio: cannot create " << outPath.string() << ": " << std::strerror(errno) << "\n";
        return kFailure;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        err << "vhradio: writing " << outPath.string() << " failed\n";
        std::filesystem::remove(outPath);
        return kFailure;
    }
    return kOk;
}

}  // namespace vh::cli
