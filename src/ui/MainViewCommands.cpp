// The menu and toolbar commands the view takes: the transport, the playlist
// files, the export, the cache copy, the tools and the export options.
#include "audio/PlaybackEngine.h"
#include "audio/RandomGenerator.h"
#include "export/ExportOptions.h"
#include "export/Exporter.h"
#include "gamedata/CacheCopy.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistTools.h"
#include "export/TrackNames.h"
#include "ui/MainView.h"
#include "ui/TrackExportDlg.h"
#include "ui/TrackLayoutDlg.h"

#include <QDir>
#include <QStandardPaths>

namespace vh {

CommandState MainView::commandState() const {
    CommandState s;
    s.trackCount = playlist_.trackCount;
    const PlaylistTrack* current = playlist_.currentTrack;
    s.playing = current != nullptr;
    // A preview stands alone; tracks of the list always have a successor.
    s.playingPlaylistTrack = current && current->next;
    s.currentHasNext = s.playingPlaylistTrack && current->next->clip;
    s.stationHasSong = currentStation_ >= 0 && stationHasSong(data_.table()[currentStation_]);
    s.playlistHasSong = playlistHasSong(playlist_);
    return s;
}

bool MainView::handleCommand(int32_t id) {
    using namespace command;
    // The frame's own commands.
    if (!findCommand(id) || id == kExit || id == kToggleToolbar || id == kToggleStatusBar || id == kHelp) return false;

    // A drag whose release was lost must not act on a playlist the command
    // changes.
    abandonDrag();
    if (commandEnabled(id)) {
        PlaylistFileCommands files(playlist_, data_.prompts());
        PlaylistTools tools(playlist_, processRandom());
        switch (id) {
        case kNew: files.newPlaylist(); break;
        case kOpen: files.open(); break;
        case kSave: files.save(); break;
        case kSaveAs: files.saveAs(); break;
        case kExportCd: exportPlaylistTo(true); break;
        case kExportWave: exportPlaylistTo(false); break;
        case kExportTracks: exportTracks(); break;
        case kCopyAudioFiles: copyAudio(); break;
        case kPlay: play(); break;
        case kStop: stop(); break;
        case kPrevious: previous(); break;
        case kNext: next(); break;
        case kAddAllSongs: tools.addAllSongs(currentStation_); break;
        case kRandomizeIntros: tools.randomizeIntros(); break;
        case kPad: tools.pad(currentStation_); break;
        case kCreateMusicMix: tools.createMusicMix(currentStation_); break;
        case kCreateRadioMix: tools.createRadioMix(currentStation_); break;
        case kExportOptions: exportOptions(); break;
        default: break;
        }
    }
    emit commandStateChanged();
    return true;
}

void MainView::play() {
    const PlaylistTrack* current = playlist_.currentTrack;
    if (playlist_.trackCount == 0 || (current && current->next)) return;
    // A preview that plays is replaced by the playlist from its first track.
    playTrack(playlist_.first(), 0);
}

void MainView::stop() {
    if (playlist_.currentTrack) playTrack(nullptr, 0);
}

void MainView::previous() {
    PlaylistTrack* current = playlist_.currentTrack;
    if (!current || !current->next) return;
    // Within its first second a track gives way to the one before it;
    // later, and on the first track, it starts again from its intro.
    if (playlist_.elapsedSeconds <= 1 && current->prev && current->prev->clip) playTrack(current->prev, 0);
    else playTrack(current, 0);
}

void MainView::next() {
    PlaylistTrack* current = playlist_.currentTrack;
    if (!current || !current->next || !current->next->clip) return;
    playTrack(current->next, 0);
}

void MainView::prepareExport(ExportContext& context) {
    context.playback = this;
    context.stopOutput = [] {
        if (PlaybackEngine* engine = PlaybackEngine::instance()) engine->stopOutput();
    };
    context.resumeOutput = [] {
        if (PlaybackEngine* engine = PlaybackEngine::instance()) engine->resumeOutput();
    };
    context.positionCallback = positionCallback();
    context.trackLayout = trackLayout_;
    context.cdText = cdText_;
}

void MainView::exportPlaylistTo(bool cdImage) {
    if (playlist_.trackCount == 0) return;
    ExportContext context(playlist_, data_.prompts());
    prepareExport(context);
    exportPlaylist(context, cdImage);
}

void MainView::exportTracks() {
    if (playlist_.trackCount == 0) return;
    // A folder named after the album, in the music folder or beside the
    // folder chosen last.
    TrackExportRequest initial = lastTracks_;
    fs::path base = lastTracks_.folder.empty()
                        ? fs::path(QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString())
                        : lastTracks_.folder.parent_path();
    if (base.empty()) base = QDir::homePath().toStdString();
    initial.folder = base / safeFileName(albumTitle(playlist_), "");
    TrackExportDlg dialog(initial, this);
    if (dialog.exec() != QDialog::Accepted) return;
    TrackExportRequest request = dialog.request();
    std::error_code ec;
    if (fs::path absolute = fs::absolute(request.folder, ec); !ec) request.folder = absolute;
    lastTracks_ = request;
    ExportContext context(playlist_, data_.prompts());
    prepareExport(context);
    exportTracksTo(context, request);
}

void MainView::copyAudio() {
    if (playlist_.currentTrack) return;
    // The copy holds the thread until it ends; only the transport line is
    // drawn meanwhile, at once, from the progress reports.
    setCopyActive(true);
    drawTransportNow(true);
    const bool copied =
        copyAudioFiles(data_, [this](const std::string& fileName, float percent) { onCopyProgress(fileName, percent); });
    if (!copied) data_.prompts().message(kCopyFailedCaption, kCopyFailedText);
    setCopyActive(false);
    invalidate();
}

void MainView::exportOptions() {
    TrackLayoutDlg dialog(trackLayout_, this);
    dialog.setCdText(cdText_);
    if (dialog.exec() != QDialog::Accepted) return;
    trackLayout_ = dialog.selection() != 0 ? kLayoutPerSong : kLayoutPerClip;
    cdText_ = dialog.cdText();
    // A file that cannot be written still leaves the choice for this run.
    writeExportOptions(data_.workDir(), trackLayout_, cdText_);
}

}  // namespace vh
