// A playlist saved and opened through the File menu and the Qt prompts, whose
// dialogs the test answers in place of a person.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/CMainFrame.h"
#include "app/QtPrompts.h"
#include "support/PlaylistSupport.h"
#include "support/TestCatalogue.h"
#include "ui/CommandTable.h"
#include "ui/MainView.h"

namespace vh {
namespace {

using namespace command;

TEST(MenuRoundTrip, SaveAsAndOpenThroughTheFileMenu) {
    test::TestCatalogue catalogue;
    const int tune = catalogue.addSong(1, {"Tune", "Band", {"Hi", ""}, {"Bye"}, 8});
    catalogue.load();
    QtPrompts prompts;
    GameData data(prompts, [] { return std::vector<fs::path>{}; }, catalogue.workDir());
    data.loadCatalogue();
    CMainFrame frame(data);
    prompts.setOwner(&frame);
    std::vector<QString> seen;     // per dialog: title, text or the file dialog's settings
    std::vector<QString> answers;  // file names typed into the dialogs, in order
    prompts.setDialogRunner([&](QDialog& dialog) -> int {
        QString s = dialog.windowTitle() + (dialog.parentWidget() == &frame ? "|owned" : "|loose");
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files) {
            seen.push_back(s + "|" + qobject_cast<QMessageBox*>(&dialog)->text());
            return QMessageBox::Ok;
        }
        seen.push_back(s + "|" + files->nameFilters().join(";") + "|" + files->defaultSuffix() +
                       (files->acceptMode() == QFileDialog::AcceptSave ? "|save" : "|open") +
                       (files->fileMode() == QFileDialog::ExistingFile ? "|existing" : "") +
                       (files->testOption(QFileDialog::DontConfirmOverwrite) ? "" : "|confirms"));
        if (answers.empty()) return QDialog::Rejected;
        files->selectFile(answers.front());
        answers.erase(answers.begin());
        return QDialog::Accepted;
    });
    Playlist& playlist = frame.view()->playlist();
    test::append(playlist, 1, tune, false)->intro = 0;  // not the default choice
    frame.updateCommandStates();
    auto choose = [&](int32_t id) {
        ASSERT_TRUE(frame.action(id)->isEnabled()) << id;
        frame.action(id)->trigger();
    };
    const QString dir = QString::fromStdString(catalogue.workDir().string());
    answers = {dir + "/mix", dir + "/missing/other.vhcd"};  // typed without its extension; a folder that does not exist
    choose(kSaveAs);
    const fs::path saved = catalogue.workDir() / "mix.vhcd";
    EXPECT_EQ(fs::file_size(saved), 4u + 16u);
    choose(kSaveAs);
    playlist.clearPlaylist();
    answers = {QString::fromStdString(saved.string())};
    choose(kOpen);
    ASSERT_EQ(playlist.trackCount, 1);
    EXPECT_EQ(playlist.first()->intro, 0);
    EXPECT_EQ(seen, (std::vector<QString>{"Save track list|owned|Playlists (*.vhcd)|vhcd|save|confirms",
                                          "Save track list|owned|Playlists (*.vhcd)|vhcd|save|confirms",
                                          "Varnholt Radio|owned|Failed to open file\n",
                                          "Open track list|owned|Playlists (*.vhcd)|vhcd|open|existing|confirms"}));
}

}  // namespace
}  // namespace vh
