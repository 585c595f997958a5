// The view's commands that hand over to the core: playlist files, the
// export, the tools, the cache copy with its progress on the transport line,
// and the export options dialog.
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "export/ExportOptions.h"
#include "gamedata/CacheCopy.h"
#include "ui/CommandTable.h"
#include "ui/TrackLayoutDlg.h"
#include "ViewFixture.h"

namespace vh {
namespace {

using namespace command;

constexpr int kAdverts = 1;
constexpr int kCH = 4;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class Wiring : public test::ViewFixture {
protected:
    int ad = 0, song = 0, other = 0;
    test::RecordingPrompts& prompts = catalogue.prompts;
    void SetUp() override {
        ad = catalogue.add(kAdverts, {Commercial, "Ad", "", 6});
        song = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {"Bye"}, 8});
        other = catalogue.addSong(kCH, {"Other", "Band", {}, {}, 8});
        makeRecordingView();
    }
    void fill() {
        for (auto [station, clip] : {std::pair{kCH, song}, std::pair{kAdverts, ad}, std::pair{kCH, other}}) {
            PlaylistTrack* t = append(station, clip);
            view->playlist().loadTrackAudio(*t, WaitDisplay::None);
        }
    }
};

TEST_F(Wiring, ExportCdFollowsTheTrackLayoutAndExportWaveWritesNoCue) {
    fill();
    view->playlist().currentTrack = view->playlist().trackAt(1);
    const fs::path wav = catalogue.workDir() / "MIX.WAV";
    prompts.saveAnswers = {wav, wav};
    view->setTrackLayout(kLayoutPerSong);
    view->handleCommand(kExportCd);
    ASSERT_EQ(prompts.choosers.size(), 1u);
    EXPECT_EQ(prompts.choosers[0].title, "Export CD Image");
    EXPECT_EQ(prompts.choosers[0].filter, "Wave files (*.wav)");
    // Playback was stopped first.
    ASSERT_FALSE(recorder->calls.empty());
    EXPECT_EQ(recorder->calls.front(), (test::RecordingView::Call{nullptr, 0}));
    // No error; the test's tracks are short, which the export warns about.
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Warning");
    const std::string cue = readText(catalogue.workDir() / "MIX.cue");
    EXPECT_EQ(countOf(cue, "TRACK"), 2);  // the commercial rides with the first song
    EXPECT_GT(fs::file_size(wav), 44u);
    EXPECT_FALSE(view->playlist().exportActive);

    view->setTrackLayout(kLayoutPerClip);
    view->handleCommand(kExportCd);
    EXPECT_EQ(countOf(readText(catalogue.workDir() / "MIX.cue"), "TRACK"), 3);

    const fs::path wave = catalogue.workDir() / "plain.wav";
    prompts.saveAnswers = {wave};
    view->handleCommand(kExportWave);
    EXPECT_EQ(prompts.choosers.back().title, "Export wave file");
    EXPECT_TRUE(fs::exists(wave));
    EXPECT_FALSE(fs::exists(catalogue.workDir() / "plain.cue"));
}

TEST_F(Wiring, ToolsWorkOnTheBrowsedStationAndOnlyWhileNothingPlays) {
    while (view->currentStation() != kCH) click(QPoint(240, 10));
    auto preview = view->playlist().createTrack(kAdverts, clip(kAdverts, ad));
    view->playlist().currentTrack = preview.get();
    view->handleCommand(kAddAllSongs);
    EXPECT_EQ(view->playlist().trackCount, 0);

    view->playlist().currentTrack = nullptr;
    view->handleCommand(kAddAllSongs);
    std::vector<const Clip*> clips = playlistClips();
    std::sort(clips.begin(), clips.end());
    std::vector<const Clip*> songs = {clip(kCH, song), clip(kCH, other)};
    std::sort(songs.begin(), songs.end());
    EXPECT_EQ(clips, songs);
    EXPECT_FALSE(view->playlist().pleaseWait);

    view->handleCommand(kCreateRadioMix);
    EXPECT_GE(view->playlist().trackCount, 2);
    EXPECT_EQ(view->playlist().fileName, "");
}

// A disc folder holding the catalogue's files, and a view over a game data
// that finds it.
class CopyCommand : public test::ViewFixture {
protected:
    test::TempDir disc;
    test::TempDir otherWork;
    test::RecordingPrompts prompts;
    std::unique_ptr<GameData> data;
    std::vector<std::string> transportTexts;

    void SetUp() override {
        catalogue.add(kAdverts, {Commercial, "Ad", "", 300});
        catalogue.load();
        fs::create_directories(disc.path() / "AUDIO/CONFIG");
        fs::create_directories(disc.path() / "AUDIO/STREAMS");
        for (const auto& entry : fs::directory_iterator(catalogue.workDir() / "CACHE")) {
            const std::string name = entry.path().filename().string();
            fs::copy_file(entry.path(),
                          disc.path() / (name == kTrackLookupName ? "AUDIO/CONFIG/" : "AUDIO/STREAMS/") / name);
        }
    }
    void makeCopyingView(const fs::path& workDir) {
        const fs::path root = disc.path();
        data = std::make_unique<GameData>(prompts, [root] { return std::vector<fs::path>{root}; }, workDir);
        data->loadCatalogue();
        view = std::make_unique<MainView>(*data);
        view->resize(800, 600);
        showView();
        QObject::connect(view.get(), &MainView::drawn, [this] { transportTexts.push_back(view->transportText().text); });
    }
    void TearDown() override {
        ViewFixture::TearDown();
        data.reset();
    }
};

TEST_F(CopyCommand, ShowsEachFilesProgressOnTheTransportLine) {
    makeCopyingView(catalogue.workDir());
    fs::remove_all(catalogue.workDir() / "CACHE");
    view->handleCommand(kCopyAudioFiles);
    EXPECT_TRUE(prompts.shown.empty());
    ASSERT_GE(transportTexts.size(), 6u);
    // The start shows 00 before any file has reported; a file that fits one
    // chunk goes from 0 straight to OK.
    EXPECT_EQ(transportTexts[0], "Copying  : 00%");
    EXPECT_EQ(transportTexts[1], "Copying TRAKLKUP.DAT : OK ");
    EXPECT_EQ(transportTexts[2], "Copying ADVERTS.PAK : 00%");
    EXPECT_EQ(transportTexts.back(), "Copying TK.PAK : OK ");
    EXPECT_TRUE(fs::exists(catalogue.workDir() / "CACHE/TK.PAK"));
    EXPECT_EQ(fs::file_size(catalogue.workDir() / "CACHE/ADVERTS.PAK"),
              fs::file_size(disc.path() / "AUDIO/STREAMS/ADVERTS.PAK"));
    // Afterwards the line is the transport again.
    EXPECT_EQ(view->transportText().text, "-- --:--");
}

TEST_F(CopyCommand, AFailureIsReportedAndTheLineComesBack) {
    fs::copy_file(catalogue.workDir() / kCatalogueFileName, otherWork.path() / kCatalogueFileName);
    test::writeFile(otherWork.path() / "CACHE", {1});  // a file where the folder should be
    makeCopyingView(otherWork.path());
    view->handleCommand(kCopyAudioFiles);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "ERROR");
    EXPECT_EQ(prompts.shown[0].text, "Copying audio files failed.  You have probably run out of disc space.");
    EXPECT_EQ(view->transportText().text, "-- --:--");
}

// Runs the export options dialog from the view and answers it with `answer`.
class ExportOptions : public test::ViewFixture {
protected:
    void SetUp() override { makeView(); }
    bool shownPerSong = false;
    void answer(bool perSong, bool ok) {
        QTimer::singleShot(0, [=, this] {
            auto* dialog = qobject_cast<TrackLayoutDlg*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shownPerSong = dialog->perSongButton()->isChecked();
            (perSong ? dialog->perSongButton() : dialog->perClipButton())->click();
            const QString button = ok ? QStringLiteral("OK") : QStringLiteral("Cancel");
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == button) b->click();
        });
        view->handleCommand(kExportOptions);
    }
    fs::path optionsFile() const { return catalogue.workDir() / kOptionsFileName; }
};

TEST_F(ExportOptions, OkStoresTheChoiceAndCancelChangesNothing) {
    answer(true, false);
    EXPECT_FALSE(shownPerSong);
    EXPECT_EQ(view->trackLayout(), kLayoutPerClip);
    EXPECT_FALSE(fs::exists(optionsFile()));

    answer(true, true);
    EXPECT_EQ(view->trackLayout(), kLayoutPerSong);
    EXPECT_EQ(test::readFile(optionsFile()), (std::vector<uint8_t>{1}));

    answer(false, false);
    EXPECT_TRUE(shownPerSong);
    EXPECT_EQ(view->trackLayout(), kLayoutPerSong);
    EXPECT_EQ(test::readFile(optionsFile()), (std::vector<uint8_t>{1}));

    answer(false, true);
    EXPECT_EQ(view->trackLayout(), kLayoutPerClip);
    EXPECT_EQ(test::readFile(optionsFile()), (std::vector<uint8_t>{0}));
    EXPECT_TRUE(catalogue.prompts.shown.empty());
}

TEST_F(ExportOptions, AnUnwritableFileKeepsTheChoiceForThisRunSilently) {
    fs::create_directories(optionsFile());  // a folder cannot become the one-byte file
    answer(true, true);
    EXPECT_EQ(view->trackLayout(), kLayoutPerSong);
    EXPECT_TRUE(fs::is_directory(optionsFile()));
    EXPECT_TRUE(catalogue.prompts.shown.empty());
}

TEST(TrackLayoutDialog, ShowsTheLayoutChoiceWithItsExplanations) {
    TrackLayoutDlg perSong(2);  // any non-zero layout reads as per song
    EXPECT_EQ(perSong.windowTitle(), QStringLiteral("Export options"));
    EXPECT_TRUE(perSong.perSongButton()->isChecked());
    EXPECT_FALSE(perSong.perClipButton()->isChecked());
    auto* group = perSong.findChild<QGroupBox*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("CD track layout (CUE file)"));
    EXPECT_EQ(perSong.perClipButton()->text(), QStringLiteral("One CD track per clip"));
    EXPECT_EQ(perSong.perSongButton()->text(), QStringLiteral("One CD track per song"));
    QStringList notes;
    for (QLabel* label : perSong.findChildren<QLabel*>()) notes << label->text();
    EXPECT_EQ(notes, (QStringList{"Create a CUE file specifying one CD track for every audio clip, so each commercial, "
                                  "ident, chatter and song is a new CD track",
                                  "Create a CUE file specifying one CD track for each song, with chatter and "
                                  "commercials included in that track on the CD"}));
}

}  // namespace
}  // namespace vh
