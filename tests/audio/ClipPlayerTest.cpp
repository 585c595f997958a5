#include "audio/ClipPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "support/HandClips.h"

namespace vh {
namespace {

using namespace handclips;

using Event = std::pair<const PlaylistTrack*, int32_t>;

// A circular list around a sentinel, as the playlist keeps it.
struct MiniPlaylist {
    MiniPlaylist() { sentinel.next = sentinel.prev = &sentinel; }
    PlaylistTrack* append(std::unique_ptr<PlaylistTrack> track) {
        PlaylistTrack* t = owned.emplace_back(std::move(track)).get();
        t->next = &sentinel;
        t->prev = std::exchange(sentinel.prev, t);
        t->prev->next = t;
        return t;
    }
    PlaylistTrack sentinel;
    std::vector<std::unique_ptr<PlaylistTrack>> owned;
};

// A player at unity gain, so rendered floats turn back into the decoded
// 16-bit samples exactly; every callback is recorded.
class ClipPlayerTest : public ::testing::Test {
protected:
    ClipPlayerTest() {
        player.gainLeft = player.gainRight = 1.0f;
        player.setCallback([this](PlaylistTrack* track, int32_t position) { events.emplace_back(track, position); });
    }
    // Renders `frames` frames in calls of `step` frames; returns the samples.
    std::vector<int16_t> play(int32_t frames, int32_t step = 28) {
        std::vector<float> out(std::size_t(2 * frames), 123.0f);
        for (int32_t done = 0; done < frames; done += step)
            player.render(out.data() + 2 * done, std::min(step, frames - done));
        std::vector<int16_t> samples;
        for (float f : out) samples.push_back(int16_t(f * 32768.0f));
        return samples;
    }
    Clip clip{};
    ClipPlayer player;
    std::vector<Event> events;
};

// Intro (3 blocks, left 4096), main (5 blocks, left 8192) and outro (2
// blocks, left 12288); the right channel is the left one plus 4096.
std::unique_ptr<PlaylistTrack> markedTrack(const Clip* clip) {
    return makeTrack(clip, makeClip(constantBlocks(3, 1, 2)), makeClip(constantBlocks(5, 2, 3)),
                     makeClip(constantBlocks(2, 3, 4)));
}

TEST_F(ClipPlayerTest, PlaysFromItsStartPartAndReportsThePositionFromTheTrackStart) {
    struct Case {
        int32_t startPart, firstPosition, framesPlayed;  // the position counts the parts left out
        int16_t firstLeft;                               // marks the part that plays first
    };
    for (const Case& c : {Case{-1, 0, 280, 4096}, Case{0, 0, 280, 4096}, Case{1, 84, 196, 8192},
                          Case{2, 224, 56, 12288}, Case{3, 224, 56, 12288}}) {
        SCOPED_TRACE(c.startPart);
        auto track = markedTrack(&clip);
        const PlaylistTrack* raw = track.get();
        player.startTrack(std::move(track), c.startPart);
        events.clear();
        const std::vector<int16_t> out = play(28 * 12);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front(), Event(raw, c.firstPosition));
        EXPECT_EQ(std::pair(out[0], out[1]), std::pair(c.firstLeft, int16_t(c.firstLeft + 4096)));
        // The preview plays its parts back to back, ends with the outro, then nothing.
        for (int32_t f = 0; f < 28 * 12; ++f) ASSERT_EQ(out[2 * f] != 0, f < c.framesPlayed) << "frame " << f;
        EXPECT_EQ(out[2 * (c.framesPlayed - 1)], 12288);
    }
}

TEST_F(ClipPlayerTest, PredictorsRunOnAcrossPartsAsInTheExportAndStartFreshAtTheOutro) {
    MiniPlaylist list;  // the main part crosses a chunk boundary
    PlaylistTrack* track = list.append(makeTrack(&clip, makeClip(busyBlocks(10, 1)), makeClip(busyBlocks(4100, 2)),
                                                 makeClip(busyBlocks(7, 3))));
    SampleSink exported;
    const int32_t frames = exportTrack(*track, exported, nullptr);
    ASSERT_EQ(frames, 28 * 4117);
    player.startTrack(track, 0);
    std::vector<int16_t> out = play(frames + 100, 333);
    EXPECT_TRUE(std::equal(exported.samples.begin(), exported.samples.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 2 * frames, out.end(), [](int16_t v) { return v == 0; }));
    // Starting again mid-block begins from fresh predictors and a fresh block.
    player.startTrack(track, 0);
    play(1000, 77);
    player.startTrack(track, 0);
    out = play(3000, 50);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), exported.samples.begin()));
    // The outro alone sounds as decoded from zero, not as it does after the main part.
    player.startTrack(track, 2);
    out = play(28 * 7);
    EXPECT_EQ(out, decodedOf(*track->outroAudio));
    EXPECT_NE(out, std::vector<int16_t>(exported.samples.end() - 2 * 28 * 7, exported.samples.end()));
}

TEST_F(ClipPlayerTest, MovesOnToTheNextTrackAndFallsSilentAtTheSentinel) {
    MiniPlaylist list;
    PlaylistTrack* a = list.append(makeTrack(&clip, nullptr, makeClip(constantBlocks(2, 1, 1)), nullptr));
    PlaylistTrack* b = list.append(makeTrack(&clip, nullptr, makeClip(constantBlocks(3, 2, 2)), nullptr));
    player.startTrack(a, 0);
    events.clear();
    const std::vector<int16_t> out = play(28 * 8);
    for (int32_t f = 0; f < 28 * 8; ++f) ASSERT_EQ(out[2 * f], f < 56 ? 4096 : f < 140 ? 8192 : 0) << "frame " << f;
    const std::vector<Event> expected = {
        {a, 0}, {a, 28}, {a, 56},
        {b, 0},                        // moving on names b, which now plays
        {b, 0}, {b, 28}, {b, 56},
        {nullptr, 0},                  // b's next is the sentinel
        {nullptr, 84}, {nullptr, 112}, // idle, still counting in blocks
    };
    EXPECT_EQ(events, expected);
    // Mid-block the report is the counter (which already includes the block
    // being rendered) plus the frames of that block rendered so far.
    events.clear();
    play(30, 10);
    EXPECT_EQ(events, (std::vector<Event>{{nullptr, 140}, {nullptr, 178}, {nullptr, 188}}));
}

TEST_F(ClipPlayerTest, PassesOverTracksAndPartsWithNoAudio) {
    MiniPlaylist list;
    PlaylistTrack* empty = list.append(makeTrack(&clip, nullptr, nullptr, nullptr));
    // An intro whose header declares no blocks yields nothing either.
    PlaylistTrack* b = list.append(makeTrack(&clip, makeClip({}), makeClip(constantBlocks(2, 2, 2)), nullptr));
    player.startTrack(empty, 0);
    const std::vector<int16_t> out = play(28 * 3);
    EXPECT_EQ(std::tuple(out[0], out[2 * 55], out[2 * 56]), std::tuple(8192, 8192, 0));
    EXPECT_NE(std::find(events.begin(), events.end(), Event(b, 28)), events.end());
    EXPECT_EQ(events.back().first, nullptr);
}

TEST_F(ClipPlayerTest, EachChannelHasItsOwnGainAndRenderAddAddsOntoTheMix) {
    player.gainLeft = 0.25f;
    player.gainRight = 0.75f;
    // Left decodes to 4096 (0.125 of full scale), right to 8192 (0.25).
    player.startTrack(makeTrack(&clip, nullptr, makeClip(constantBlocks(2, 1, 2)), nullptr), 0);
    std::vector<float> out(2 * 30, 9.0f), added(2 * 30, 1.0f);
    player.render(out.data(), 30);
    player.renderAdd(added.data(), 30);  // 56 frames in all, then silence
    for (int f = 0; f < 30; ++f) {
        ASSERT_EQ(std::pair(out[2 * f], out[2 * f + 1]), std::pair(0.03125f, 0.1875f)) << f;
        ASSERT_EQ(std::pair(added[2 * f], added[2 * f + 1]), f < 26 ? std::pair(1.03125f, 1.1875f) : std::pair(1.0f, 1.0f)) << f;
    }
}

// A preview belongs to the player from startTrack on and is destroyed when
// playback leaves it (the sanitizer pass checks that it is freed exactly
// once); tracks of the playlist, and tracks the caller keeps, stay whole.
TEST_F(ClipPlayerTest, LetsGoOfPreviewsAndLeavesOtherTracksWhole) {
    player.startTrack(makeTrack(&clip, nullptr, makeClip(constantBlocks(4, 1, 1)), nullptr), 0);
    play(28);
    auto second = makeTrack(&clip, nullptr, makeClip(constantBlocks(3, 3, 3)), nullptr);
    PlaylistTrack* raw = second.get();
    player.startTrack(std::move(second), 0);
    play(50);
    player.startTrack(raw, 1);  // the playing preview restarted: kept, played again
    EXPECT_EQ(play(28 * 3)[0], 12288);
    MiniPlaylist list;
    PlaylistTrack* entry = list.append(makeTrack(&clip, nullptr, makeClip(constantBlocks(1, 2, 2)), nullptr));
    player.startTrack(entry, 0);
    play(28 * 3);
    auto loose = makeTrack(&clip, nullptr, makeClip(constantBlocks(1, 1, 1)), nullptr);  // e.g. one being dragged
    player.startTrack(loose.get(), 0);
    play(28 * 3);
    player.startTrack(nullptr, 0);
    EXPECT_EQ(events.back(), Event(nullptr, 0));
    EXPECT_EQ(entry->next, &list.sentinel);
    EXPECT_TRUE(entry->mainAudio && loose->mainAudio && loose->mainAudio->blockCount() == 1);
}

}  // namespace
}  // namespace vh
