#include "audio/PlaybackEngine.h"
#include "audio/TestSoundOutput.h"
#include "export/ExportOptions.h"
#include "ViewFixture.h"

namespace vh {
namespace {

constexpr int kAdverts = 1;
constexpr int kCH = 4;

class MainViewState : public test::ViewFixture {};

TEST_F(MainViewState, StartsOnTheFirstListedStationWithTheSavedExportOption) {
    catalogue.add(kCH, {Chatter, "Talk", "", 4});
    catalogue.load();
    catalogue.data().table()[kAdverts].listed = 0;
    test::writeFile(catalogue.workDir() / kOptionsFileName, {1});
    view = std::make_unique<MainView>(catalogue.data());
    EXPECT_EQ(view->currentStation(), kCH);
    EXPECT_EQ(view->trackLayout(), kLayoutPerSong);
    EXPECT_EQ(MainView::instance(), view.get());
    view.reset();
    // Reports arriving after the view is gone find none.
    EXPECT_EQ(MainView::instance(), nullptr);
}

TEST_F(MainViewState, RebuildingTheRowsKeepsTheScrollWithinThem) {
    for (int i = 0; i < 40; ++i) catalogue.add(kAdverts, {Commercial, "Ad", "", 2});
    makeView(800, 600);
    draw();  // 33 rows fit
    ASSERT_EQ(view->clipRowCount(), 40);
    view->setClipScroll(30);
    view->rebuildClipRows();
    EXPECT_EQ(view->clipScroll(), 7);
    view->setClipScroll(-3);
    view->rebuildClipRows();
    EXPECT_EQ(view->clipScroll(), 0);
}

class ViewPlayback : public test::ViewFixture {
protected:
    TestSoundOutput* output = nullptr;
    test::RecordingPrompts prompts;
    void SetUp() override {
        auto out = std::make_unique<TestSoundOutput>();
        output = out.get();
        ASSERT_NE(PlaybackEngine::create(std::move(out), prompts, {}), nullptr);
    }
    void TearDown() override {
        ViewFixture::TearDown();
        PlaybackEngine::shutdownEngine();
    }
    void tick() {
        output->advance(480);  // 5 ms of sound played
        PlaybackEngine::onTimer();
    }
};

TEST_F(ViewPlayback, PreviewPlaysThroughTheEngineAndReportsToThePlaylist) {
    const int clipIndex = catalogue.add(kAdverts, {Commercial, "Ad", "", 40});
    makeView();
    EXPECT_EQ(view->player(), nullptr);  // made on first use

    auto preview = view->playlist().createTrack(kAdverts, clip(kAdverts, clipIndex));
    view->playlist().loadTrackAudio(*preview, WaitDisplay::None);
    PlaylistTrack* raw = preview.get();
    view->playPreview(std::move(preview), 0);
    ASSERT_NE(view->player(), nullptr);
    EXPECT_TRUE(view->player()->isLinked());

    tick();
    EXPECT_EQ(view->playlist().currentTrack, raw);
    EXPECT_EQ(view->transportText().text, "-- 00:00");

    // Stopping lets go of the preview, and the playlist hears of it.
    view->playTrack(nullptr, 0);
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
}

TEST_F(ViewPlayback, RemovingThePlayingTrackStopsPlaybackFirst) {
    const int clipIndex = catalogue.add(kCH, {Chatter, "Talk", "", 40});
    makeView();
    PlaylistTrack* track = append(kCH, clipIndex);
    view->playlist().loadTrackAudio(*track, WaitDisplay::None);
    view->playTrack(track, 0);
    tick();
    ASSERT_EQ(view->playlist().currentTrack, track);
    view->playlist().removeTrack(track);
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
    tick();  // the player must not touch the destroyed track
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
    EXPECT_EQ(view->playlist().trackCount, 0);
}

}  // namespace
}  // namespace vh
