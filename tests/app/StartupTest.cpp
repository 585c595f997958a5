#include <gtest/gtest.h>

#include <QApplication>

#include "app/Application.h"
#include "app/CMainFrame.h"
#include "audio/PlaybackEngine.h"
#include "support/TestCatalogue.h"
#include "support/TestSoundOutput.h"
#include "ui/MainView.h"

namespace vh {
namespace {

int frameCount() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<CMainFrame*>(w) != nullptr;
    return n;
}

// Records, with every message, how many main frames existed when it showed.
struct OrderPrompts : test::RecordingPrompts {
    std::vector<int> framesAtMessage;
    bool askOkCancel(const std::string& caption, const std::string& text) override {
        framesAtMessage.push_back(frameCount());
        return RecordingPrompts::askOkCancel(caption, text);
    }
    void message(const std::string& caption, const std::string& text) override {
        framesAtMessage.push_back(frameCount());
        RecordingPrompts::message(caption, text);
    }
};

// A test output that notes, when the engine releases it, whether the view and
// the frame were gone by then.
struct WatchedOutput : TestSoundOutput {
    bool* viewGone;
    explicit WatchedOutput(bool* gone) : viewGone(gone) {}
    ~WatchedOutput() override { *viewGone = MainView::instance() == nullptr && frameCount() == 0; }
};

class Startup : public ::testing::Test {
protected:
    OrderPrompts prompts;
    test::TestCatalogue catalogue;
    std::function<std::unique_ptr<SoundOutput>()> output = [] { return std::make_unique<TestSoundOutput>(); };
    std::unique_ptr<Application> start(const fs::path& workDir, bool expectRunning = true) {
        StartupEnvironment env;
        env.prompts = &prompts;
        env.discCandidates = [] { return std::vector<fs::path>{}; };
        env.workDir = workDir;
        env.desktop = QRect(0, 0, 1024, 768);
        env.makeSoundOutput = output;
        auto app = std::make_unique<Application>(std::move(env));
        EXPECT_EQ(app->start(), expectRunning);
        return app;
    }
    void TearDown() override { EXPECT_EQ(PlaybackEngine::instance(), nullptr); }
};

TEST_F(Startup, CancelOnTheDiscPromptEndsTheRunWithCodeZeroBeforeAnyWindow) {
    test::TempDir empty;
    EXPECT_THROW(start(empty.path()), test::RunEnded);  // the recorder ends the run by throwing
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Error");
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{0});
    EXPECT_EQ(frameCount(), 0);
}

TEST_F(Startup, ACompleteCacheOpensTheCentredFrameOnTheFirstListedStationWithItsTick) {
    catalogue.add(4, {Chatter, "Talk", "", 4});
    catalogue.load();
    auto app = start(catalogue.workDir());
    EXPECT_TRUE(prompts.shown.empty());
    CMainFrame* frame = app->frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnholt Radio"));
    EXPECT_EQ(frame->pos(), QPoint(64, 64));
    EXPECT_EQ(frame->size(), QSize(896, 640));
    EXPECT_EQ(frame->view()->currentStation(), 1);
    EXPECT_NE(PlaybackEngine::instance(), nullptr);
    EXPECT_TRUE(app->engineTimer().isActive());
    EXPECT_EQ(app->engineTimer().interval(), 5);
    EXPECT_EQ(app->engineTimer().timerType(), Qt::PreciseTimer);
}

TEST_F(Startup, TheCatalogueWarningComesBeforeTheWindow) {
    catalogue.add(4, {Chatter, "Talk", "", 4});
    catalogue.load();
    // The catalogue file now describes a different disc: one more clip.
    std::vector<uint8_t> image = test::readFile(catalogue.workDir() / kCatalogueFileName);
    Station& ch = (*reinterpret_cast<StationTable*>(image.data()))[4];
    ch.clipCount = 2;
    ch.clips[1] = ch.clips[0];
    test::writeFile(catalogue.workDir() / kCatalogueFileName, image);
    auto app = start(catalogue.workDir());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Warning");
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{0});
    EXPECT_TRUE(app->frame()->isVisible());
}

TEST_F(Startup, ASoundOutputFailureIsReportedOverTheFrameWhichThenCloses) {
    catalogue.load();
    output = [] {
        auto out = std::make_unique<TestSoundOutput>();
        out->setOpenSucceeds(false);
        return out;
    };
    auto app = start(catalogue.workDir(), false);
    EXPECT_NE(app->exitCode(), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption + "|" + prompts.shown[0].text, "|Unable to initialize DirectSound\n");
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{1});
    EXPECT_TRUE(!app->frame()->isVisible() && !app->engineTimer().isActive());
}

TEST_F(Startup, ShutdownDestroysTheFrameAndViewBeforeTheEngine) {
    catalogue.load();
    bool viewGoneAtRelease = false;
    output = [&] { return std::make_unique<WatchedOutput>(&viewGoneAtRelease); };
    auto app = start(catalogue.workDir());
    app->frame()->view()->playTrack(nullptr, 0);  // a player attached to the engine
    ASSERT_NE(app->frame()->view()->player(), nullptr);
    app->shutdown();
    EXPECT_TRUE(viewGoneAtRelease);
    EXPECT_EQ(MainView::instance(), nullptr);
    EXPECT_FALSE(app->engineTimer().isActive());
    app->shutdown();  // a second time changes nothing
}

}  // namespace
}  // namespace vh
