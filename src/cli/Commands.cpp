#include "cli/Commands.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "gamedata/CatalogueText.h"
#include "gamedata/ReplacingFile.h"

namespace vh::cli {

namespace {

std::optional<int> parseIndex(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Output to a full disk or a closed pipe must not pass for success.
int finishOutput(std::ostream& out, std::ostream& err) {
    out.flush();
    if (out) return kOk;
    err << "vhradio: writing the list to standard output failed\n";
    return kFailure;
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

int listStations(const GameData& data, std::ostream& out, std::ostream& err) {
    const StationTable& table = data.table();
    for (int s = 0; s < kStationCount; ++s) {
        const Station& st = table[s];
        out << s << '\t' << escapedField(fieldText(st.pakName)) << '\t' << escapedField(fieldText(st.displayName))
            << '\t' << int(st.listed) << '\t' << st.clipCount << '\n';
    }
    return finishOutput(out, err);
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
            << clip.offset << '\t' << clip.length << '\t' << escapedField(fieldText(clip.artist)) << '\t'
            << escapedField(fieldText(clip.title)) << '\n';
    }
    return finishOutput(out, err);
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

    const int32_t blocks = audio->blockCount();
    if (blocks == 0) {
        err << "vhradio: clip " << *clip << " of station " << fieldText(data.table()[*station].pakName)
            << " has no audio in its stream file; nothing was written\n";
        return kFailure;
    }
    // The WAV is written as it is decoded, a batch of blocks at a time, so a
    // long (or damaged, oversized) clip never sits in memory a second time.
    auto writeWav = [&](const std::function<bool(const void*, std::size_t)>& write) {
        const auto header = wavHeader(24000, int64_t(blocks) * 28);
        if (!write(header.data(), header.size())) return false;
        PartCursor cursor;
        cursor.open(*audio);
        PredictorState left, right;
        int16_t decoded[56];
        std::vector<uint8_t> batch;
        batch.reserve(4096 * 28 * 4);
        while (!cursor.atEnd()) {
            cursor.nextStereoBlock(decoded, left, right);
            for (int j = 0; j < 28; ++j) {
                for (int16_t v : {decoded[j], decoded[28 + j]}) {
                    batch.push_back(uint8_t(uint16_t(v)));
                    batch.push_back(uint8_t(uint16_t(v) >> 8));
                }
            }
            if (batch.size() >= 4096 * 28 * 4 || cursor.atEnd()) {
                if (!write(batch.data(), batch.size())) return false;
                batch.clear();
            }
        }
        return true;
    };

    // A regular file (or a new one) is replaced only once the whole WAV is
    // written; a pipe or device such as /dev/stdout is written directly and
    // never removed.
    std::error_code ec;
    const fs::file_status target = fs::status(outPath, ec);
    if (fs::exists(target) && !fs::is_regular_file(target) && !fs::is_directory(target)) {
        std::FILE* file = std::fopen(outPath.c_str(), "wb");
        if (!file) {
            err << "vhradio: cannot open " << outPath.string() << ": " << std::strerror(errno) << "\n";
            return kFailure;
        }
        bool ok = writeWav([file](const void* data, std::size_t n) { return std::fwrite(data, 1, n, file) == n; });
        ok = (std::fclose(file) == 0) && ok;
        if (!ok) {
            err << "vhradio: writing " << outPath.string() << " failed\n";
            return kFailure;
        }
        return kOk;
    }
    ReplacingFile file(outPath);
    if (file.status() == ReplacingFile::Status::NotRegular) {
        err << "vhradio: " << ReplacingFile::notRegularText(outPath) << "\n";
        return kFailure;
    }
    if (!file.isOpen()) {
        err << "vhradio: cannot create " << outPath.string() << ": " << std::strerror(errno) << "\n";
        return kFailure;
    }
    if (!writeWav([&file](const void* data, std::size_t n) { return file.write(data, n); }) || !file.commit()) {
        err << "vhradio: writing " << outPath.string() << " failed\n";
        return kFailure;
    }
    return kOk;
}

}  // namespace vh::cli
