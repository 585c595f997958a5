#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "app/HelpDialog.h"
#include "support/TestCatalogue.h"
#include "ui/CommandTable.h"
#include "ui/MainView.h"

namespace vh {
namespace {

TEST(InitialFramePosition, CentresAndKeepsNegativePositions) {
    EXPECT_EQ(initialFramePosition(QSize(1024, 768)), QPoint(64, 64));
    EXPECT_EQ(initialFramePosition(QSize(1920, 1080)), QPoint(512, 220));
    EXPECT_EQ(initialFramePosition(QSize(800, 600)), QPoint(-48, -20));
    // Halves round toward zero, also below zero.
    EXPECT_EQ(initialFramePosition(QSize(801, 599)), QPoint(-47, -20));
    EXPECT_EQ(initialFramePosition(QSize(897, 641)), QPoint(0, 0));
}

class Frame : public ::testing::Test {
protected:
    test::TestCatalogue catalogue;
    std::unique_ptr<CMainFrame> frame;
    void SetUp() override {
        catalogue.load();
        frame = std::make_unique<CMainFrame>(catalogue.data());
        frame->placeOnDesktop(QRect(0, 0, 1024, 768));
    }
    QStringList menuTexts(QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }
};

TEST_F(Frame, MenusAndToolbarHoldEveryCommandInOrder) {
    QList<QStringList> menus;
    for (QAction* menu : frame->menuBar()->actions()) menus << (QStringList{menu->text()} + menuTexts(menu->menu()));
    EXPECT_EQ(menus, (QList<QStringList>{
                         {"&File", "&New", "&Open...", "&Save", "Save &As...", "-", "&Export CD...", "Export &Wave...",
                          "-", "Co&py Audio Files", "-", "E&xit"},
                         {"&View", "&Toolbar", "&Status Bar"},
                         {"&Playback", "&Play", "&Stop", "Pre&vious", "&Next"},
                         {"&Tools", "Add all &Songs", "Randomize &Intros", "&Pad", "-", "Create &Music Mix",
                          "Create &Radio Mix"},
                         {"&Options", "&Export options..."},
                         {"&Help", "&Help..."}}));
    EXPECT_EQ(frame->action(command::kExportWave)->statusTip(), "Export playlist as 24kHz wave file");
    QToolBar* bar = frame->toolBar();
    EXPECT_TRUE(bar->isMovable());
    EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(frame->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_EQ(bar->iconSize(), QSize(16, 15));
    QStringList tips;
    for (QAction* a : bar->actions()) {
        tips << (a->isSeparator() ? "-" : a->toolTip());
        EXPECT_TRUE(a->isSeparator() || !a->icon().isNull());
    }
    EXPECT_EQ(tips, (QStringList{"Help", "-", "Previous", "Next", "Stop", "Play"}));
}

const QStringList kExpectedHelp = {
    "Varnholt Radio",
    "",
    "The left window shows available audio clips.  The right window shows the",
    "current CD playlist.",
    "",
    "Select a radio station in the left window using the left and right arrows in",
    "the green banner at the top.  Double-click a clip to preview it, or use its",
    "preview button.  Each colour indicates a different type of clip.",
    "",
    "Drag clips to the CD playlist.  Move the tracks around at will.  Drag them",
    "off the list to remove them.  Click the track number to play the CD from",
    "that track.  Click the bottom of the track number to just play the outro of",
    "a song.",
    "",
    "The CD transport at the top can also be used to control playback.",
    "",
    "You can use commands in the Tools menu to help you make playlists.",
    "",
    "When you are finished, use the File->Export CD command to export a",
    "WAV file ready for direct-to-CD burning.  This also exports a CUE file",
    "which can be used with many CD burning programs.",
    "",
    "To optimize performance you can cache the data files from the DVD onto",
    "your hard drive.  Select File->Copy Audio Files to do this.  It takes about",
    "10 minutes to copy them all.",
};

TEST(HelpText, IsTheListedLinesEachEndedByCrLf) {
    QStringList lines = QString::fromStdString(helpText()).split("\r\n");
    EXPECT_EQ(lines.takeLast(), "");
    EXPECT_EQ(lines, kExpectedHelp);
}

}  // namespace
}  // namespace vh
