#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <memory>
#include <vector>

#include "audio/PlaybackEngine.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"
#include "support/TestSoundOutput.h"
#include "ui/MainView.h"

namespace vh::test {

struct Colour { int r, g, b; };

inline ::testing::AssertionResult hasColour(const QImage& image, int x, int y, Colour e) {
    const QColor c = image.pixelColor(x, y);
    if (image.valid(x, y) && c.red() == e.r && c.green() == e.g && c.blue() == e.b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is " << c.red() << " " << c.green() << " " << c.blue();
}

// A MainView that records what it is asked to play, then plays it.
class RecordingView : public MainView {
public:
    using MainView::MainView;
    std::vector<std::pair<PlaylistTrack*, int32_t>> calls;
    void playTrack(PlaylistTrack* track, int32_t startPart) override {
        calls.push_back({track, startPart});
        MainView::playTrack(track, startPart);
    }
};

// An 800 × 600 view over a small catalogue, shown offscreen, with the engine
// on a sound output that plays only when the test ticks.
class ViewFixture : public ::testing::Test {
public:
    PlaylistTrack* append(int station, int index) { return test::append(view->playlist(), station, index); }

protected:
    TestCatalogue catalogue;
    std::unique_ptr<RecordingView> view;
    TestSoundOutput* output = nullptr;
    RecordingPrompts enginePrompts;
    void makeView(bool shown = true) {
        catalogue.load();
        auto out = std::make_unique<TestSoundOutput>();
        output = out.get();
        ASSERT_NE(PlaybackEngine::create(std::move(out), enginePrompts, {}), nullptr);
        view = std::make_unique<RecordingView>(catalogue.data());
        view->resize(800, 600);
        if (!shown) return;
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        flush();
    }
    void TearDown() override {
        view.reset();
        PlaybackEngine::shutdownEngine();
    }
    QImage draw() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static void flush() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    // 5 ms of sound played and the engine's tick, so the player reports.
    void tick() {
        output->advance(480);
        PlaybackEngine::onTimer();
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view.get(), to);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    }
    void click(QPoint at) { QTest::mouseClick(view.get(), Qt::LeftButton, {}, at); }
    void doubleClick(QPoint at) {  // its first click, then the double click as the window reports it
        click(at);
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, at);
    }
    const Clip* clip(int station, int index) { return &catalogue.data().table()[station].clips[index]; }
    std::vector<const Clip*> playlistClips() {
        std::vector<const Clip*> clips;
        for (PlaylistTrack* t = view->playlist().first(); t != view->playlist().sentinel(); t = t->next) clips.push_back(t->clip);
        return clips;
    }
};

// Points of the drawn view: clip rows of 17 pixels from y = 29, playlist
// slots of 65 pixels from y = 38 and x = 262, each ending in a 6-pixel gap.
inline int rowY(int row) { return 29 + 17 * row; }
inline int slotY(int slot) { return 38 + 65 * slot; }
inline QPoint clipRowPoint(int row) { return QPoint(120, rowY(row) + 8); }
inline QPoint titlePoint(int slot) { return QPoint(562, slotY(slot) + 30); }
inline QPoint gapPoint(int slot) { return QPoint(562, slotY(slot) + 61); }

}  // namespace vh::test
