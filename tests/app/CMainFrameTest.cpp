#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
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

TEST_F(Frame, MenuBarHasEveryItemInOrder) {
    QStringList titles;
    QList<QStringList> items;
    for (QAction* menu : frame->menuBar()->actions()) {
        titles << menu->text();
        items << menuTexts(menu->menu());
    }
    EXPECT_EQ(titles, (QStringList{"&File", "&View", "&Playback", "&Tools", "&Options", "&Help"}));
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(items[0], (QStringList{"&New", "&Open...", "&Save", "Save &As...", "-", "&Export CD...",
                                     "Export &Wave...", "-", "Co&py Audio Files", "-", "E&xit"}));
    EXPECT_EQ(items[1], (QStringList{"&Toolbar", "&Status Bar"}));
    EXPECT_EQ(items[2], (QStringList{"&Play", "&Stop", "Pre&vious", "&Next"}));
    EXPECT_EQ(items[3], (QStringList{"Add all &Songs", "Randomize &Intros", "&Pad", "-", "Create &Music Mix",
                                     "Create &Radio Mix"}));
    EXPECT_EQ(items[4], (QStringList{"&Export options..."}));
    EXPECT_EQ(items[5], (QStringList{"&Help..."}));
    // Prompts reach the status bar through the actions.
    EXPECT_EQ(frame->action(command::kExportWave)->statusTip(), QStringLiteral("Export playlist as 24kHz wave file"));
}

TEST_F(Frame, ToolbarHoldsTheFiveButtonsWithImagesAndTooltips) {
    QToolBar* bar = frame->toolBar();
    EXPECT_TRUE(bar->isMovable());
    EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(frame->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_EQ(bar->iconSize(), QSize(16, 15));
    QStringList tips;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator()) {
            tips << "-";
            continue;
        }
        tips << a->toolTip();
        EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
    }
    EXPECT_EQ(tips, (QStringList{"Help", "-", "Previous", "Next", "Stop", "Play"}));
}

TEST_F(Frame, ViewMenuTogglesToolbarAndStatusBarWithCheckMarksAndExitCloses) {
    frame->show();
    QAction* toolbar = frame->action(command::kToggleToolbar);
    QAction* status = frame->action(command::kToggleStatusBar);
    EXPECT_TRUE(toolbar->isChecked());
    EXPECT_TRUE(status->isChecked());

    toolbar->trigger();
    EXPECT_TRUE(frame->toolBar()->isHidden());
    EXPECT_FALSE(toolbar->isChecked());
    toolbar->trigger();
    EXPECT_FALSE(frame->toolBar()->isHidden());
    EXPECT_TRUE(toolbar->isChecked());

    status->trigger();
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(status->isChecked());
    status->trigger();
    EXPECT_FALSE(frame->statusBar()->isHidden());
    EXPECT_TRUE(status->isChecked());

    frame->action(command::kExit)->trigger();
    EXPECT_FALSE(frame->isVisible());
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

TEST_F(Frame, HelpCommandShowsTheHelpTextModally) {
    frame->show();
    QString title;
    QStringList shownLines;
    bool wrapOff = false, readOnly = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        title = modal->windowTitle();
        if (auto* box = modal->findChild<QPlainTextEdit*>()) {
            shownLines = box->toPlainText().split('\n');
            wrapOff = box->lineWrapMode() == QPlainTextEdit::NoWrap;
            readOnly = box->isReadOnly();
        }
        modal->close();
    });
    frame->action(command::kHelp)->trigger();
    EXPECT_EQ(title, QStringLiteral("About Varnholt Radio"));
    const QString text = QString::fromStdString(helpText());
    EXPECT_TRUE(text.endsWith("\r\n"));
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    EXPECT_EQ(lines, kExpectedHelp);
    EXPECT_EQ(shownLines, kExpectedHelp);
    EXPECT_TRUE(wrapOff);
    EXPECT_TRUE(readOnly);
}

}  // namespace
}  // namespace vh
