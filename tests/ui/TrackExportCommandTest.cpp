// File → Export Tracks from the view, and the CD-TEXT box of the export
// options dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "export/ExportOptions.h"
#include "ui/CommandTable.h"
#include "ui/TrackExportDlg.h"
#include "ui/TrackLayoutDlg.h"
#include "ViewFixture.h"

namespace vh {
namespace {

using namespace command;

void press(QWidget* dialog, const QString& text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text().remove('&') == text) return b->click();
}

class TracksCommand : public test::ViewFixture {
protected:
    void SetUp() override {
        catalogue.addSong(4, {"Tune", "Band", {"Hi"}, {"Bye"}, 8});
        catalogue.add(1, {Commercial, "Ad", "", 6});
        makeView(false);
        append(4, 0);
        append(1, 0);
    }
};

TEST_F(TracksCommand, TheDialogsChoicesExportTheTracksAfterPlaybackStops) {
    view->playlist().currentTrack = view->playlist().trackAt(1);
    const fs::path folder = catalogue.workDir() / "My Tracks";
    bool rateOffered = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TrackExportDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->folderEdit()->setText(QString::fromStdString(folder.string()));
        dialog->formatBox()->setCurrentIndex(dialog->formatBox()->findText(QStringLiteral("Opus")));
        rateOffered = dialog->rate44100()->isEnabled();
        press(dialog, QStringLiteral("OK"));
    });
    view->handleCommand(kExportTracks);
    EXPECT_FALSE(rateOffered);  // Opus is always 24000 Hz
    ASSERT_FALSE(view->calls.empty());
    EXPECT_EQ(view->calls.front(), (std::pair<PlaylistTrack*, int32_t>{nullptr, 0}));  // playback stopped first
    EXPECT_EQ(test::filesIn(folder), (std::vector<fs::path>{"01 - Band - Tune.opus", "02 - ADVERTS - Ad.opus",
                                                             "Varnholt Radio.m3u8"}));
    EXPECT_TRUE(!view->playlist().exportActive && catalogue.prompts.shown.empty());
}

TEST_F(TracksCommand, TheCdTextBoxIsStoredAndReachesTheCueSheet) {
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TrackLayoutDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        EXPECT_FALSE(dialog->cdTextBox()->isChecked());
        dialog->cdTextBox()->click();
        press(dialog, QStringLiteral("OK"));
    });
    view->handleCommand(kExportOptions);
    EXPECT_TRUE(view->cdText());
    EXPECT_EQ(test::readFile(catalogue.workDir() / kOptionsFileName), (std::vector<uint8_t>{0, 1}));

    catalogue.prompts.saveAnswers = {catalogue.workDir() / "cd.wav"};
    view->handleCommand(kExportCd);
    const std::string cue = test::readText(catalogue.workDir() / "cd.cue");
    EXPECT_EQ(cue.rfind("TITLE \"Varnholt Radio\"\r\nPERFORMER \"Varnholt Radio\"\r\nFILE ", 0), 0u) << cue;
    EXPECT_NE(cue.find("    TITLE \"Tune\"\r\n    PERFORMER \"Band\"\r\n    INDEX 01"), std::string::npos) << cue;
}

}  // namespace
}  // namespace vh
