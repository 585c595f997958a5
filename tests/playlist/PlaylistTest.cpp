#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "audio/ClipPlayer.h"
#include "playlist/Playlist.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

struct RecordingView : ViewHooks {
    std::vector<std::string> calls;
    void invalidate() override { calls.push_back("invalidate"); }
    void drawTransportNow(bool clear) override { calls.push_back(clear ? "transport cleared" : "transport"); }
    void drawViewNow() override { calls.push_back("view"); }
};

struct RecordingPlayback : PlaybackControl {
    std::vector<std::pair<PlaylistTrack*, int32_t>> calls;
    Playlist* playlist = nullptr;
    void playTrack(PlaylistTrack* track, int32_t part) override {
        calls.push_back({track, part});
        // As the clip player does: the queue is cleared with a (null, 0) report.
        if (playlist) playlist->reportPosition(nullptr, 0);
    }
};

constexpr int kCH = 4;

struct PlaylistFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    RecordingView view;
    RecordingPlayback playback;
    std::unique_ptr<Playlist> playlist;
    int songAllTitled, songSecondUntitled, songThreeOutros, chatter;

    void SetUp() override {
        songAllTitled = catalogue.addSong(kCH, {"Titled", "Band", {"DJ one", "DJ two"}, {"Bye"}});
        songSecondUntitled = catalogue.addSong(kCH, {"Second", "", {"DJ talk", "", ""}, {"Out", ""}});
        songThreeOutros = catalogue.addSong(kCH, {"Three", "", {}, {"a", "b", "c"}});
        chatter = catalogue.add(kCH, {Chatter, "Talk", "", 30});
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data(), &view, &playback);
        playback.playlist = playlist.get();
    }
    const Clip* clip(int index) { return &catalogue.data().table()[kCH].clips[index]; }
    PlaylistTrack* append(int index) {
        auto t = playlist->createTrack(kCH, clip(index));
        PlaylistTrack* raw = playlist->insertBefore(std::move(t), playlist->sentinel());
        ++playlist->trackCount;
        return raw;
    }
    int listLength() {
        int n = 0;
        for (PlaylistTrack* t = playlist->first(); t != playlist->sentinel(); t = t->next) ++n;
        return n;
    }
};

TEST_F(PlaylistFixture, DefaultVariantIsTheFirstWithoutSpeech) {
    auto a = playlist->createTrack(kCH, clip(songAllTitled));
    EXPECT_EQ(a->intro, 0);
    EXPECT_EQ(a->outro, 0);
    auto b = playlist->createTrack(kCH, clip(songSecondUntitled));
    EXPECT_EQ(b->intro, 1);
    EXPECT_EQ(b->outro, 1);
    auto c = playlist->createTrack(kCH, clip(chatter));
    EXPECT_EQ(c->intro, 0);
    playlist->loadTrackAudio(*c, WaitDisplay::None);
    EXPECT_FALSE(c->introAudio);
    EXPECT_TRUE(c->mainAudio);
    EXPECT_FALSE(c->outroAudio);
    EXPECT_EQ(trackSamples(*c), 30 * 28);
}

TEST_F(PlaylistFixture, LoadingFetchesTheChosenVariantsWithTheWaitDisplay) {
    auto t = playlist->createTrack(kCH, clip(songSecondUntitled));
    playlist->loadTrackAudio(*t, WaitDisplay::FullView);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"view", "transport cleared"}));
    EXPECT_FALSE(playlist->pleaseWait);
    ASSERT_TRUE(t->introAudio && t->mainAudio && t->outroAudio);
    EXPECT_EQ(trackSamples(*t), (5 + 20 + 7) * 28);
    // The chosen intro is clip index + 1 + intro: compare its bytes with a fresh load.
    auto expected = catalogue.data().loadClipData(kCH, songSecondUntitled + 1 + 1);
    EXPECT_EQ(std::memcmp(t->introAudio->data(), expected->data(), expected->size()), 0);

    view.calls.clear();
    playlist->loadTrackAudio(*t, WaitDisplay::TransportOnly);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"transport cleared", "transport cleared"}));
}

TEST_F(PlaylistFixture, ChoicesOutsideTheVariantsLoadNoVariant) {
    auto t = playlist->createTrack(kCH, clip(songAllTitled));
    t->intro = 7;
    t->outro = -3;
    EXPECT_EQ(playlist->introClip(*t), nullptr);
    EXPECT_EQ(playlist->outroClip(*t), nullptr);
    playlist->loadTrackAudio(*t, WaitDisplay::None);
    EXPECT_FALSE(t->introAudio);
    EXPECT_FALSE(t->outroAudio);
    EXPECT_TRUE(t->mainAudio);
}

TEST_F(PlaylistFixture, InsertingAtBothEndsAndLookingUpPositions) {
    EXPECT_EQ(playlist->trackAt(0), nullptr);
    PlaylistTrack* b = append(chatter);
    PlaylistTrack* a = playlist->insertAfter(playlist->createTrack(kCH, clip(songAllTitled)), playlist->sentinel());
    ++playlist->trackCount;
    PlaylistTrack* c = append(songThreeOutros);
    EXPECT_EQ(playlist->trackAt(0), a);
    EXPECT_EQ(playlist->trackAt(1), b);
    EXPECT_EQ(playlist->trackAt(2), c);
    EXPECT_EQ(playlist->trackAt(3), nullptr);
    EXPECT_EQ(playlist->trackAt(300), nullptr);
    EXPECT_EQ(playlist->positionOf(c), 2);
    EXPECT_EQ(c->next, playlist->sentinel());
    EXPECT_EQ(playlist->sentinel()->prev, c);

    // Moving is unlink and insert; the count does not change.
    playlist->insertBefore(playlist->unlinkTrack(c), a);
    EXPECT_EQ(playlist->trackAt(0), c);
    EXPECT_EQ(listLength(), playlist->trackCount);
}

TEST_F(PlaylistFixture, RemovingThePlayingTrackStopsPlaybackFirst) {
    PlaylistTrack* a = append(chatter);
    PlaylistTrack* b = append(chatter);
    playlist->currentTrack = b;
    playlist->removeTrack(a);
    EXPECT_TRUE(playback.calls.empty());
    playlist->removeTrack(b);
    ASSERT_EQ(playback.calls.size(), 1u);
    EXPECT_EQ(playback.calls[0].first, nullptr);
    EXPECT_EQ(playlist->currentTrack, nullptr);
    EXPECT_EQ(playlist->trackCount, 0);
    EXPECT_EQ(listLength(), 0);
}

TEST_F(PlaylistFixture, ClearingEmptyAndFullPlaylists) {
    playlist->fileName = "old.vhcd";
    playlist->clearPlaylist();
    EXPECT_TRUE(playback.calls.empty());
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(playlist->fileName.empty());

    for (int i = 0; i < 5; ++i) append(chatter);
    playlist->playlistScroll = 3;
    playlist->fileName = "old.vhcd";
    playlist->clearPlaylist();
    EXPECT_EQ(playback.calls.size(), 1u);
    EXPECT_EQ(playlist->trackCount, 0);
    EXPECT_EQ(playlist->playlistScroll, 0);
    EXPECT_EQ(listLength(), 0);
    EXPECT_TRUE(playlist->fileName.empty());
    EXPECT_EQ(view.calls.back(), "invalidate");
}

TEST_F(PlaylistFixture, SteppingVariantsCyclesBothWaysAndRestartsTheCurrentTrack) {
    PlaylistTrack* t = append(songThreeOutros);
    playlist->loadTrackAudio(*t, WaitDisplay::None);
    ASSERT_EQ(t->outro, 0);
    playlist->stepOutro(*t, -1);
    EXPECT_EQ(t->outro, 2);
    ASSERT_TRUE(t->outroAudio);
    auto third = catalogue.data().loadClipData(kCH, songThreeOutros + 1 + 2);
    EXPECT_EQ(std::memcmp(t->outroAudio->data(), third->data(), third->size()), 0);
    playlist->stepOutro(*t, +1);
    playlist->stepOutro(*t, +1);
    EXPECT_EQ(t->outro, 1);
    EXPECT_TRUE(playback.calls.empty());  // not playing: no restart

    playlist->stepIntro(*t, +1);  // no intros: nothing at all
    EXPECT_EQ(t->intro, 0);

    PlaylistTrack* s = append(songAllTitled);
    playlist->currentTrack = s;
    playlist->stepIntro(*s, +1);
    EXPECT_EQ(s->intro, 1);
    playlist->currentTrack = s;
    playlist->stepOutro(*s, +1);  // a single outro reloads the same one
    EXPECT_EQ(s->outro, 0);
    EXPECT_TRUE(s->outroAudio);
    ASSERT_EQ(playback.calls.size(), 2u);
    EXPECT_EQ(playback.calls[0], std::make_pair(s, 0));
    EXPECT_EQ(playback.calls[1], std::make_pair(s, 2));
}

// The real clip player at unity gain (a rendered sample is the decoded
// code), reporting to the playlist as the view's player does.
struct PlayerPlayback : PlaybackControl {
    explicit PlayerPlayback(Playlist& playlist) {
        player.gainLeft = player.gainRight = 1.0f;
        player.setCallback([&playlist](PlaylistTrack* t, int32_t frames) { playlist.reportPosition(t, frames); });
    }
    void playTrack(PlaylistTrack* track, int32_t part) override { player.startTrack(track, part); }
    // Left samples of `frames` frames rendered in one call, as one engine tick.
    std::vector<int> render(int32_t frames) {
        std::vector<float> out(size_t(2 * frames));
        player.render(out.data(), frames);
        std::vector<int> left;
        for (int32_t f = 0; f < frames; ++f) left.push_back(int(out[size_t(2 * f)] * 32768.0f));
        return left;
    }
    ClipPlayer player;
};

// The player must name the track it has just moved on to: the playlist only
// stops playback before freeing a track it knows to be playing.
TEST_F(PlaylistFixture, TheTrackPlayedNextIsKnownAtOnceSoItIsNeverFreedUnderThePlayer) {
    PlayerPlayback real(*playlist);
    playlist->setPlayback(&real);
    for (bool stepOutro : {false, true}) {
        SCOPED_TRACE(stepOutro ? "outro of the next track stepped" : "next track removed");
        playlist->clearPlaylist();
        PlaylistTrack* a = append(chatter);
        PlaylistTrack* b = append(songThreeOutros);  // main code 2, outros "a" code 3, "b" code 4
        PlaylistTrack* c = append(chatter);
        for (PlaylistTrack* t : {a, b, c}) playlist->loadTrackAudio(*t, WaitDisplay::None);
        // A start names the started track, not the old one's neighbour.
        real.playTrack(c, 0);
        real.playTrack(a, 0);
        EXPECT_EQ(playlist->currentTrack, a);

        // One tick's render runs from a's end into b's first block.
        const int32_t aFrames = trackSamples(*a);
        std::vector<int> heard = real.render(aFrames + 28);
        EXPECT_EQ(heard[size_t(aFrames - 1)], 1);
        EXPECT_EQ(heard[size_t(aFrames)], 2);
        EXPECT_EQ(playlist->currentTrack, b);

        if (!stepOutro) {
            playlist->removeTrack(b);
            EXPECT_EQ(playlist->currentTrack, nullptr);
            heard = real.render(28 * 40);
            EXPECT_EQ(std::count(heard.begin(), heard.end(), 0), 28 * 40);
            EXPECT_EQ(playlist->trackAt(1), c);
        } else {
            playlist->stepOutro(*b, +1);
            EXPECT_EQ(playlist->currentTrack, b);
            // The new outro at once, then c.
            heard = real.render(28 * 8);
            EXPECT_EQ(std::count(heard.begin(), heard.begin() + 28 * 7, 4), 28 * 7);
            EXPECT_EQ(heard[28 * 7], 1);
            EXPECT_EQ(playlist->currentTrack, c);
        }
    }
}

// A track whose main audio lasts exactly `frames` frames (a multiple of 28).
std::unique_ptr<ClipAudio> audioOfFrames(int64_t frames) {
    auto audio = ClipAudio::allocate(8068 + 135168 * std::size_t((frames / 28 + 4095) / 4096));
    uint32_t size = uint32_t(frames / 28 * 16);
    std::memcpy(audio->data() + 8016, &size, 4);
    return audio;
}

TEST_F(PlaylistFixture, LengthRoundsUpAndMarksCdsThatAreTooLong) {
    struct Case {
        int64_t frames;
        bool has;
        int32_t minutes, seconds;
        bool over;
    };
    const int64_t second = 24000;
    for (auto c : {Case{0, false, 0, 0, false}, Case{28, true, 0, 1, false},
                   Case{(61 * 60 + 30) * second + 4816, true, 61, 31, false},
                   Case{(77 * 60 + 59) * second - 28 * 100, true, 77, 59, false},
                   Case{(77 * 60 + 59) * second + 28, true, 78, 0, true}, Case{78 * 60 * second, true, 78, 0, true},
                   Case{100 * 60 * second, true, 99, 59, true}}) {
        Playlist list(catalogue.data());
        // Three tracks share the length, as a real playlist would.
        for (int i = 0; i < 3; ++i) {
            auto t = list.createTrack(kCH, clip(chatter));
            int64_t part = (c.frames / 28 / 3 + (i < (c.frames / 28) % 3 ? 1 : 0)) * 28;
            if (part) t->mainAudio = audioOfFrames(part);
            list.insertBefore(std::move(t), list.sentinel());
            ++list.trackCount;
        }
        PlaylistLength length = list.playlistDuration();
        EXPECT_EQ(length.hasLength, c.has) << c.frames;
        EXPECT_EQ(length.minutes, c.minutes) << c.frames;
        EXPECT_EQ(length.seconds, c.seconds) << c.frames;
        EXPECT_EQ(length.overLength, c.over) << c.frames;
    }
}

TEST_F(PlaylistFixture, PositionReportsInTheirThreeModes) {
    PlaylistTrack* a = append(chatter);
    playlist->reportPosition(a, 100);
    EXPECT_EQ(playlist->currentTrack, a);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"invalidate"}));
    playlist->reportPosition(a, 23999);  // same second: nothing
    EXPECT_EQ(view.calls.size(), 1u);
    playlist->reportPosition(a, 48000);
    EXPECT_EQ(playlist->elapsedSeconds, 2);
    EXPECT_EQ(view.calls.back(), "transport");
    playlist->reportPosition(nullptr, 0);
    EXPECT_EQ(playlist->currentTrack, nullptr);
    EXPECT_EQ(view.calls.back(), "invalidate");

    view.calls.clear();
    playlist->exportActive = true;
    playlist->reportPosition(a, 0);
    playlist->reportPosition(a, 0);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"transport", "transport"}));
    EXPECT_EQ(playlist->currentTrack, a);
}

}  // namespace
}  // namespace vh
