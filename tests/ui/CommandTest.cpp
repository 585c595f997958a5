// The enable rules over the states the view can be in, and the transport
// commands Play, Stop, Previous and Next.
#include <map>
#include <set>

#include "ui/CommandTable.h"
#include "ViewFixture.h"

namespace vh {
namespace {

using namespace command;
using Call = test::RecordingView::Call;

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
        makeRecordingView();
        catalogue.data().table()[kCO].clips[host].introCount = 1;
    }
    using ViewFixture::append;
    void browse(int station) {
        while (view->currentStation() != station) click(QPoint(240, 10));  // the ">" arrow
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

// The commands whose rules depend on the state; every other one is always
// enabled.
const int32_t kRuled[] = {kSave,  kSaveAs,   kExportCd,    kExportWave, kExportTracks, kCopyAudioFiles, kPlay, kStop,
                          kPrevious, kNext, kAddAllSongs, kRandomizeIntros, kPad, kCreateMusicMix, kCreateRadioMix};

const std::set<int32_t> kFileOnes = {kSave, kSaveAs, kExportCd, kExportWave, kExportTracks};
std::set<int32_t> with(std::set<int32_t> a, std::initializer_list<int32_t> more) {
    a.insert(more);
    return a;
}

struct RuleCase {
    const char* name;
    void (*setUp)(Commands&);
    std::set<int32_t> enabled;
};

class EnableRules : public Commands, public ::testing::WithParamInterface<RuleCase> {};

void (*const kEmpty)(Commands&) = [](Commands&) {};

TEST_P(EnableRules, FollowTheState) {
    const RuleCase& c = GetParam();
    c.setUp(*this);
    for (int32_t id : kRuled) EXPECT_EQ(view->commandEnabled(id), c.enabled.count(id) != 0) << findCommand(id)->menuText;
    for (const CommandInfo& info : commandTable()) {
        if (std::find(std::begin(kRuled), std::end(kRuled), info.id) == std::end(kRuled)) {
            EXPECT_TRUE(view->commandEnabled(info.id)) << info.menuText;
        }
    }
}

#define STATE(body) [](Commands& t) { body; }

INSTANTIATE_TEST_SUITE_P(
    States, EnableRules,
    ::testing::Values(
        RuleCase{"EmptyIdleStationWithoutSongs", kEmpty, {kCopyAudioFiles}},
        RuleCase{"EmptyIdleStationWithSongs", STATE(t.browse(kCH)),
                 {kCopyAudioFiles, kAddAllSongs, kCreateMusicMix, kCreateRadioMix}},
        RuleCase{"AStationsSongInAnIntroSlotCounts", STATE(t.browse(kCO)),
                 {kCopyAudioFiles, kAddAllSongs, kCreateMusicMix, kCreateRadioMix}},
        RuleCase{"IdlePlaylistWithoutSongs", STATE(t.append(kAdverts, t.ad); t.append(kCH, t.talk)),
                 with(kFileOnes, {kCopyAudioFiles, kPlay})},
        RuleCase{"IdlePlaylistWithASong", STATE(t.append(kAdverts, t.ad); t.append(kCH, t.song)),
                 with(kFileOnes, {kCopyAudioFiles, kPlay, kRandomizeIntros, kPad})},
        RuleCase{"PreviewOnAnEmptyPlaylist", STATE(t.browse(kCH); t.playPreview()), {kStop}},
        RuleCase{"PreviewOverAPlaylist",
                 STATE(t.browse(kCH); t.append(kCH, t.song); t.playPreview()), with(kFileOnes, {kPlay, kStop})},
        RuleCase{"FirstTrackPlaying",
                 STATE(t.browse(kCH); t.append(kCH, t.song); t.append(kCH, t.talk); t.playTrackAt(0)),
                 with(kFileOnes, {kStop, kPrevious, kNext})},
        RuleCase{"LastTrackPlaying",
                 STATE(t.append(kCH, t.song); t.append(kCH, t.talk); t.playTrackAt(1)),
                 with(kFileOnes, {kStop, kPrevious})}),
    [](const auto& info) { return std::string(info.param.name); });

struct PreviousCase {
    int track;
    int32_t elapsed;
    int expected;  // the track played from its intro
};

class PreviousCommand : public Commands, public ::testing::WithParamInterface<PreviousCase> {};

TEST_P(PreviousCommand, GoesBackWithinTheFirstSecondElseRestarts) {
    const PreviousCase& c = GetParam();
    for (int i = 0; i < 3; ++i) append(kCH, talk);
    playTrackAt(c.track, c.elapsed);
    EXPECT_TRUE(view->handleCommand(kPrevious));
    EXPECT_EQ(recorder->calls, (std::vector<Call>{{view->playlist().trackAt(c.expected), 0}}));
}

INSTANTIATE_TEST_SUITE_P(Elapsed, PreviousCommand,
                         ::testing::Values(PreviousCase{1, 0, 0}, PreviousCase{1, 1, 0}, PreviousCase{1, 2, 1},
                                           PreviousCase{2, 59, 2}, PreviousCase{0, 0, 0}, PreviousCase{0, 2, 0}));

TEST_F(Commands, PlayStopAndNextActOnlyWhereTheirRulesHold) {
    // Nothing to play yet: Play, Stop, Previous and Next do nothing.
    for (int32_t id : {kPlay, kStop, kPrevious, kNext}) EXPECT_TRUE(view->handleCommand(id));
    EXPECT_TRUE(recorder->calls.empty());

    PlaylistTrack* first = append(kCH, talk);
    PlaylistTrack* second = append(kCH, song);
    // A preview is replaced by the playlist from track 1; Previous and Next
    // leave a preview alone.
    playPreview();
    view->handleCommand(kPrevious);
    view->handleCommand(kNext);
    EXPECT_TRUE(recorder->calls.empty());
    view->handleCommand(kPlay);
    EXPECT_EQ(recorder->calls, (std::vector<Call>{{first, 0}}));

    recorder->calls.clear();
    playTrackAt(0);
    view->handleCommand(kPlay);  // the playlist plays already
    view->handleCommand(kNext);
    EXPECT_EQ(recorder->calls, (std::vector<Call>{{second, 0}}));

    recorder->calls.clear();
    playTrackAt(1);
    view->handleCommand(kNext);  // the last track has none after it
    view->handleCommand(kStop);
    EXPECT_EQ(recorder->calls, (std::vector<Call>{{nullptr, 0}}));
    EXPECT_EQ(view->playlist().currentTrack, nullptr);
    EXPECT_EQ(view->playlist().trackCount, 2);  // transport commands never edit the playlist
}

TEST_F(Commands, TheFramesCommandsAreLeftToIt) {
    for (int32_t id : {kExit, kToggleToolbar, kToggleStatusBar, kHelp, 12345}) EXPECT_FALSE(view->handleCommand(id));
    EXPECT_TRUE(view->handleCommand(kNew));
}

}  // namespace
}  // namespace vh
