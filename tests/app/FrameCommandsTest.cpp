// A playlist saved and opened through the real menu and file dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/CMainFrame.h"
#include "app/QtPrompts.h"
#include "support/TestCatalogue.h"
#include "ui/CommandTable.h"
#include "ui/MainView.h"

namespace vh {
namespace {

using namespace command;

constexpr int kAdverts = 1;

// The File menu's playlist commands through the Qt prompts, whose dialogs the
// test answers in place of a person.
TEST(MenuRoundTrip, SaveAsNewAndOpenThroughTheFileMenu) {
    test::TestCatalogue catalogue;
    const int ad = catalogue.add(kAdverts, {Commercial, "Ad", "", 6});
    const int tune = catalogue.addSong(kAdverts, {"Tune", "Band", {"Hi", ""}, {"Bye"}, 8});
    catalogue.load();
    QtPrompts prompts;
    GameData data(prompts, [] { return std::vector<fs::path>{}; }, catalogue.workDir());
    data.loadCatalogue();
    CMainFrame frame(data);
    prompts.setOwner(&frame);
    struct Seen {
        QString title, text, suffix;
        QStringList filters;
        bool save = false, existingOnly = false, confirmsOverwrite = false;
        QWidget* owner = nullptr;
    };
    std::vector<Seen> seen;
    std::vector<QString> answers;  // file names typed into the dialogs, in order
    prompts.setDialogRunner([&](QDialog& dialog) -> int {
        Seen s;
        s.title = dialog.windowTitle();
        s.owner = dialog.parentWidget();
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) s.text = box->text();
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (files) {
            s.filters = files->nameFilters();
            s.suffix = files->defaultSuffix();
            s.save = files->acceptMode() == QFileDialog::AcceptSave;
            s.existingOnly = files->fileMode() == QFileDialog::ExistingFile;
            s.confirmsOverwrite = !files->testOption(QFileDialog::DontConfirmOverwrite);
        }
        seen.push_back(s);
        if (!files) return QMessageBox::Ok;
        if (answers.empty()) return QDialog::Rejected;
        files->selectFile(answers.front());
        answers.erase(answers.begin());
        return QDialog::Accepted;
    });
    Playlist& playlist = frame.view()->playlist();
    for (int c : {tune, ad}) {
        playlist.insertBefore(playlist.createTrack(kAdverts, &data.table()[kAdverts].clips[c]), playlist.sentinel());
        ++playlist.trackCount;
    }
    playlist.first()->intro = 0;  // not the default choice
    frame.updateCommandStates();
    auto choose = [&](int32_t id) {
        ASSERT_TRUE(frame.action(id)->isEnabled()) << id;
        frame.action(id)->trigger();
    };
    const QString dir = QString::fromStdString(catalogue.workDir().string());
    answers = {dir + "/mix"};  // typed without its extension
    choose(kSaveAs);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "Save track list");
    EXPECT_EQ(seen[0].filters, QStringList{"Playlists (*.vhcd)"});
    EXPECT_EQ(seen[0].suffix, "vhcd");
    EXPECT_TRUE(seen[0].save && seen[0].confirmsOverwrite);
    EXPECT_EQ(seen[0].owner, &frame);
    const fs::path saved = catalogue.workDir() / "mix.vhcd";
    EXPECT_EQ(fs::file_size(saved), 4u + 16u * 2u);
    choose(kNew);
    EXPECT_EQ(playlist.trackCount, 0);
    EXPECT_FALSE(frame.action(kSave)->isEnabled());
    EXPECT_FALSE(frame.action(kExportCd)->isEnabled());
    answers = {QString::fromStdString(saved.string())};
    choose(kOpen);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].title, "Open track list");
    EXPECT_TRUE(!seen[1].save && seen[1].existingOnly);
    ASSERT_EQ(playlist.trackCount, 2);
    EXPECT_EQ(playlist.first()->intro, 0);
    answers = {dir + "/missing/other.vhcd"};  // a folder that does not exist: the message box
    choose(kSaveAs);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].title + seen[3].text, "Varnholt RadioFailed to open file\n");
    EXPECT_EQ(playlist.fileName, saved.string());
}

}  // namespace
}  // namespace vh
