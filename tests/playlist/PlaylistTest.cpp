#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "audio/ClipPlayer.h"
#include "playlist/PlaylistFile.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"

namespace vh {
namespace {

using test::append;
using test::listLength;

constexpr int kCH = 4;

struct PlaylistFixture : ::testing::Test {
    test::TestCatalogue catalogue;
    test::ViewRecorder view;
    test::PlayerStandIn player;
    std::unique_ptr<Playlist> playlist;
    int allTitled, secondUntitled, threeOutros, chatter;
    void SetUp() override {
        allTitled = catalogue.addSong(kCH, {"Titled", "Band", {"DJ one", "DJ two"}, {"Bye"}});
        secondUntitled = catalogue.addSong(kCH, {"Second", "", {"DJ talk", "", ""}, {"Out", ""}});
        threeOutros = catalogue.addSong(kCH, {"Three", "", {}, {"a", "b", "c"}});
        chatter = catalogue.add(kCH, {Chatter, "Talk", "", 30});
        catalogue.load();
        playlist = std::make_unique<Playlist>(catalogue.data(), &view, &player);
        player.playlist = playlist.get();
    }
    const Clip* clip(int index) { return &catalogue.data().table()[kCH].clips[index]; }
    bool sameBytes(const std::unique_ptr<ClipAudio>& audio, int clipIndex) {
        auto expected = catalogue.data().loadClipData(kCH, clipIndex);
        return audio && std::memcmp(audio->data(), expected->data(), expected->size()) == 0;
    }
};

TEST_F(PlaylistFixture, TracksStartOnTheFirstVariantWithoutSpeechAndLoadTheChosenOnes) {
    auto a = playlist->createTrack(kCH, clip(allTitled));
    EXPECT_EQ(std::pair(a->intro, a->outro), std::pair(0, 0));
    auto t = playlist->createTrack(kCH, clip(secondUntitled));
    EXPECT_EQ(std::pair(t->intro, t->outro), std::pair(1, 1));
    playlist->loadTrackAudio(*t, WaitDisplay::FullView);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"view", "transport cleared"}));
    EXPECT_FALSE(playlist->pleaseWait);
    EXPECT_TRUE(sameBytes(t->introAudio, secondUntitled + 1 + 1));  // clip index + 1 + intro
    EXPECT_TRUE(sameBytes(t->outroAudio, secondUntitled + 1 + 3 + 1));  // + introCount + outro
    EXPECT_EQ(trackSamples(*t), (5 + 20 + 7) * 28);
    auto c = playlist->createTrack(kCH, clip(chatter));
    playlist->loadTrackAudio(*c, WaitDisplay::TransportOnly);
    EXPECT_EQ(view.calls.back(), "transport cleared");
    EXPECT_TRUE(!c->introAudio && c->mainAudio && !c->outroAudio);
    // Choices outside the song's variants (a damaged file) load none.
    a->intro = 7;
    a->outro = -3;
    playlist->loadTrackAudio(*a, WaitDisplay::None);
    EXPECT_TRUE(!a->introAudio && a->mainAudio && !a->outroAudio);
}

// The player lets go of a stopped playlist track by moving on to its
// successor and says so; a track that is about to be destroyed must never be
// left as the current one.
TEST_F(PlaylistFixture, RemovingClearingNewAndOpenStopThePlayerAndForgetTheTracksTheyDestroy) {
    test::TempDir files;
    PlaylistFileCommands commands(*playlist, catalogue.prompts);
    test::writeFile(files / "empty.vhcd", {0, 0, 0, 0});
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"removeTrack", [&] { playlist->removeTrack(playlist->first()); }},
        {"clearPlaylist", [&] { playlist->clearPlaylist(); }},
        {"New", [&] { commands.newPlaylist(); }},
        {"Open", [&] { commands.openPath(files / "empty.vhcd"); }},
    };
    for (const auto& [name, destroy] : ways) {
        SCOPED_TRACE(name);
        append(*playlist, kCH, chatter, false);
        append(*playlist, kCH, chatter, false);
        playlist->currentTrack = playlist->first();  // entry 1 of 2 plays
        playlist->playlistScroll = 1;
        playlist->fileName = "old.vhcd";
        player.calls.clear();
        view.calls.clear();
        destroy();
        EXPECT_EQ(player.stops(), 1);
        EXPECT_EQ(playlist->currentTrack, nullptr);
        EXPECT_EQ(listLength(*playlist), playlist->trackCount);
        if (std::string(name) != "removeTrack") {
            EXPECT_EQ(playlist->first(), playlist->sentinel());
            EXPECT_EQ(playlist->playlistScroll, std::string(name) == "Open" ? 1 : 0);  // loading keeps the pane
            EXPECT_EQ(playlist->fileName, std::string(name) == "Open" ? (files / "empty.vhcd").string() : "");
            EXPECT_EQ(view.calls.back(), "invalidate");
        }
        playlist->clearPlaylist();
    }
    player.calls.clear();
    playlist->clearPlaylist();  // already empty: no stop
    EXPECT_TRUE(player.calls.empty());
    // Removing a track that does not play leaves playback alone.
    append(*playlist, kCH, chatter, false);
    playlist->currentTrack = append(*playlist, kCH, chatter, false);
    player.calls.clear();
    playlist->removeTrack(playlist->first());
    EXPECT_TRUE(player.calls.empty());
    EXPECT_EQ(playlist->currentTrack, playlist->first());
    playlist->currentTrack = nullptr;
}

TEST_F(PlaylistFixture, SteppingVariantsCyclesBothWaysAndRestartsTheCurrentTrack) {
    PlaylistTrack* t = append(*playlist, kCH, threeOutros);
    playlist->stepOutro(*t, -1);
    EXPECT_EQ(t->outro, 2);
    EXPECT_TRUE(sameBytes(t->outroAudio, threeOutros + 1 + 2));
    playlist->stepOutro(*t, +1);
    playlist->stepOutro(*t, +1);
    EXPECT_EQ(t->outro, 1);
    playlist->stepIntro(*t, +1);  // no intros: nothing at all
    EXPECT_EQ(t->intro, 0);
    EXPECT_TRUE(player.calls.empty());  // not playing: no restart
    PlaylistTrack* s = append(*playlist, kCH, allTitled);
    playlist->currentTrack = s;
    playlist->stepIntro(*s, +1);
    EXPECT_EQ(s->intro, 1);
    playlist->currentTrack = s;
    playlist->stepOutro(*s, +1);  // a single outro reloads the same one
    EXPECT_EQ(s->outro, 0);
    EXPECT_TRUE(s->outroAudio);
    EXPECT_EQ(player.calls, (std::vector<std::pair<PlaylistTrack*, int32_t>>{{s, 0}, {s, 2}}));
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
        PlaylistTrack* a = append(*playlist, kCH, chatter);
        PlaylistTrack* b = append(*playlist, kCH, threeOutros);  // main code 2, outros "a" code 3, "b" code 4
        PlaylistTrack* c = append(*playlist, kCH, chatter);
        // A start names the started track, not the old one's neighbour.
        real.playTrack(c, 0);
        real.playTrack(a, 0);
        EXPECT_EQ(playlist->currentTrack, a);

        // One tick's render runs from a's end into b's first block.
        const int32_t aFrames = trackSamples(*a);
        std::vector<int> heard = real.render(aFrames + 28);
        EXPECT_EQ(std::pair(heard[size_t(aFrames - 1)], heard[size_t(aFrames)]), std::pair(1, 2));
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

TEST_F(PlaylistFixture, TheLengthRoundsUpToASecondAndMarksCdsOf78MinutesOrMore) {
    struct Case { int64_t frames; bool has; int32_t minutes, seconds; bool over; };
    const int64_t second = 24000;
    for (auto c : {Case{0, false, 0, 0, false}, Case{28, true, 0, 1, false},
                   Case{(61 * 60 + 30) * second + 4816, true, 61, 31, false},
                   Case{(77 * 60 + 59) * second - 28 * 100, true, 77, 59, false},
                   Case{(77 * 60 + 59) * second + 28, true, 78, 0, true}, Case{100 * 60 * second, true, 99, 59, true}}) {
        Playlist list(catalogue.data());
        for (int i = 0; i < 3; ++i) {  // three tracks share the length
            const int64_t blocks = c.frames / 28 / 3 + (i < (c.frames / 28) % 3 ? 1 : 0);
            PlaylistTrack* t = append(list, kCH, chatter, false);
            t->mainAudio = ClipAudio::allocate(8068 + 135168 * std::size_t((blocks + 4095) / 4096));
            const uint32_t size = uint32_t(blocks * 16);
            std::memcpy(t->mainAudio->data() + 8016, &size, 4);
        }
        const PlaylistLength l = list.playlistDuration();
        EXPECT_EQ(std::tuple(l.hasLength, l.minutes, l.seconds, l.overLength), std::tuple(c.has, c.minutes, c.seconds, c.over))
            << c.frames;
    }
}

TEST_F(PlaylistFixture, PositionReportsRedrawOncePerSecondAndAlwaysDuringAnExport) {
    PlaylistTrack* a = append(*playlist, kCH, chatter, false);
    playlist->reportPosition(a, 100);
    playlist->reportPosition(a, 23999);  // same second: nothing
    playlist->reportPosition(a, 48000);
    EXPECT_EQ(playlist->elapsedSeconds, 2);
    playlist->reportPosition(nullptr, 0);
    EXPECT_EQ(playlist->currentTrack, nullptr);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"invalidate", "transport", "invalidate"}));
    view.calls.clear();
    playlist->exportActive = true;
    for (int i = 0; i < 2; ++i) playlist->reportPosition(a, 0);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"transport", "transport"}));
    EXPECT_EQ(playlist->currentTrack, a);
    playlist->currentTrack = nullptr;
}

}  // namespace
}  // namespace vh
