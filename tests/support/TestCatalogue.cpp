#include "support/TestCatalogue.h"

#include <cstring>

namespace vh::test {

TestCatalogue::TestCatalogue() { buildDefaultCatalogue(table_); }

int TestCatalogue::add(int station, const ClipSpec& spec) {
    Station& st = table_[station];
    int index = st.clipCount++;
    Clip& clip = st.clips[index];
    std::memset(&clip, 0, sizeof clip);
    setFieldText(clip.title, spec.title);
    setFieldText(clip.artist, spec.artist);
    clip.clipClass = spec.clipClass;
    const StereoBlock block{constantBlock(spec.code), constantBlock(spec.code)};
    std::vector<uint8_t> bytes = clipBytes(std::vector<StereoBlock>(std::size_t(spec.blocks), block));
    clip.offset = uint32_t(streams_[station].size());
    clip.length = uint32_t(bytes.size() - ClipAudio::kHeaderBytes);
    streams_[station].insert(streams_[station].end(), bytes.begin(), bytes.end());
    records_.push_back({station, clip.offset, clip.length});
    return index;
}

int TestCatalogue::addSong(int station, const SongSpec& song) {
    int index = add(station, {Song, song.title, song.artist, song.blocks, 2});
    Clip& clip = table_[station].clips[index];
    clip.introCount = int32_t(song.intros.size());
    clip.outroCount = int32_t(song.outros.size());
    int code = 3;
    // A song without audio has variants without audio too.
    for (const std::string& t : song.intros) add(station, {Chatter, t, "", song.blocks ? 5 : 0, code++ % 8});
    for (const std::string& t : song.outros) add(station, {Chatter, t, "", song.blocks ? 7 : 0, code++ % 8});
    return index;
}

GameData& TestCatalogue::load() {
    writeFile(dir_ / "CACHE/TRAKLKUP.DAT", lookupBytes(records_));
    for (int s = 0; s < kStationCount; ++s)
        writeFile(dir_ / ("CACHE/" + std::string(fieldText(table_[s].pakName)) + ".PAK"), streams_[s]);
    std::vector<uint8_t> image(sizeof table_);
    std::memcpy(image.data(), &table_, sizeof table_);
    writeFile(dir_ / kCatalogueFileName, image);
    data_ = std::make_unique<GameData>(prompts, [] { return std::vector<fs::path>{}; }, dir_.path());
    data_->loadCatalogue();
    return *data_;
}

}  // namespace vh::test
