#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

#include "app/Application.h"
#include "app/CMainFrame.h"
#include "audio/PlaybackEngine.h"
#include "audio/TestSoundOutput.h"
#include "support/TestCatalogue.h"
#include "ui/MainView.h"

namespace vh {
namespace {

// Main frames that exist right now, shown or not.
int frameCount() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CMainFrame*>(w)) ++n;
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

// A test output that says when it is destroyed, and what of the view was
// left at that moment.
class WatchedOutput final : public SoundOutput {
public:
    explicit WatchedOutput(bool* viewGoneAtRelease) : viewGone_(viewGoneAtRelease) {}
    ~WatchedOutput() override {
        if (viewGone_) *viewGone_ = MainView::instance() == nullptr && frameCount() == 0;
    }
    bool open() override { return inner_.open(); }
    std::optional<uint32_t> playCursor() override { return inner_.playCursor(); }
    LockStatus lock(uint32_t offset, uint32_t bytes, Regions& regions) override {
        return inner_.lock(offset, bytes, regions);
    }
    void unlock(const Regions& regions) override { inner_.unlock(regions); }
    void restore() override { inner_.restore(); }
    void stop() override { inner_.stop(); }
    void play() override { inner_.play(); }

private:
    TestSoundOutput inner_;
    bool* viewGone_;
};

const QRect kDesktop(0, 0, 1024, 768);

class Startup : public ::testing::Test {
protected:
    OrderPrompts prompts;
    test::TempDir work;
    std::function<std::vector<fs::path>()> candidates = [] { return std::vector<fs::path>{}; };
    bool outputOpens = true;

    std::unique_ptr<Application> makeApplication(const fs::path& workDir) {
        StartupEnvironment env;
        env.prompts = &prompts;
        env.discCandidates = candidates;
        env.workDir = workDir;
        env.desktop = kDesktop;
        env.makeSoundOutput = [this]() -> std::unique_ptr<SoundOutput> {
            auto output = std::make_unique<TestSoundOutput>();
            output->setOpenSucceeds(outputOpens);
            return output;
        };
        return std::make_unique<Application>(std::move(env));
    }
    void TearDown() override { EXPECT_EQ(PlaybackEngine::instance(), nullptr); }
};

TEST_F(Startup, CancelOnTheDiscPromptEndsTheRunWithCodeZeroBeforeAnyWindow) {
    auto app = makeApplication(work.path());
    try {
        app->start();
        FAIL() << "start-up went on after Cancel";
    } catch (const test::RunEnded& ended) {
        EXPECT_EQ(ended.exitCode, 0);
    }
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, GameData::kDiscPromptCaption);
    EXPECT_EQ(prompts.shown[0].text, GameData::kDiscPromptText);
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{0});
    EXPECT_EQ(app->frame(), nullptr);
    EXPECT_EQ(frameCount(), 0);
    EXPECT_EQ(PlaybackEngine::instance(), nullptr);
}

TEST_F(Startup, OkAfterInsertingTheDiscGoesOn) {
    const fs::path disc = work.path() / "disc";
    int searches = 0;
    candidates = [&] {
        // The disc appears while the prompt is up.
        if (++searches == 2) test::writeFile(disc / "AUDIO/CONFIG/TRAKLKUP.DAT", {});
        return std::vector<fs::path>{disc};
    };
    prompts.answers = {true};
    auto app = makeApplication(work.path() / "run");
    ASSERT_TRUE(app->start());
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{0});
    EXPECT_TRUE(app->frame()->isVisible());
}

TEST_F(Startup, CompleteCacheNeedsNoPromptAndOpensTheCentredFrameWithItsTick) {
    test::TestCatalogue catalogue;
    catalogue.add(4, {Chatter, "Talk", "", 4});
    catalogue.load();
    auto app = makeApplication(catalogue.workDir());
    ASSERT_TRUE(app->start());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(app->gameData()->catalogueFileInUse());

    CMainFrame* frame = app->frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnholt Radio"));
    EXPECT_EQ(frame->pos(), QPoint(64, 64));
    EXPECT_EQ(frame->size(), QSize(896, 640));
    EXPECT_EQ(frame->view()->currentStation(), 1);
    EXPECT_EQ(MainView::instance(), frame->view());

    EXPECT_NE(PlaybackEngine::instance(), nullptr);
    EXPECT_TRUE(app->engineTimer().isActive());
    EXPECT_EQ(app->engineTimer().interval(), 5);
    EXPECT_EQ(app->engineTimer().timerType(), Qt::PreciseTimer);
}

TEST_F(Startup, CatalogueWarningComesBeforeTheWindow) {
    test::TestCatalogue catalogue;
    catalogue.add(4, {Chatter, "Talk", "", 4});
    catalogue.load();
    // The catalogue file now describes a different disc: one more clip.
    std::vector<uint8_t> image = test::readFile(catalogue.workDir() / kCatalogueFileName);
    StationTable table;
    ASSERT_EQ(image.size(), sizeof table);
    std::memcpy(&table, image.data(), sizeof table);
    table[4].clipCount = 2;
    table[4].clips[1] = table[4].clips[0];
    std::memcpy(image.data(), &table, sizeof table);
    test::writeFile(catalogue.workDir() / kCatalogueFileName, image);

    auto app = makeApplication(catalogue.workDir());
    ASSERT_TRUE(app->start());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, GameData::kWarningCaption);
    EXPECT_EQ(prompts.shown[0].text, GameData::catalogueWarningText());
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{0});
    EXPECT_FALSE(app->gameData()->catalogueFileInUse());
    EXPECT_TRUE(app->frame()->isVisible());
}

TEST_F(Startup, SoundOutputFailureIsReportedAndClosesTheFrame) {
    test::TestCatalogue catalogue;
    catalogue.load();
    outputOpens = false;
    auto app = makeApplication(catalogue.workDir());
    EXPECT_FALSE(app->start());
    EXPECT_NE(app->exitCode(), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "");
    EXPECT_EQ(prompts.shown[0].text, "Unable to initialize DirectSound\n");
    // Shown over the frame, which is then closed.
    EXPECT_EQ(prompts.framesAtMessage, std::vector<int>{1});
    EXPECT_FALSE(app->frame()->isVisible());
    EXPECT_FALSE(app->engineTimer().isActive());
    EXPECT_EQ(PlaybackEngine::instance(), nullptr);
}

TEST_F(Startup, ShutdownDestroysTheFrameAndViewBeforeTheEngine) {
    test::TestCatalogue catalogue;
    catalogue.add(4, {Chatter, "Talk", "", 4});
    catalogue.load();
    bool viewGoneAtRelease = false;
    StartupEnvironment env;
    env.prompts = &prompts;
    env.discCandidates = candidates;
    env.workDir = catalogue.workDir();
    env.desktop = kDesktop;
    env.makeSoundOutput = [&] { return std::make_unique<WatchedOutput>(&viewGoneAtRelease); };
    Application app(std::move(env));
    ASSERT_TRUE(app.start());
    // The view has a player attached to the engine by now.
    app.frame()->view()->playTrack(nullptr, 0);
    ASSERT_NE(app.frame()->view()->player(), nullptr);

    app.shutdown();
    EXPECT_TRUE(viewGoneAtRelease);
    EXPECT_EQ(MainView::instance(), nullptr);
    EXPECT_EQ(PlaybackEngine::instance(), nullptr);
    EXPECT_FALSE(app.engineTimer().isActive());
    app.shutdown();  // a second time changes nothing
}

}  // namespace
}  // namespace vh
