// The MainView's mouse handling: station arrows, paging and thumb drags of
// both lists, previews, clip drags into the playlist, track drags within it
// and out of it, the intro and outro arrows and the number box. Only the left
// button acts; while a button is held Qt keeps sending this view the moves
// and the release, also outside its window, which is the capture the drags
// need.
#include <QMouseEvent>
#include <cmath>

#include "ui/DragOutline.h"
#include "ui/MainView.h"
#include "ui/ViewGeometry.h"

namespace vh {

using namespace geometry;

namespace {

// Client pixel of an event; floor keeps a point just left of or above the
// window outside it.
QPoint pixelOf(const QMouseEvent* event) {
    return QPoint(int(std::floor(event->position().x())), int(std::floor(event->position().y())));
}

}  // namespace

void MainView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = pixelOf(event);
    press(p.x(), p.y());
    emit commandStateChanged();
}

void MainView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = pixelOf(event);
    move(p.x(), p.y());
}

void MainView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = pixelOf(event);
    release(p.x(), p.y());
    emit commandStateChanged();
}

void MainView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = pixelOf(event);
    doubleClick(p.x(), p.y());
    emit commandStateChanged();
}

void MainView::press(int32_t x, int32_t y) {
    abandonDrag();
    const Hit hit = hitTest(x, y);
    switch (hit.region) {
    case HitRegion::PreviousStation: stepStation(-1); break;
    case HitRegion::NextStation: stepStation(+1); break;
    case HitRegion::ListPageUp: pageList(-1); break;
    case HitRegion::ListPageDown: pageList(+1); break;
    case HitRegion::PlaylistPageUp: pagePlaylist(-1); break;
    case HitRegion::PlaylistPageDown: pagePlaylist(+1); break;
    case HitRegion::ListThumb:
    case HitRegion::PlaylistThumb:
        thumbDrag_ = hit.region == HitRegion::ListThumb ? 1 : 2;
        dragStartY_ = y;
        dragStartScroll_ = thumbDrag_ == 1 ? clipScroll_ : playlist_.playlistScroll;
        break;
    case HitRegion::ClipRow:
        if (hit.index < 0 || hit.index >= clipRowCount()) break;
        if (hit.playButton) {
            previewClip(hit.index);
        } else {
            draggedClip_ = playlist_.createTrack(currentStation_, clipRows_[std::size_t(hit.index)]);
            startOutline(QRect(kPlayButtonWidth + 1, kBannerHeight + kClipRowHeight * (hit.index - clipScroll_),
                               kClipRowWidth - kPlayButtonWidth - 1, kClipRowHeight),
                         x, y);
        }
        break;
    case HitRegion::Slot: pressSlot(hit, x, y); break;
    default: break;  // Banner, Nothing, Separator, Transport, SlotGap
    }
}

void MainView::stepStation(int32_t direction) {
    if (currentStation_ < 0) return;
    stationScroll_[std::size_t(currentStation_)] = clipScroll_;
    // At most a full round: the station we leave is listed, so the search
    // ends on it at the latest.
    int32_t station = currentStation_;
    for (int32_t n = 0; n < kStationCount; ++n) {
        station = (station + direction + kStationCount) % kStationCount;
        if (data_.table()[station].listed) break;
    }
    currentStation_ = station;
    clipScroll_ = stationScroll_[std::size_t(station)];
    rebuildClipRows();
    invalidate();
}

void MainView::pageList(int32_t direction) {
    const int32_t rows = scroll_[kClipList].visibleRows;
    if (direction < 0) {
        clipScroll_ = std::max(clipScroll_ - rows, 0);
    } else {
        clipScroll_ = std::min(clipScroll_ + rows, clipRowCount() - rows);
        clipScroll_ = std::max(clipScroll_, 0);
    }
    invalidate();
}

void MainView::pagePlaylist(int32_t direction) {
    const int32_t rows = scroll_[kPlaylist].visibleRows;
    int32_t& scroll = playlist_.playlistScroll;
    if (direction < 0) {
        scroll = std::max(scroll - rows, 0);
    } else {
        scroll = std::min(scroll + rows, kSlotCount - rows);
        scroll = std::max(scroll, 0);
    }
    invalidate();
}

void MainView::previewClip(int32_t row) {
    std::unique_ptr<PlaylistTrack> track = playlist_.createTrack(currentStation_, clipRows_[std::size_t(row)]);
    playlist_.loadTrackAudio(*track, WaitDisplay::TransportOnly);
    playPreview(std::move(track), 0);
}

void MainView::pressSlot(const Hit& hit, int32_t x, int32_t y) {
    PlaylistTrack* track = playlist_.trackAt(hit.index);
    if (!track) return;  // an empty slot
    const bool song = track->clip && track->clip->clipClass == Song;
    bool drag = false;
    switch (hit.zone) {
    case TrackZone::NumberTop: playTrack(track, 0); break;
    case TrackZone::NumberBottom: playTrack(track, song ? 2 : 0); break;
    case TrackZone::IntroPrevious:
    case TrackZone::IntroNext:
        if (!song) {
            drag = true;
            break;
        }
        playlist_.stepIntro(*track, hit.zone == TrackZone::IntroNext ? 1 : -1);
        invalidate();
        break;
    case TrackZone::OutroPrevious:
    case TrackZone::OutroNext:
        if (!song) {
            drag = true;
            break;
        }
        playlist_.stepOutro(*track, hit.zone == TrackZone::OutroNext ? 1 : -1);
        invalidate();
        break;
    case TrackZone::TitleBand: drag = true; break;
    case TrackZone::IntroText:
    case TrackZone::OutroText: drag = !song; break;
    case TrackZone::None: break;
    }
    if (!drag) return;
    draggedTrackIndex_ = hit.index;
    startOutline(QRect(kBrowserWidth, kPlaylistTop + kSlotHeight * (hit.index - playlist_.playlistScroll),
                       width() - kBrowserWidth, kSlotBodyHeight + 1),
                 x, y);
}

void MainView::startOutline(const QRect& outline, int32_t x, int32_t y) {
    dragOutline_ = outline;
    lastMouse_ = QPoint(x, y);
    outlineShown_ = true;
    update(dragOutlineRegion(dragOutline_));
}

void MainView::eraseOutline() {
    if (!outlineShown_) return;
    outlineShown_ = false;
    update(dragOutlineRegion(dragOutline_));
}

void MainView::move(int32_t x, int32_t y) {
    if (thumbDrag_ != 0) {
        const bool list = thumbDrag_ == 1;
        const ScrollGeometry& g = scroll_[list ? kClipList : kPlaylist];
        int32_t p = dragStartScroll_ + int32_t(float(y - dragStartY_) * g.rowsPerPixel + 0.5f);
        p = std::min(p, (list ? clipRowCount() : kSlotCount) - g.visibleRows);
        p = std::max(p, 0);
        int32_t& scroll = list ? clipScroll_ : playlist_.playlistScroll;
        if (p != scroll) {
            scroll = p;
            invalidate();
        }
    } else if (outlineShown_) {
        // The old place and the new one are repainted: the view under the
        // old outline comes back and the outline is laid over the new place.
        QRegion dirty = dragOutlineRegion(dragOutline_);
        dragOutline_.translate(x - lastMouse_.x(), y - lastMouse_.y());
        lastMouse_ = QPoint(x, y);
        dirty += dragOutlineRegion(dragOutline_);
        update(dirty);
    }
}

void MainView::release(int32_t x, int32_t y) {
    if (thumbDrag_ != 0) {
        thumbDrag_ = 0;
    } else if (draggedClip_) {
        dropClip(x, y);
    } else if (draggedTrackIndex_ >= 0) {
        dropTrack(x, y);
    }
}

void MainView::dropClip(int32_t x, int32_t y) {
    eraseOutline();
    // Refusing the drop lets this go out of scope, destroying the new track;
    // it has no audio loaded yet.
    std::unique_ptr<PlaylistTrack> track = std::move(draggedClip_);
    const Hit hit = hitTest(x, y);
    const bool onSlot = hit.region == HitRegion::Slot;
    if ((!onSlot && hit.region != HitRegion::SlotGap) || playlist_.trackCount >= kSlotCount) return;

    PlaylistTrack* anchor = playlist_.trackAt(hit.index);
    PlaylistTrack* inserted = nullptr;
    if (!anchor) inserted = playlist_.insertBefore(std::move(track), playlist_.sentinel());  // past the end: append
    else if (onSlot) inserted = playlist_.insertBefore(std::move(track), anchor);
    else inserted = playlist_.insertAfter(std::move(track), anchor);
    ++playlist_.trackCount;
    invalidate();
    playlist_.loadTrackAudio(*inserted, WaitDisplay::FullView);
}

void MainView::dropTrack(int32_t x, int32_t y) {
    eraseOutline();
    const int32_t index = draggedTrackIndex_;
    draggedTrackIndex_ = -1;
    PlaylistTrack* dragged = playlist_.trackAt(index);
    if (!dragged) return;

    if (x < 0 || y < 0 || x >= width() || y >= height()) {
        // Dragged off the window: removed (playback stops first when it is
        // the track playing).
        playlist_.removeTrack(dragged);
        invalidate();
        return;
    }
    const Hit hit = hitTest(x, y);
    const bool onSlot = hit.region == HitRegion::Slot;
    if (!onSlot && hit.region != HitRegion::SlotGap) return;
    PlaylistTrack* anchor = playlist_.trackAt(hit.index);  // looked up before the track leaves the list
    if (anchor == dragged) return;
    std::unique_ptr<PlaylistTrack> track = playlist_.unlinkTrack(dragged);
    if (!anchor) playlist_.insertBefore(std::move(track), playlist_.sentinel());
    else if (onSlot) playlist_.insertBefore(std::move(track), anchor);
    else playlist_.insertAfter(std::move(track), anchor);
    invalidate();
}

void MainView::doubleClick(int32_t x, int32_t y) {
    const Hit hit = hitTest(x, y);
    if (hit.region == HitRegion::Banner) return;
    if (hit.region == HitRegion::ClipRow) {
        // The first click's press and release came before: a drag that
        // ended on its own row, or a preview that now starts again.
        abandonDrag();
        if (hit.index >= 0 && hit.index < clipRowCount()) previewClip(hit.index);
        return;
    }
    press(x, y);
}

void MainView::abandonDrag() {
    eraseOutline();
    thumbDrag_ = 0;
    draggedClip_.reset();
    draggedTrackIndex_ = -1;
}

}  // namespace vh
