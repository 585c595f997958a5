// The view's commands that hand over to the core: the export with the view's
// track layout, the tools, the cache copy with its progress on the transport
// line, and the export options dialog.
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "ViewFixture.h"
#include "export/ExportOptions.h"
#include "gamedata/CacheCopy.h"
#include "ui/CommandTable.h"
#include "ui/TrackLayoutDlg.h"

namespace vh {
namespace {

using namespace command;

constexpr int kAdverts = 1, kCH = 4;

class Wiring : public test::ViewFixture {
protected:
    test::RecordingPrompts& prompts = catalogue.prompts;
    int tracks(const fs::path& cue) {
        const std::string text = test::readText(cue);
        int n = 0;
        for (auto at = text.find("TRACK"); at != std::string::npos; at = text.find("TRACK", at + 1)) ++n;
        return n;
    }
};

TEST_F(Wiring, ExportStopsPlaybackAndFollowsTheViewsTrackLayoutAndToolsRunOnlyWhileIdle) {
    const int ad = catalogue.add(kAdverts, {Commercial, "Ad", "", 6});
    const int song = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {"Bye"}, 8});
    const int other = catalogue.addSong(kCH, {"Other", "Band", {}, {}, 8});
    makeView(false);
    append(kCH, song);
    append(kAdverts, ad);
    append(kCH, other);
    view->playTrack(view->playlist().trackAt(1), 0);
    view->calls.clear();
    const fs::path wav = catalogue.workDir() / "MIX.WAV";
    prompts.saveAnswers = {wav, wav, catalogue.workDir() / "plain.wav"};
    view->setTrackLayout(kLayoutPerSong);
    view->handleCommand(kExportCd);
    EXPECT_EQ(view->calls.front(), (std::pair<PlaylistTrack*, int32_t>{nullptr, 0}));
    EXPECT_EQ(tracks(catalogue.workDir() / "MIX.cue"), 2);  // the commercial rides with the first song
    view->setTrackLayout(kLayoutPerClip);
    view->handleCommand(kExportCd);
    EXPECT_EQ(tracks(catalogue.workDir() / "MIX.cue"), 3);
    view->handleCommand(kExportWave);
    EXPECT_EQ(prompts.choosers.back().title, "Export wave file");
    EXPECT_FALSE(fs::exists(catalogue.workDir() / "plain.cue"));
    EXPECT_TRUE(prompts.shown.empty());

    while (view->currentStation() != kCH) QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(240, 10));
    auto preview = view->playlist().createTrack(kAdverts, clip(kAdverts, ad));
    view->playlist().currentTrack = preview.get();
    view->handleCommand(kCreateMusicMix);  // the handler tests its rule again
    EXPECT_EQ(view->playlist().trackCount, 3);
    view->playlist().currentTrack = nullptr;
    view->handleCommand(kCreateMusicMix);
    EXPECT_EQ(view->playlist().trackCount, 2);
}

TEST_F(Wiring, TheCopyShowsEachFilesProgressAndAFailureIsReported) {
    catalogue.add(kAdverts, {Commercial, "Ad", "", 300});
    catalogue.load();
    test::TempDir disc;  // the disc holds the files of the cache
    for (const auto& entry : fs::directory_iterator(catalogue.workDir() / "CACHE")) {
        const std::string name = entry.path().filename().string();
        test::writeFile(disc / ((name == kTrackLookupName ? "AUDIO/CONFIG/" : "AUDIO/STREAMS/") + name), test::readFile(entry.path()));
    }
    GameData data(prompts, [&] { return std::vector<fs::path>{disc.path()}; }, catalogue.workDir());
    data.loadCatalogue();
    fs::remove_all(catalogue.workDir() / "CACHE");
    auto copying = std::make_unique<MainView>(data);
    copying->resize(800, 600);
    copying->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(copying.get()));
    std::vector<std::string> texts;
    QObject::connect(copying.get(), &MainView::drawn, [&] { texts.push_back(copying->transportText().text); });
    copying->handleCommand(kCopyAudioFiles);
    ASSERT_GE(texts.size(), 6u);
    // 00 before any file has reported; a file of one part goes from 0 straight to OK.
    EXPECT_EQ(texts[0], "Copying  : 00%");
    EXPECT_EQ(texts[1], "Copying TRAKLKUP.DAT : OK ");
    EXPECT_EQ(texts[2], "Copying ADVERTS.PAK : 00%");
    EXPECT_EQ(texts.back(), "Copying TK.PAK : OK ");
    EXPECT_TRUE(fs::exists(catalogue.workDir() / "CACHE/TK.PAK"));
    EXPECT_EQ(copying->transportText().text, "-- --:--");  // the transport again afterwards
    EXPECT_TRUE(prompts.shown.empty());

    fs::remove_all(catalogue.workDir() / "CACHE");
    test::writeFile(catalogue.workDir() / "CACHE", {1});  // a file where the folder should be
    copying->handleCommand(kCopyAudioFiles);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "ERROR");
    EXPECT_EQ(prompts.shown[0].text, "Copying audio files failed.  You have probably run out of disc space.");
    EXPECT_EQ(copying->transportText().text, "-- --:--");
}

// Runs the export options dialog from the view and answers it.
TEST_F(Wiring, ExportOptionsOkStoresTheChoiceCancelChangesNothing) {
    makeView(false);
    const fs::path options = catalogue.workDir() / kOptionsFileName;
    bool shownPerSong = false;
    auto answer = [&](bool perSong, bool ok) {
        QTimer::singleShot(0, [&, perSong, ok] {
            auto* dialog = qobject_cast<TrackLayoutDlg*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shownPerSong = dialog->perSongButton()->isChecked();
            (perSong ? dialog->perSongButton() : dialog->perClipButton())->click();
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == (ok ? "OK" : "Cancel")) b->click();
        });
        view->handleCommand(kExportOptions);
    };
    answer(true, false);
    EXPECT_FALSE(shownPerSong);
    EXPECT_EQ(view->trackLayout(), kLayoutPerClip);
    EXPECT_FALSE(fs::exists(options));
    answer(true, true);
    EXPECT_EQ(view->trackLayout(), kLayoutPerSong);
    EXPECT_EQ(test::readFile(options), (std::vector<uint8_t>{1}));
    answer(false, false);
    EXPECT_TRUE(shownPerSong);
    EXPECT_EQ(view->trackLayout(), kLayoutPerSong);
    fs::remove(options);
    fs::create_directories(options);  // a folder cannot become the one-byte file: the choice holds silently
    answer(false, true);
    EXPECT_EQ(view->trackLayout(), kLayoutPerClip);
    EXPECT_TRUE(catalogue.prompts.shown.empty());
}

}  // namespace
}  // namespace vh
