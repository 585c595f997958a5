#include "ui/MainView.h"

#include <QPaintEvent>
#include <QPainter>

#include "ui/DragOutline.h"

#include "audio/PlaybackEngine.h"
#include "export/ExportOptions.h"
#include "ui/ClipRows.h"
#include "ui/ViewGeometry.h"

namespace vh {

namespace {

MainView* gView = nullptr;

// The clip player's and the export's position reports reach the playlist
// through the view while it exists.
void forwardPosition(PlaylistTrack* track, int32_t frames) {
    if (MainView* view = MainView::instance()) view->playlist().reportPosition(track, frames);
}

}  // namespace

PositionCallback MainView::positionCallback() { return forwardPosition; }

MainView::MainView(GameData& data, QWidget* parent)
    : QWidget(parent), data_(data), fonts_(ViewFonts::create()), playlist_(data, this, this) {
    // Every pixel is drawn by paintEvent: no background erase, and a resize
    // redraws the whole view.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_StaticContents, false);
    setAutoFillBackground(false);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);

    // The first listed station; a catalogue that lists none leaves the
    // browser empty rather than searching forever.
    for (int32_t s = 0; s < kStationCount; ++s) {
        if (data_.table()[s].listed) {
            currentStation_ = s;
            break;
        }
    }
    trackLayout_ = readTrackLayout(data_.workDir());
    cdText_ = readCdText(data_.workDir());
    gView = this;
}

MainView::~MainView() {
    if (gView == this) gView = nullptr;
}

MainView* MainView::instance() { return gView; }

void MainView::rebuildClipRows() {
    clipRows_.clear();
    if (currentStation_ >= 0) clipRows_ = topLevelClips(data_.table()[currentStation_]);
    clipScroll_ = clampScroll(clipScroll_, clipRowCount(), scroll_[kClipList].visibleRows);
}

HitState MainView::hitState() const {
    HitState state;
    state.width = width();
    state.height = height();
    state.clipScroll = clipScroll_;
    state.clipRowCount = clipRowCount();
    state.playlistScroll = playlist_.playlistScroll;
    state.list = scroll_[kClipList];
    state.playlist = scroll_[kPlaylist];
    return state;
}

TransportText MainView::transportText() const {
    TransportState state = transportStateOf(playlist_);
    state.copyActive = copyActive_;
    state.copyPercent = copyPercent_;
    state.copyFileName = copyFileName_;
    return buildTransportText(state);
}

void MainView::onCopyProgress(const std::string& fileName, float percent) {
    const auto p = int32_t(percent + 0.5f);
    if (p == copyPercent_) return;
    copyPercent_ = p;
    copyFileName_ = fileName;
    drawTransportNow(p == 0);
}

void MainView::invalidate() {
    update();
    emit commandStateChanged();
}

QRect MainView::transportRect() const {
    return QRect(geometry::kCdLeft, 0, width() - geometry::kCdLeft, geometry::kTransportHeight);
}

void MainView::drawTransportNow(bool clear) {
    const QRect band = transportRect();
    if (band.isEmpty()) return;
    transportOnly_ = true;
    // Under the drag outline every pixel of the band must be drawn afresh
    // before the outline is laid over it again.
    transportClear_ = clear || outlineShown_;
    repaint(band);
    transportOnly_ = false;
}

void MainView::drawViewNow() { repaint(); }

void MainView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    ViewPainter p(painter);
    // An immediate transport repaint may be merged with pending damage
    // elsewhere; then the whole view is drawn so nothing is left stale.
    if (transportOnly_ && transportRect().contains(event->region().boundingRect()))
        drawTransport(p, transportClear_);
    else
        drawView(p);
    if (outlineShown_) drawOutline(painter);
    painter.end();
    emit drawn();
}

ClipPlayer& MainView::ensurePlayer() {
    if (!player_) {
        player_ = std::make_unique<ClipPlayer>();
        player_->setCallback(forwardPosition);
        if (PlaybackEngine* engine = PlaybackEngine::instance()) engine->attachSource(*player_);
    }
    return *player_;
}

void MainView::playTrack(PlaylistTrack* track, int32_t startPart) { ensurePlayer().startTrack(track, startPart); }

void MainView::playPreview(std::unique_ptr<PlaylistTrack> track, int32_t startPart) {
    ensurePlayer().startTrack(PreviewTrack(track.release()), startPart);
}

void MainView::drawOutline(QPainter& painter) const {
    // Exclusive or: drawing the same dots twice gives back the pixels under
    // them. The painter is clipped to the region being repainted, which the
    // view has just drawn afresh, so each dot is laid over clean pixels once.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor yellow(kOutlineColour.r, kOutlineColour.g, kOutlineColour.b);
    for (const QPoint& dot : dragOutlineDots(dragOutline_)) painter.fillRect(dot.x(), dot.y(), 1, 1, yellow);
    painter.restore();
}

}  // namespace vh
