#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <memory>

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

// A MainView on a small catalogue, drawn offscreen with grab().
class ViewFixture : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    std::unique_ptr<MainView> view;

    // Loads the catalogue and makes the view at w × h.
    void makeView(int w = 800, int h = 600) {
        catalogue.load();
        view = std::make_unique<MainView>(catalogue.data());
        view->resize(w, h);
    }
    void TearDown() override {
        if (view) view->playlist().currentTrack = nullptr;
        view.reset();
    }
    QImage draw() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    const Clip* clip(int station, int index) { return &catalogue.data().table()[station].clips[index]; }
    PlaylistTrack* append(int station, int index) {
        Playlist& p = view->playlist();
        PlaylistTrack* t = p.insertBefore(p.createTrack(station, clip(station, index)), p.sentinel());
        ++p.trackCount;
        return t;
    }
};

}  // namespace vh::test
