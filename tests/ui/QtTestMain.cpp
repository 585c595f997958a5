// main() of the Qt test suites: widgets run offscreen and sound goes to SDL's
// dummy driver, so no display and no sound card are needed. The variables are
// set before QApplication exists and only where the caller has not chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
