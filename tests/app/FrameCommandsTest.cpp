// The frame's commands as a person meets them: ids on the actions, no
// shortcuts, prompts in the status bar, enable rules that follow the view at
// once, and a playlist saved and opened through the real menu and file
// dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "app/QtPrompts.h"
#include "audio/PlaybackEngine.h"
#include "audio/TestSoundOutput.h"
#include "support/TestCatalogue.h"
#include "ui/CommandTable.h"
#include "ui/MainView.h"

namespace vh {
namespace {

using namespace command;

constexpr int kAdverts = 1;

QMenu* menuNamed(CMainFrame& frame, const QString& title) {
    for (QAction* a : frame.menuBar()->actions())
        if (a->text() == title) return a->menu();
    return nullptr;
}

QAction* menuItem(CMainFrame& frame, const QString& menu, int32_t id) {
    for (QAction* a : menuNamed(frame, menu)->actions())
        if (!a->isSeparator() && a->data().toInt() == id) return a;
    return nullptr;
}

class FrameCommands : public ::testing::Test {
protected:
    test::TestCatalogue catalogue;
    TestSoundOutput* output = nullptr;
    std::unique_ptr<CMainFrame> frame;
    int song = 0;

    void SetUp() override {
        song = catalogue.addSong(kAdverts, {"Tune", "Band", {""}, {""}, 400});
        catalogue.add(kAdverts, {Commercial, "Ad", "", 400});
        catalogue.load();
        auto out = std::make_unique<TestSoundOutput>();
        output = out.get();
        ASSERT_NE(PlaybackEngine::create(std::move(out), catalogue.prompts, {}), nullptr);
        frame = std::make_unique<CMainFrame>(catalogue.data());
        frame->placeOnDesktop(QRect(0, 0, 1024, 768));
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    void TearDown() override {
        frame.reset();
        PlaybackEngine::shutdownEngine();
    }
    void tick() {
        output->advance(480);
        PlaybackEngine::onTimer();
    }
    QWidget* button(int32_t id) { return frame->toolBar()->widgetForAction(frame->action(id)); }
};

TEST_F(FrameCommands, ActionsCarryTheirIdsAndNoShortcuts) {
    for (const MenuInfo& menu : menuLayout()) {
        std::vector<int32_t> ids;
        for (QAction* a : menuNamed(*frame, QString::fromUtf8(menu.title))->actions()) {
            ids.push_back(a->isSeparator() ? kSeparator : a->data().toInt());
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
        }
        EXPECT_EQ(ids, std::vector<int32_t>(menu.items.begin(), menu.items.end())) << menu.title;
    }
    for (const CommandInfo& info : commandTable()) {
        QAction* a = frame->action(info.id);
        EXPECT_EQ(a->data().toInt(), info.id);
        EXPECT_EQ(a->statusTip(), QString::fromUtf8(info.prompt));
    }
}

TEST_F(FrameCommands, StatusBarShowsThePromptWhileHighlightedElseReady) {
    QLabel* ready = nullptr;
    for (QLabel* label : frame->statusBar()->findChildren<QLabel*>())
        if (label->text() == QStringLiteral("Ready")) ready = label;
    ASSERT_NE(ready, nullptr);
    EXPECT_TRUE(ready->isVisible());

    // What a menu sends while one of its items is highlighted.
    frame->action(kPad)->showStatusText(frame->menuBar());
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Pad playlist with chatter and commercials"));
    EXPECT_FALSE(ready->isVisible());
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(frame->menuBar(), &none);
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(ready->isVisible());
}

TEST_F(FrameCommands, ToolbarAndMenusFollowPlaybackAsItChanges) {
    MainView* view = frame->view();
    EXPECT_FALSE(button(kPlay)->isEnabled());  // empty playlist
    EXPECT_FALSE(button(kStop)->isEnabled());
    EXPECT_TRUE(frame->action(kAddAllSongs)->isEnabled());
    EXPECT_TRUE(frame->action(kCopyAudioFiles)->isEnabled());

    // A preview from the clip list: Stop lights up and the tools grey as
    // soon as the player reports it, with no menu opened.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(4, 29 + 8));
    tick();
    ASSERT_NE(view->playlist().currentTrack, nullptr);
    EXPECT_TRUE(button(kStop)->isEnabled());
    EXPECT_FALSE(frame->action(kAddAllSongs)->isEnabled());
    EXPECT_FALSE(frame->action(kCopyAudioFiles)->isEnabled());
    EXPECT_FALSE(button(kPrevious)->isEnabled());

    // The toolbar's Stop button stops it.
    QTest::mouseClick(button(kStop), Qt::LeftButton);
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
    EXPECT_FALSE(button(kStop)->isEnabled());
    EXPECT_TRUE(frame->action(kAddAllSongs)->isEnabled());

    // A clip dragged into the playlist enables Play, Save and Pad.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 29 + 8));
    QTest::mouseMove(view, QPoint(500, 60));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(500, 60));
    ASSERT_EQ(view->playlist().trackCount, 1);
    EXPECT_TRUE(button(kPlay)->isEnabled());
    EXPECT_TRUE(frame->action(kSave)->isEnabled());
    EXPECT_TRUE(frame->action(kPad)->isEnabled());

    // Play from the toolbar: the playlist track plays, Next stays grey on
    // the only track, Previous does not.
    QTest::mouseClick(button(kPlay), Qt::LeftButton);
    tick();
    EXPECT_EQ(view->playlist().currentTrack, view->playlist().first());
    EXPECT_FALSE(button(kPlay)->isEnabled());
    EXPECT_TRUE(button(kPrevious)->isEnabled());
    EXPECT_FALSE(button(kNext)->isEnabled());
    EXPECT_FALSE(frame->action(kPad)->isEnabled());

    // State changed behind the frame's back is put right before a menu opens.
    view->playlist().currentTrack = nullptr;
    QMenu* tools = menuNamed(*frame, QStringLiteral("&Tools"));
    emit tools->aboutToShow();
    EXPECT_TRUE(frame->action(kPad)->isEnabled());
    view->playTrack(nullptr, 0);
}

// The menu's File commands through QtPrompts, whose dialogs a test answers.
class MenuRoundTrip : public ::testing::Test {
protected:
    test::TestCatalogue catalogue;
    QtPrompts prompts;
    std::unique_ptr<GameData> data;
    std::unique_ptr<CMainFrame> frame;

    struct Seen {
        QString title;
        QStringList filters;
        QString suffix;
        bool save = false;
        bool existingOnly = false;
        bool confirmsOverwrite = false;
        QWidget* owner = nullptr;
        QString text;     // a message box's
        QString initial;  // the file selected when the dialog opens
    };
    std::vector<Seen> seen;
    std::vector<QString> answers;  // file names typed into the dialogs, in order

    void SetUp() override {
        const int ad = catalogue.add(kAdverts, {Commercial, "Ad", "", 6});
        const int tune = catalogue.addSong(kAdverts, {"Tune", "Band", {"Hi", ""}, {"Bye"}, 8});
        catalogue.load();
        data = std::make_unique<GameData>(prompts, [] { return std::vector<fs::path>{}; }, catalogue.workDir());
        data->loadCatalogue();
        frame = std::make_unique<CMainFrame>(*data);
        prompts.setOwner(frame.get());
        prompts.setDialogRunner([this](QDialog& dialog) -> int {
            Seen s;
            s.title = dialog.windowTitle();
            s.owner = dialog.parentWidget();
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                s.text = box->text();
                seen.push_back(s);
                return QMessageBox::Ok;
            }
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files) return QDialog::Rejected;
            s.filters = files->nameFilters();
            s.suffix = files->defaultSuffix();
            s.save = files->acceptMode() == QFileDialog::AcceptSave;
            s.existingOnly = files->fileMode() == QFileDialog::ExistingFile;
            s.confirmsOverwrite = !files->testOption(QFileDialog::DontConfirmOverwrite);
            s.initial = files->selectedFiles().value(0);
            seen.push_back(s);
            if (answers.empty()) return QDialog::Rejected;
            files->selectFile(answers.front());
            answers.erase(answers.begin());
            return QDialog::Accepted;
        });
        Playlist& playlist = frame->view()->playlist();
        const Station& adverts = data->table()[kAdverts];
        for (int c : {tune, ad}) {
            playlist.insertBefore(playlist.createTrack(kAdverts, &adverts.clips[c]), playlist.sentinel());
            ++playlist.trackCount;
        }
        playlist.first()->intro = 0;  // not the default choice
        frame->updateCommandStates();
    }
    void choose(int32_t id) {
        QAction* item = menuItem(*frame, QStringLiteral("&File"), id);
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
    }
};

TEST_F(MenuRoundTrip, SaveAsNewAndOpenThroughTheFileMenu) {
    const QString dir = QString::fromStdString(catalogue.workDir().string());
    answers = {dir + "/mix"};  // typed without its extension
    choose(kSaveAs);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, QStringLiteral("Save track list"));
    EXPECT_EQ(seen[0].filters, QStringList{QStringLiteral("Playlists (*.vhcd)")});
    EXPECT_EQ(seen[0].suffix, QStringLiteral("vhcd"));
    EXPECT_TRUE(seen[0].save);
    EXPECT_TRUE(seen[0].confirmsOverwrite);
    EXPECT_EQ(seen[0].owner, frame.get());
    const fs::path saved = catalogue.workDir() / "mix.vhcd";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(fs::file_size(saved), 4u + 16u * 2u);
    EXPECT_EQ(frame->view()->playlist().fileName, saved.string());

    choose(kNew);
    EXPECT_EQ(frame->view()->playlist().trackCount, 0);
    EXPECT_FALSE(frame->action(kSave)->isEnabled());
    EXPECT_FALSE(frame->action(kExportCd)->isEnabled());

    answers = {QString::fromStdString(saved.string())};
    choose(kOpen);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].title, QStringLiteral("Open track list"));
    EXPECT_FALSE(seen[1].save);
    EXPECT_TRUE(seen[1].existingOnly);
    Playlist& playlist = frame->view()->playlist();
    ASSERT_EQ(playlist.trackCount, 2);
    EXPECT_EQ(playlist.first()->intro, 0);
    EXPECT_EQ(playlist.first()->clip->clipClass, Song);
    EXPECT_TRUE(frame->action(kSave)->isEnabled());

    // A folder that does not exist: the failure comes as a message box
    // captioned with the program's name, and the old name stays.
    answers = {dir + "/missing/other.vhcd"};
    choose(kSaveAs);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].title, QStringLiteral("Varnholt Radio"));
    EXPECT_EQ(seen[3].text, QStringLiteral("Failed to open file\n"));
    EXPECT_EQ(playlist.fileName, saved.string());

    // The save dialog starts on the current file's name.
    choose(kSaveAs);  // cancelled
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[4].initial, QString::fromStdString(saved.string()));
    EXPECT_EQ(playlist.fileName, saved.string());
}

}  // namespace
}  // namespace vh
