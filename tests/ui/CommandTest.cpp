// The enable rules over the states the view can be in, and the transport
// commands Play, Stop, Previous and Next.
#include <set>

#include "ViewFixture.h"
#include "ui/CommandTable.h"

namespace vh {
namespace {

using namespace command;
using Calls = std::vector<std::pair<PlaylistTrack*, int32_t>>;

constexpr int kAdverts = 1;  // browsed first; commercials only
constexpr int kCH = 4;       // a song among chatter
constexpr int kCO = 5;       // its only Song-class clip hides in a commercial's intro slot

class Commands : public test::ViewFixture {
public:
    int ad = 0, talk = 0, song = 0;
    std::unique_ptr<PlaylistTrack> preview;
    void SetUp() override {
        ad = catalogue.add(kAdverts, {Commercial, "Ad", "", 4});
        talk = catalogue.add(kCH, {Chatter, "Talk", "", 4});
        song = catalogue.addSong(kCH, {"Tune", "Band", {"Hi"}, {"Bye"}});
        const int host = catalogue.add(kCO, {Commercial, "Host", "", 4});
        catalogue.add(kCO, {Song, "Hidden", "", 4});
        makeView(false);
        catalogue.data().table()[kCO].clips[host].introCount = 1;
    }
    void browse(int station) {
        while (view->currentStation() != station) {
            QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(240, 10));  // the ">" arrow
        }
    }
    void playPreview() {
        preview = view->playlist().createTrack(kAdverts, clip(kAdverts, ad));
        view->playlist().currentTrack = preview.get();
    }
    void playTrackAt(int n, int32_t elapsed = 0) {
        view->playlist().currentTrack = view->playlist().trackAt(n);
        view->playlist().elapsedSeconds = elapsed;
    }
};

struct RuleCase {
    const char* name;
    void (*setUp)(Commands&);
    std::set<int32_t> enabled;  // of the commands whose rules depend on the state
};

class EnableRules : public Commands, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(EnableRules, FollowTheState) {
    GetParam().setUp(*this);
    for (int32_t id : {kSave, kSaveAs, kExportCd, kExportWave, kExportTracks, kCopyAudioFiles, kPlay, kStop, kPrevious, kNext,
                       kAddAllSongs, kRandomizeIntros, kPad, kCreateMusicMix, kCreateRadioMix})
        EXPECT_EQ(view->commandEnabled(id), GetParam().enabled.count(id) != 0) << findCommand(id)->menuText;
    for (int32_t id : {kNew, kOpen, kExit, kToggleToolbar, kToggleStatusBar, kExportOptions, kHelp})
        EXPECT_TRUE(view->commandEnabled(id)) << id;
    view->playlist().currentTrack = nullptr;
}

#define STATE(body) [](Commands& t) { body; }
const std::set<int32_t> kFile = {kSave, kSaveAs, kExportCd, kExportWave, kExportTracks};
std::set<int32_t> with(std::set<int32_t> a, std::initializer_list<int32_t> more) {
    a.insert(more);
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    States, EnableRules,
    ::testing::Values(
        RuleCase{"EmptyIdleStationWithoutSongs", [](Commands&) {}, {kCopyAudioFiles}},
        RuleCase{"EmptyIdleStationWithSongs", STATE(t.browse(kCH)), {kCopyAudioFiles, kAddAllSongs, kCreateMusicMix, kCreateRadioMix}},
        RuleCase{"ASongInAnIntroSlotCounts", STATE(t.browse(kCO)), {kCopyAudioFiles, kAddAllSongs, kCreateMusicMix, kCreateRadioMix}},
        RuleCase{"IdlePlaylistWithoutSongs", STATE(t.append(kAdverts, t.ad); t.append(kCH, t.talk)), with(kFile, {kCopyAudioFiles, kPlay})},
        RuleCase{"IdlePlaylistWithASong", STATE(t.append(kCH, t.song)), with(kFile, {kCopyAudioFiles, kPlay, kRandomizeIntros, kPad})},
        RuleCase{"PreviewOnAnEmptyPlaylist", STATE(t.browse(kCH); t.playPreview()), {kStop}},
        RuleCase{"PreviewOverAPlaylist", STATE(t.browse(kCH); t.append(kCH, t.song); t.playPreview()), with(kFile, {kPlay, kStop})},
        RuleCase{"FirstTrackPlaying", STATE(t.browse(kCH); t.append(kCH, t.song); t.append(kCH, t.talk); t.playTrackAt(0)),
                 with(kFile, {kStop, kPrevious, kNext})},
        RuleCase{"LastTrackPlaying", STATE(t.append(kCH, t.song); t.append(kCH, t.talk); t.playTrackAt(1)),
                 with(kFile, {kStop, kPrevious})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Commands, PreviousGoesBackWithinTheFirstSecondAndOtherwiseRestarts) {
    for (int i = 0; i < 3; ++i) append(kCH, talk);
    for (auto [track, elapsed, expected] : {std::array{1, 0, 0}, {1, 1, 0}, {1, 2, 1}, {2, 59, 2}, {0, 0, 0}, {0, 2, 0}}) {
        playTrackAt(track, elapsed);
        view->calls.clear();
        EXPECT_TRUE(view->handleCommand(kPrevious));
        EXPECT_EQ(view->calls, (Calls{{view->playlist().trackAt(expected), 0}})) << track << " at " << elapsed << " s";
    }
    view->playTrack(nullptr, 0);
}

TEST_F(Commands, PlayStopAndNextActOnlyWhereTheirRulesHold) {
    for (int32_t id : {kPlay, kStop, kPrevious, kNext}) EXPECT_TRUE(view->handleCommand(id));
    EXPECT_TRUE(view->calls.empty());  // nothing to play yet
    PlaylistTrack* first = append(kCH, talk);
    PlaylistTrack* second = append(kCH, song);
    playPreview();  // Previous and Next leave a preview alone; Play replaces it with track 1
    view->handleCommand(kPrevious);
    view->handleCommand(kNext);
    view->handleCommand(kPlay);
    EXPECT_EQ(view->calls, (Calls{{first, 0}}));
    view->calls.clear();
    playTrackAt(0);
    view->handleCommand(kPlay);  // the playlist plays already
    view->handleCommand(kNext);
    EXPECT_EQ(view->calls, (Calls{{second, 0}}));
    view->calls.clear();
    playTrackAt(1);
    view->handleCommand(kNext);  // the last track has none after it
    view->handleCommand(kStop);
    EXPECT_EQ(view->calls, (Calls{{nullptr, 0}}));
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
    EXPECT_EQ(view->playlist().trackCount, 2);  // transport commands never edit the playlist
    for (int32_t id : {kExit, kToggleToolbar, kToggleStatusBar, kHelp}) EXPECT_FALSE(view->handleCommand(id));  // the frame's
}

}  // namespace
}  // namespace vh
