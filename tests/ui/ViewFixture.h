#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QTest>
#include <memory>
#include <vector>

#include "support/TestCatalogue.h"
#include "ui/MainView.h"
#include "ui/ViewGeometry.h"

namespace vh::test {

inline ::testing::AssertionResult hasColour(const QImage& image, int x, int y, Rgb expected) {
    if (!image.valid(x, y)) return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is outside the image";
    const QColor c = image.pixelColor(x, y);
    if (c.red() == expected.r && c.green() == expected.g && c.blue() == expected.b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is (" << c.red() << ", " << c.green() << ", "
                                         << c.blue() << "), expected (" << int(expected.r) << ", " << int(expected.g)
                                         << ", " << int(expected.b) << ")";
}

// A MainView that records what it is asked to play, then plays it.
class RecordingView : public MainView {
public:
    using MainView::MainView;
    struct Call {
        PlaylistTrack* track;
        int32_t startPart;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    void playTrack(PlaylistTrack* track, int32_t startPart) override {
        calls.push_back({track, startPart});
        MainView::playTrack(track, startPart);
    }
};

// A MainView on a small catalogue, drawn offscreen with grab().
class ViewFixture : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    std::unique_ptr<MainView> view;
    RecordingView* recorder = nullptr;  // the view, when made by makeRecordingView

    // Loads the catalogue and makes the view at w × h.
    void makeView(int w = 800, int h = 600) {
        catalogue.load();
        view = std::make_unique<MainView>(catalogue.data());
        view->resize(w, h);
    }
    void makeRecordingView(int w = 800, int h = 600) {
        catalogue.load();
        auto made = std::make_unique<RecordingView>(catalogue.data());
        recorder = made.get();
        view = std::move(made);
        view->resize(w, h);
    }
    void TearDown() override {
        if (view) view->playlist().currentTrack = nullptr;
        view.reset();
    }
    QImage draw() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Shows the view as a window of its own and draws it, so that the mouse
    // handling finds the scrollbars as drawn.
    void showView() {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        flush();
    }
    // Delivers pending repaints to the window.
    static void flush() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // A left-button drag from one point to another through one move.
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view.get(), to);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    }
    void click(QPoint at) { QTest::mouseClick(view.get(), Qt::LeftButton, {}, at); }
    void doubleClick(QPoint at) {
        click(at);
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, at);
    }

    // Renders a little of the player's sound so that it reports what plays.
    void renderPlayer() {
        if (!view->player()) return;
        float buffer[2 * 120] = {};
        view->player()->render(buffer, 120);
    }

    const Clip* clip(int station, int index) { return &catalogue.data().table()[station].clips[index]; }
    PlaylistTrack* append(int station, int index) {
        Playlist& p = view->playlist();
        PlaylistTrack* t = p.insertBefore(p.createTrack(station, clip(station, index)), p.sentinel());
        ++p.trackCount;
        return t;
    }
    // The clips of the playlist's tracks in order.
    std::vector<const Clip*> playlistClips() {
        std::vector<const Clip*> clips;
        Playlist& p = view->playlist();
        for (PlaylistTrack* t = p.first(); t != p.sentinel(); t = t->next) clips.push_back(t->clip);
        return clips;
    }
};

// Points of the drawn view.
inline int rowY(int row) { return 29 + 17 * row; }
inline int slotY(int slot) { return 38 + 65 * slot; }
inline QPoint clipRowPoint(int row) { return QPoint(120, rowY(row) + 8); }
inline QPoint titlePoint(int slot) { return QPoint(geometry::kCdLeft + 300, slotY(slot) + 30); }
inline QPoint gapPoint(int slot) { return QPoint(geometry::kCdLeft + 300, slotY(slot) + 61); }

}  // namespace vh::test
