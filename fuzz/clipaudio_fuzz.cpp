// A track of up to three ClipAudio buffers of any size, declared block count
// and number of real bytes, walked by the PartCursor, decoded whole by
// exportTrack and played by the ClipPlayer as a preview.
//
// Input: flags (bits 0-2: intro, main, outro present; bits 3-4: the start
// part, 3 standing for "above 2"; bits 5-7: render slice), then for each
// part {u32 declared data size, u32 buffer bytes, u32 real bytes}, then a
// pattern that fills the buffers over and over (each part from another
// phase). The data size is written over the pattern at its header offset.
// The buffer field's top bit asks for a part of up to a chunk and a half;
// without it a part holds at most 64 blocks of its first chunk, so that most
// inputs are quick and a run tries many of them.

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "audio/ClipPlayer.h"
#include "audio/Decoder.h"

using namespace vh;
using namespace vh::fuzz;

namespace {

// Big enough for a part to cross into a second chunk.
constexpr std::size_t kMaxPartBytes =
    ClipAudio::kHeaderBytes + ClipAudio::kChunkBytes + ClipAudio::kRightOffset + 16 * 80;
constexpr std::size_t kSmallPartBytes = ClipAudio::kHeaderBytes + ClipAudio::kRightOffset + 16 * 64;

std::unique_ptr<ClipAudio> makePart(InputReader& in, const std::vector<uint8_t>& pattern, std::size_t phase) {
    const uint32_t declared = in.u32();
    const uint32_t sizeField = in.u32();
    const std::size_t bytes = sizeField % ((sizeField >> 31 ? kMaxPartBytes : kSmallPartBytes) + 1);
    const std::size_t real = in.u32() % (bytes + 1);
    std::unique_ptr<ClipAudio> audio = ClipAudio::allocate(bytes);
    FUZZ_CHECK(audio && audio->size() == bytes);
    if (!pattern.empty())
        for (std::size_t at = 0, from = phase % pattern.size(); at < bytes; from = 0) {
            const std::size_t n = std::min(pattern.size() - from, bytes - at);
            std::memcpy(audio->data() + at, pattern.data() + from, n);
            at += n;
        }
    if (bytes >= ClipAudio::kDataSizeOffset + 4)
        for (int i = 0; i < 4; ++i) audio->data()[ClipAudio::kDataSizeOffset + i] = uint8_t(declared >> (8 * i));
    audio->setValidBytes(real);
    FUZZ_CHECK(audio->validBytes() == real);
    return audio;
}

// Offset just past the right half of block b.
std::size_t blockEnd(int64_t b) {
    return ClipAudio::kHeaderBytes + std::size_t(b / 4096) * ClipAudio::kChunkBytes + ClipAudio::kRightOffset +
           std::size_t(b % 4096) * 16 + 16;
}

// The count covers exactly the declared blocks that lie in real bytes, and
// the walk reads nothing but those.
void checkWalk(const ClipAudio& audio) {
    const int32_t blocks = audio.blockCount();
    FUZZ_CHECK(blocks >= 0 && uint32_t(blocks) <= audio.declaredBlocks());
    FUZZ_CHECK(audio.frameCount() == blocks * 28);
    if (blocks > 0) FUZZ_CHECK(blockEnd(blocks - 1) <= audio.validBytes());
    if (uint32_t(blocks) < audio.declaredBlocks()) FUZZ_CHECK(blockEnd(blocks) > audio.validBytes());

    PartCursor cursor;
    cursor.open(audio);
    PredictorState left, right;
    int16_t out[56];
    int32_t walked = 0;
    const uint8_t* begin = audio.data();
    const uint8_t* end = audio.data() + audio.validBytes();
    while (!cursor.atEnd()) {
        cursor.enterChunkIfNeeded();
        FUZZ_CHECK(cursor.left >= begin + ClipAudio::kHeaderBytes && cursor.left + 16 <= end);
        FUZZ_CHECK(cursor.right > cursor.left && cursor.right + 16 <= end);
        cursor.nextStereoBlock(out, left, right);
        FUZZ_CHECK(++walked <= blocks);
    }
    FUZZ_CHECK(walked == blocks);
}

struct CollectingSink : FrameSink {
    std::vector<float> frames;
    void pushFrames(const float* interleaved, int32_t count) override {
        frames.insert(frames.end(), interleaved, interleaved + 2 * count);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    const uint8_t flags = in.u8();
    const int32_t startPart = (flags >> 3 & 3) == 3 ? 7 : (flags >> 3 & 3);
    const int32_t slice = 1 + (flags >> 5) * 173;  // frames per render call, 1 to 1212
    uint8_t header[36];
    for (uint8_t& b : header) b = in.u8();
    const std::vector<uint8_t> pattern = in.rest();

    auto track = std::make_unique<PlaylistTrack>();
    std::unique_ptr<ClipAudio>* parts[3] = {&track->introAudio, &track->mainAudio, &track->outroAudio};
    InputReader fields(header, sizeof header);
    for (int p = 0; p < 3; ++p) {
        std::unique_ptr<ClipAudio> audio = makePart(fields, pattern, std::size_t(p) * 7);
        if (flags & (1 << p)) *parts[p] = std::move(audio);
    }
    for (auto* part : parts)
        if (*part) checkWalk(**part);

    // The whole-track decode: 28 frames per block, reported in order.
    CollectingSink exported;
    std::vector<int32_t> reports;
    const int32_t frames = exportTrack(*track, exported, [&](PlaylistTrack* t, int32_t position) {
        FUZZ_CHECK(t == track.get());
        reports.push_back(position);
    });
    int64_t total = 0;
    for (auto* part : parts) total += *part ? (*part)->frameCount() : 0;
    FUZZ_CHECK(frames == total);
    FUZZ_CHECK(int64_t(exported.frames.size()) == 2 * total);
    FUZZ_CHECK(std::is_sorted(reports.begin(), reports.end()));
    if (!reports.empty()) FUZZ_CHECK(reports.front() == 0 && reports.back() <= frames);
    for (float v : exported.frames) FUZZ_CHECK(v >= -1.0f && v < 1.0f);

    // What the player must play from its start part: the parts from there on
    // as one stream from fresh predictors (from the start, the export's).
    const int32_t first = std::min(startPart, 2);
    CollectingSink fromStartPart;
    PredictorState left, right;
    int32_t skipped = 0;
    for (int p = 0; p < 3 && first > 0; ++p) {
        const ClipAudio* audio = parts[p]->get();
        if (p < first) skipped += audio ? audio->frameCount() : 0;
        else exportPart(track.get(), 0, audio, fromStartPart, left, right, nullptr);
    }
    const std::vector<float>& expected = first > 0 ? fromStartPart.frames : exported.frames;
    const int64_t toPlay = int64_t(expected.size()) / 2;

    PlaylistTrack* preview = track.get();

    ClipPlayer player;
    PlaylistTrack* reportedTrack = nullptr;
    int32_t reportedPosition = 0;
    player.setCallback([&](PlaylistTrack* t, int32_t position) {
        reportedTrack = t;
        reportedPosition = position;
    });
    player.startTrack(PreviewTrack(track.release()), startPart);

    std::vector<float> out(2 * std::size_t(slice));
    int64_t played = 0;
    // The track's frames, then two blocks more: by then the preview is gone.
    while (played < toPlay + 56) {
        const int32_t n = int32_t(std::min<int64_t>(slice, toPlay + 56 - played));
        player.render(out.data(), n);
        if (reportedTrack) {
            FUZZ_CHECK(reportedTrack == preview);
            // The position steps a block ahead as each block is fetched.
            FUZZ_CHECK(reportedPosition >= skipped && reportedPosition <= skipped + toPlay + 28);
        }
        for (int32_t k = 0; k < n; ++k, ++played) {
            for (int c = 0; c < 2; ++c) {
                const float got = out[2 * std::size_t(k) + std::size_t(c)];
                if (played < toPlay) FUZZ_CHECK(got == expected[2 * std::size_t(played) + std::size_t(c)] * ClipPlayer::kGain);
                else FUZZ_CHECK(got == 0.0f);
            }
        }
    }
    // The preview is let go of (and destroyed: the sanitizers see a use of it
    // after that, or a leak) once its last block has played.
    player.render(out.data(), 1);
    FUZZ_CHECK(reportedTrack == nullptr);
    return 0;
}
