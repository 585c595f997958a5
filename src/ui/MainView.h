#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/ClipPlayer.h"
#include "export/TrackExporter.h"
#include "gamedata/GameData.h"
#include "playlist/PlaybackControl.h"
#include "playlist/Playlist.h"
#include "playlist/ViewHooks.h"
#include "ui/CommandTable.h"
#include "ui/HitTest.h"
#include "ui/ScrollGeometry.h"
#include "ui/TransportText.h"
#include "ui/ViewPainter.h"

namespace vh {

// The one view of the program: the clip browser on the left, the transport
// line and the CD playlist on the right, every pixel drawn here. It owns the
// Playlist and the one ClipPlayer, and is the Playlist's view hooks and
// playback control.
//
// UI thread only.
class MainView : public QWidget, public ViewHooks, public PlaybackControl {
    Q_OBJECT

public:
    // Scrollbar indices of scrollGeometry().
    static constexpr int kClipList = 0;
    static constexpr int kPlaylist = 1;

    explicit MainView(GameData& data, QWidget* parent = nullptr);
    ~MainView() override;

    // The view while it exists; position and copy reports that arrive after
    // it is gone find none and are dropped.
    static MainView* instance();

    GameData& gameData() { return data_; }
    Playlist& playlist() { return playlist_; }
    const Playlist& playlist() const { return playlist_; }

    // The CD track layout of the export, read from Options.dat when the view
    // is made.
    uint8_t trackLayout() const { return trackLayout_; }
    void setTrackLayout(uint8_t layout) { trackLayout_ = layout; }
    // CD-TEXT in the CD image's CUE sheet, the second export option.
    bool cdText() const { return cdText_; }
    void setCdText(bool on) { cdText_ = on; }

    // Index of the browsed station; -1 when the catalogue lists none.
    int32_t currentStation() const { return currentStation_; }
    int32_t clipScroll() const { return clipScroll_; }
    void setClipScroll(int32_t scroll) { clipScroll_ = scroll; }
    const std::vector<const Clip*>& clipRows() const { return clipRows_; }
    int32_t clipRowCount() const { return int32_t(clipRows_.size()); }
    const ScrollGeometry& scrollGeometry(int index) const { return scroll_[index]; }

    // What lies under a point, from the view as last drawn.
    HitState hitState() const;
    Hit hitTest(int32_t x, int32_t y) const { return vh::hitTest(hitState(), x, y); }

    // Lists the browsed station's top-level clips and keeps clipScroll
    // within them.
    void rebuildClipRows();

    // The transport line as it would be drawn now.
    TransportText transportText() const;

    // The audio file copy's display: while active the transport line shows
    // its progress, starting again at 0 percent with the last file name.
    void setCopyActive(bool active) {
        copyActive_ = active;
        if (active) copyPercent_ = 0;
    }
    // Progress of the file being copied, percent from 0 to 100; the line is
    // drawn at once whenever the whole percent changes.
    void onCopyProgress(const std::string& fileName, float percent);

    // ViewHooks
    void invalidate() override;
    void drawTransportNow(bool clear) override;
    void drawViewNow() override;
    int32_t playlistVisibleRows() override { return scroll_[kPlaylist].visibleRows; }

    // PlaybackControl: plays a playlist track (null stops playback).
    void playTrack(PlaylistTrack* track, int32_t startPart) override;
    // Plays a free-standing preview track, which the player then owns.
    void playPreview(std::unique_ptr<PlaylistTrack> track, int32_t startPart);
    // Hands a position report to the playlist of the view that exists, if any.
    static PositionCallback positionCallback();
    // The player, once playback has been asked for; null before.
    ClipPlayer* player() { return player_.get(); }

    // Commands are offered to the view first; false leaves the command to
    // the frame (toolbar and status bar toggles, Exit, Help). Each handler
    // tests its enable rule again, so a disabled command does nothing.
    bool handleCommand(int32_t id);
    // The enable rules' view of the state, and their verdict.
    CommandState commandState() const;
    bool commandEnabled(int32_t id) const { return vh::commandEnabled(id, commandState()); }

    // The drag the mouse is in, if any.
    bool dragging() const { return thumbDrag_ != 0 || draggedClip_ || draggedTrackIndex_ >= 0; }
    int32_t thumbDrag() const { return thumbDrag_; }
    int32_t draggedTrackIndex() const { return draggedTrackIndex_; }
    const PlaylistTrack* draggedClip() const { return draggedClip_.get(); }
    // The outline as it stands while a clip or track drag runs.
    QRect dragOutline() const { return outlineShown_ ? dragOutline_ : QRect(); }

signals:
    // Emitted after every paint of the view.
    void drawn();
    // Something the enable rules read may have changed: the playlist, what
    // plays, the browsed station.
    void commandStateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ClipPlayer& ensurePlayer();
    QRect transportRect() const;

    // Mouse handling, in client pixels.
    void press(int32_t x, int32_t y);
    void move(int32_t x, int32_t y);
    void release(int32_t x, int32_t y);
    void doubleClick(int32_t x, int32_t y);
    void stepStation(int32_t direction);
    void pageList(int32_t direction);
    void pagePlaylist(int32_t direction);
    void pressSlot(const Hit& hit, int32_t x, int32_t y);
    void previewClip(int32_t row);
    void startOutline(const QRect& outline, int32_t x, int32_t y);
    void eraseOutline();
    void dropClip(int32_t x, int32_t y);
    void dropTrack(int32_t x, int32_t y);
    // A drag whose release never came (the window lost the mouse) ends
    // without effect before the next press.
    void abandonDrag();

    // Command handlers.
    void play();
    void stop();
    void previous();
    void next();
    void copyAudio();
    void exportOptions();
    void exportPlaylistTo(bool cdImage);
    void exportTracks();
    void prepareExport(ExportContext& context);

    void drawOutline(QPainter& painter) const;

    void drawView(ViewPainter& p);
    void drawBanner(ViewPainter& p, int y);
    void drawClipRow(ViewPainter& p, int y, const Clip& clip, bool playing);
    void drawScrollbar(ViewPainter& p, int index, int top, int bottom, int left, int right, int32_t position,
                       int32_t total, int32_t rowHeight);
    void drawSlot(ViewPainter& p, int32_t slot, int y, int w, const PlaylistTrack* track);
    void drawTransport(ViewPainter& p, bool clear);

    GameData& data_;
    ViewFonts fonts_;
    uint8_t trackLayout_ = 0;
    bool cdText_ = false;
    // Export Tracks offers the last choices again, the folder beside the last one.
    TrackExportRequest lastTracks_;
    int32_t currentStation_ = -1;
    int32_t clipScroll_ = 0;
    std::array<int32_t, kStationCount> stationScroll_{};
    std::vector<const Clip*> clipRows_;
    std::array<ScrollGeometry, 2> scroll_{};

    bool copyActive_ = false;
    int32_t copyPercent_ = 0;
    std::string copyFileName_;

    // Set while drawTransportNow repaints only the transport band.
    bool transportOnly_ = false;
    bool transportClear_ = false;

    // Mouse drags: at most one runs at a time, from a press to its release.
    int32_t thumbDrag_ = 0;  // 1: the clip list's thumb, 2: the playlist's
    int32_t dragStartY_ = 0;
    int32_t dragStartScroll_ = 0;
    std::unique_ptr<PlaylistTrack> draggedClip_;
    int32_t draggedTrackIndex_ = -1;
    QRect dragOutline_;
    QPoint lastMouse_;
    bool outlineShown_ = false;

    // The playlist is declared before the player so that the player, which
    // points into the playlist's tracks, goes first.
    Playlist playlist_;
    std::unique_ptr<ClipPlayer> player_;
};

}  // namespace vh
