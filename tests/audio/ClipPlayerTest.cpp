#include "audio/ClipPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "HandClips.h"

namespace vh {
namespace {

using namespace handclips;

using Event = std::pair<const PlaylistTrack*, int32_t>;

// A circular list around a sentinel, as the playlist keeps it.
struct MiniPlaylist {
    MiniPlaylist() { sentinel.next = sentinel.prev = &sentinel; }
    PlaylistTrack* append(std::unique_ptr<PlaylistTrack> track) {
        PlaylistTrack* t = track.get();
        t->prev = sentinel.prev;
        t->next = &sentinel;
        sentinel.prev->next = t;
        sentinel.prev = t;
        owned.push_back(std::move(track));
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
        std::vector<float> out(size_t(2 * frames), 123.0f);
        for (int32_t done = 0; done < frames; done += step) player.render(out.data() + 2 * done, std::min(step, frames - done));
        std::vector<int16_t> samples;
        for (float f : out) samples.push_back(int16_t(f * 32768.0f));
        return samples;
    }

    Clip clip{};
    ClipPlayer player;
    std::vector<Event> events;
};

// Track of intro (3 blocks, left 4096), main (5 blocks, left 8192) and outro
// (2 blocks, left 12288); the right channel is the left one plus 4096.
std::unique_ptr<PlaylistTrack> markedTrack(const Clip* clip) {
    return makeTrack(clip, makeClip(constantBlocks(3, 1, 2)), makeClip(constantBlocks(5, 2, 3)),
                     makeClip(constantBlocks(2, 3, 4)));
}

struct StartCase {
    int32_t startPart;
    int32_t firstPosition;   // frames of the parts left out
    int16_t firstLeft;       // marks the part that plays first
    int32_t framesPlayed;
};

class ClipPlayerStartPartTest : public ClipPlayerTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(ClipPlayerStartPartTest, PlaysFromItsPartAndReportsPositionFromTrackStart) {
    const StartCase c = GetParam();
    auto track = markedTrack(&clip);
    const PlaylistTrack* raw = track.get();
    player.startTrack(std::move(track), c.startPart);
    events.clear();
    const std::vector<int16_t> out = play(28 * 12);

    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), Event(raw, c.firstPosition));
    EXPECT_EQ(out[0], c.firstLeft);
    EXPECT_EQ(out[1], c.firstLeft + 4096);
    // The preview plays its parts back to back, then nothing.
    for (int32_t f = 0; f < 28 * 12; ++f) {
        if (f < c.framesPlayed) ASSERT_NE(out[2 * f], 0) << "frame " << f;
        else ASSERT_EQ(out[2 * f], 0) << "frame " << f;
    }
    EXPECT_EQ(out[2 * (c.framesPlayed - 1)], 12288);  // the outro always ends it
}

INSTANTIATE_TEST_SUITE_P(Parts, ClipPlayerStartPartTest,
                         ::testing::Values(StartCase{-1, 0, 4096, 280}, StartCase{0, 0, 4096, 280},
                                           StartCase{1, 84, 8192, 196}, StartCase{2, 224, 12288, 56},
                                           StartCase{3, 224, 12288, 56}),
                         [](const ::testing::TestParamInfo<StartCase>& info) {
                             const int32_t part = info.param.startPart;
                             return part < 0 ? std::string("Minus") + std::to_string(-part) : std::to_string(part);
                         });

TEST_F(ClipPlayerTest, CarriesPredictorsAcrossPartsLikeTheExport) {
    // The main part crosses a chunk boundary.
    MiniPlaylist list;
    PlaylistTrack* track = list.append(makeTrack(&clip, makeClip(busyBlocks(10, 1)), makeClip(busyBlocks(4100, 2)),
                                                 makeClip(busyBlocks(7, 3))));
    SampleSink exported;
    const int32_t frames = exportTrack(*track, exported, nullptr);
    ASSERT_EQ(frames, 28 * 4117);

    player.startTrack(track, 0);
    std::vector<int16_t> out = play(frames + 100, 333);
    std::vector<int16_t> heard(out.begin(), out.begin() + 2 * frames);
    EXPECT_EQ(heard, exported.samples);
    for (size_t i = 2 * size_t(frames); i < out.size(); ++i) ASSERT_EQ(out[i], 0);

    // Starting again mid-block begins from fresh predictors and a fresh block.
    player.startTrack(track, 0);
    play(1000, 77);
    player.startTrack(track, 0);
    out = play(3000, 50);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), exported.samples.begin()));
}

TEST_F(ClipPlayerTest, OutroAloneStartsFromFreshPredictors) {
    MiniPlaylist list;
    PlaylistTrack* track = list.append(makeTrack(&clip, makeClip(busyBlocks(6, 4)), makeClip(busyBlocks(9, 5)),
                                                 makeClip(busyBlocks(8, 6))));
    SampleSink whole;
    exportTrack(*track, whole, nullptr);
    SampleSink outroAlone;
    PredictorState left, right;
    exportPart(track, 0, track->outroAudio.get(), outroAlone, left, right, nullptr);

    player.startTrack(track, 2);
    const std::vector<int16_t> out = play(28 * 8);
    EXPECT_EQ(out, outroAlone.samples);
    // The outro decoded after intro and main sounds different, so the
    // comparison above does tell a reset from a carried state.
    std::vector<int16_t> tail(whole.samples.end() - 2 * 28 * 8, whole.samples.end());
    EXPECT_NE(out, tail);
}

TEST_F(ClipPlayerTest, MovesOnToNextTrackAndFallsSilentAtTheSentinel) {
    MiniPlaylist list;
    PlaylistTrack* a = list.append(makeTrack(&clip, nullptr, makeClip(constantBlocks(2, 1, 1)), nullptr));
    PlaylistTrack* b = list.append(makeTrack(&clip, nullptr, makeClip(constantBlocks(3, 2, 2)), nullptr));
    player.startTrack(a, 0);
    events.clear();
    const std::vector<int16_t> out = play(28 * 8);

    // No gap between the tracks, silence after the last.
    for (int32_t f = 0; f < 28 * 8; ++f) {
        const int16_t expected = f < 56 ? 4096 : f < 140 ? 8192 : 0;
        ASSERT_EQ(out[2 * f], expected) << "frame " << f;
    }
    const std::vector<Event> expected = {
        {a, 0}, {a, 28}, {a, 56},
        {b, 0},                        // moving on names b, which now plays
        {b, 0}, {b, 28}, {b, 56},
        {nullptr, 0},                  // b's next is the sentinel
        {nullptr, 84}, {nullptr, 112}, // idle, still counting
    };
    EXPECT_EQ(events, expected);
}

TEST_F(ClipPlayerTest, PassesOverTracksAndPartsWithNoAudio) {
    MiniPlaylist list;
    PlaylistTrack* empty = list.append(makeTrack(&clip, nullptr, nullptr, nullptr));
    // An intro whose header declares no blocks yields nothing either.
    PlaylistTrack* b = list.append(makeTrack(&clip, makeClip({}), makeClip(constantBlocks(2, 2, 2)), nullptr));
    player.startTrack(empty, 0);
    const std::vector<int16_t> out = play(28 * 3);
    EXPECT_EQ(out[0], 8192);
    EXPECT_EQ(out[2 * 55], 8192);
    EXPECT_EQ(out[2 * 56], 0);
    EXPECT_NE(std::find(events.begin(), events.end(), Event(b, 28)), events.end());
    EXPECT_EQ(events.back().first, nullptr);
}

TEST_F(ClipPlayerTest, IdlePositionCountsOnInBlockSteps) {
    play(28 * 4);
    const std::vector<Event> blockAligned = {{nullptr, 0}, {nullptr, 28}, {nullptr, 56}, {nullptr, 84}};
    EXPECT_EQ(events, blockAligned);
    events.clear();
    // Mid-block the report is the counter (which already includes the block
    // being rendered) plus the frames of that block rendered so far.
    play(30, 10);
    const std::vector<Event> partial = {{nullptr, 112}, {nullptr, 150}, {nullptr, 160}};
    EXPECT_EQ(events, partial);
}

// Adopted previews: counted when the player destroys them.
class ClipPlayerPreviewTest : public ClipPlayerTest {
protected:
    PreviewTrack preview(int blocks) {
        PreviewTrack track(makeTrack(&clip, nullptr, makeClip(constantBlocks(blocks, 1, 1)), nullptr).release());
        // The count outlives the fixture: the player, destroyed with the
        // fixture's base, may still hold a preview.
        track.get_deleter().onDelete = [count = deletions] { ++*count; };
        return track;
    }
    std::shared_ptr<int> deletions = std::make_shared<int>(0);
    const int& deleted = *deletions;
};

TEST_F(ClipPlayerPreviewTest, IsDestroyedWhenReplacedOrStopped) {
    player.startTrack(preview(4), 0);
    play(28);
    player.startTrack(preview(4), 0);
    EXPECT_EQ(deleted, 1);

    MiniPlaylist list;
    PlaylistTrack* entry = list.append(makeTrack(&clip, nullptr, makeClip(constantBlocks(1, 2, 2)), nullptr));
    player.startTrack(entry, 0);
    EXPECT_EQ(deleted, 2);

    player.startTrack(preview(4), 0);
    player.startTrack(nullptr, 0);
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(events.back(), Event(nullptr, 0));
    // The playlist's track is untouched.
    EXPECT_EQ(entry->next, &list.sentinel);
    ASSERT_NE(entry->mainAudio, nullptr);
}

TEST_F(ClipPlayerPreviewTest, IsDestroyedAfterItsLastBlockOrWithThePlayer) {
    player.startTrack(preview(3), 0);
    std::vector<int16_t> out = play(28 * 3);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(out[2 * 83], 4096);
    out = play(28);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(events.back(), Event(nullptr, 0));

    {
        ClipPlayer other;
        other.startTrack(preview(3), 0);
    }
    EXPECT_EQ(deleted, 2);
}

TEST_F(ClipPlayerPreviewTest, RestartingThePlayingPreviewKeepsIt) {
    PreviewTrack track = preview(3);
    PlaylistTrack* raw = track.get();
    player.startTrack(std::move(track), 0);
    play(50);
    player.startTrack(raw, 1);
    EXPECT_EQ(deleted, 0);
    const std::vector<int16_t> out = play(28 * 3);
    EXPECT_EQ(out[0], 4096);
    EXPECT_EQ(deleted, 0);
}

TEST_F(ClipPlayerTest, TrackAPlayerDoesNotOwnIsNeverFreed) {
    // Unlinked but owned by the caller (e.g. a track being dragged).
    auto loose = makeTrack(&clip, nullptr, makeClip(constantBlocks(1, 1, 1)), nullptr);
    player.startTrack(loose.get(), 0);
    play(28 * 3);
    EXPECT_EQ(events.back().first, nullptr);
    ASSERT_NE(loose->mainAudio, nullptr);
    EXPECT_EQ(loose->mainAudio->blockCount(), 1);
}

}  // namespace
}  // namespace vh
