// The MainView's drawing, one function per element: banner, clip row,
// scrollbar, playlist slot and transport line.
#include <QPainter>

#include "ui/MainView.h"
#include "ui/SlotText.h"
#include "ui/ViewGeometry.h"

namespace vh {

using namespace geometry;
using Align = ViewPainter::Align;

void MainView::drawView(ViewPainter& p) {
    const int W = width();
    const int H = height();
    if (clipRows_.empty()) rebuildClipRows();

    drawBanner(p, 0);
    drawScrollbar(p, kClipList, kBannerHeight, H, kClipRowWidth, kBrowserWidth, clipScroll_, clipRowCount(),
                  kClipRowHeight);

    const PlaylistTrack* current = playlist_.currentTrack;
    int y = kBannerHeight;
    for (int32_t row = clipScroll_; y < H && row >= 0 && row < clipRowCount(); ++row, y += kClipRowHeight)
        drawClipRow(p, y, *clipRows_[std::size_t(row)], current && current->clip == clipRows_[std::size_t(row)]);
    p.fill(0, y, kClipRowWidth, H - y, colours::kBlack);

    p.fill(kBrowserWidth, 0, 2, H, colours::kBlack);
    p.fill(kBrowserWidth + 2, 0, 2, H, colours::kWhite);
    p.fill(kBrowserWidth + 4, 0, 2, H, colours::kBlack);

    drawTransport(p, true);

    p.fill(kCdLeft - 2, kTransportHeight, W - (kCdLeft - 2), 2, colours::kBlack);
    p.fill(kCdLeft - 2, kTransportHeight + 2, W - (kCdLeft - 2), 2, colours::kWhite);
    p.fill(kCdLeft - 2, kTransportHeight + 4, W - (kCdLeft - 2), 2, colours::kBlack);

    drawScrollbar(p, kPlaylist, kPlaylistTop, H, W - kScrollbarWidth, W, playlist_.playlistScroll, kSlotCount,
                  kSlotHeight);

    // The tracks from playlistScroll on, then empty slots up to number 99.
    const int slotWidth = W - kScrollbarWidth - kCdLeft;
    const PlaylistTrack* track = playlist_.trackAt(playlist_.playlistScroll);
    const PlaylistTrack* sentinel = playlist_.sentinel();
    int32_t slot = playlist_.playlistScroll;
    y = kPlaylistTop;
    while (y < H) {
        if (track) {
            drawSlot(p, slot, y, slotWidth, track);
            track = track->next == sentinel ? nullptr : track->next;
        } else if (slot < kSlotCount) {
            drawSlot(p, slot, y, slotWidth, nullptr);
        } else {
            break;
        }
        ++slot;
        y += kSlotHeight;
    }
    p.fill(kCdLeft, y, slotWidth, H - y, colours::kBlack);
}

void MainView::drawBanner(ViewPainter& p, int y) {
    const int w = kBrowserWidth;
    const int box = kArrowBoxWidth;
    p.line(0, y, w, y);
    p.fill(0, y + 1, box, 28, colours::kArrowBox);
    p.fill(box + 1, y + 1, w - 2 * box - 2, 28, colours::kBanner);
    p.fill(w - box, y + 1, box, 28, colours::kArrowBox);
    p.line(box, y, box, y + 29);
    p.line(w - box - 1, y, w - box - 1, y + 29);

    const QString name =
        currentStation_ >= 0 ? ansiText(fieldText(data_.table()[currentStation_].displayName)) : QString();
    p.text(box + 1, y + 1, w - box - 1, y + 29, name, fonts_.banner, Align::Centre, colours::kBlack,
           colours::kBanner);
    p.text(0, y + 1, box, y + 29, QStringLiteral("<"), fonts_.banner, Align::Centre, colours::kBlack,
           colours::kArrowBox);
    p.text(w - box, y + 1, w, y + 29, QStringLiteral(">"), fonts_.banner, Align::Centre, colours::kBlack,
           colours::kArrowBox);
}

void MainView::drawClipRow(ViewPainter& p, int y, const Clip& clip, bool playing) {
    const int w = kClipRowWidth;
    const int s = kSongColumnSplit;
    const int button = kPlayButtonWidth;
    const Rgb c = colours::classColour(clip.clipClass);
    p.line(0, y, w, y);
    p.fill(0, y + 1, button, 16, playing ? colours::kPlaying : c);
    if (clip.clipClass != Song) {
        p.fill(button + 1, y + 1, w - button - 1, 16, c);
        p.line(button, y + 1, button, y + 17);
    } else {
        p.fill(button + 1, y + 1, s - button - 1, 16, c);
        p.fill(s + 1, y + 1, w - s - 1, 16, c);
        p.line(button, y + 1, button, y + 17);
        p.line(s, y + 1, s, y + 17);
    }
    p.rightTriangle(4, y + 9, playing ? colours::kWhite : colours::kBlack);
    if (clip.clipClass != Song) {
        p.text(14, y + 1, w, y + 17, ansiText(fieldText(clip.title)), fonts_.clipRow, Align::Left, colours::kBlack, c);
    } else {
        p.text(14, y + 1, s, y + 17, ansiText(fieldText(clip.artist)), fonts_.clipRow, Align::Left, colours::kBlack,
               c);
        p.text(s + 4, y + 1, w, y + 17, ansiText(fieldText(clip.title)), fonts_.clipRow, Align::Left,
               colours::kBlack, c);
    }
}

void MainView::drawScrollbar(ViewPainter& p, int index, int top, int bottom, int left, int right, int32_t position,
                             int32_t total, int32_t rowHeight) {
    const ScrollbarLayout layout = layoutScrollbar(top, bottom, position, total, rowHeight);
    const ScrollGeometry& g = layout.geometry;
    const int inner = right - left - 1;
    p.line(left, top, left, bottom);
    p.line(right - 1, top, right - 1, bottom);
    p.line(left, top, right, top);
    if (total <= 0) {
        // Nothing to scroll: all trough.
        p.fill(left + 1, top + 1, inner, bottom - top - 2, colours::kTrough);
    } else {
        p.fill(left + 1, top + 1, inner, layout.thumbStart - 1, colours::kTrough);
        p.line(left, g.thumbTop, right, g.thumbTop);
        p.fill(left + 1, g.thumbTop + 1, inner, layout.thumbLength - 1, colours::kThumb);
        p.line(left, g.thumbBottom, right, g.thumbBottom);
        p.fill(left + 1, g.thumbBottom + 1, inner, bottom - top - layout.thumbStart - layout.thumbLength - 2,
               colours::kTrough);
    }
    p.line(left, bottom - 1, right, bottom - 1);
    scroll_[std::size_t(index)] = g;
}

void MainView::drawSlot(ViewPainter& p, int32_t slot, int y, int w, const PlaylistTrack* track) {
    const int x = kCdLeft;
    Rgb c = colours::kEmptySlot;
    Rgb n = colours::kEmptySlot;
    Rgb numberText = colours::kBlack;
    SlotText text;
    if (track && track->clip) {
        c = colours::classColour(track->clip->clipClass);
        const bool current = track == playlist_.currentTrack;
        n = current ? colours::kPlaying : colours::kNumberBox;
        numberText = current ? colours::kWhite : colours::kBlack;
        text = slotText(data_.table(), *track);
    }
    const bool station = text.hasStationName;
    const int titleLeft = station ? x + kStationColumnRight + 1 : x + 32;

    p.line(x, y, x + w, y);
    if (text.song) {
        p.line(x + 32, y + 15, x + w, y + 15);
        p.line(x + 32, y + 44, x + w, y + 44);
        if (station) p.line(x + kStationColumnRight, y + 16, x + kStationColumnRight, y + 44);
        p.fill(x + 32, y + 1, w - 32, 14, colours::kIntroOutro);
        p.fill(x + 32, y + 45, w - 32, 14, colours::kIntroOutro);
        p.fill(x + 32, y + 16, 127, 28, colours::kBanner);
        p.fill(titleLeft, y + 16, x + w - titleLeft, 28, c);
    } else {
        if (station) {
            p.line(x + kStationColumnRight, y + 1, x + kStationColumnRight, y + 59);
            p.fill(x + 32, y + 1, 127, kSlotBodyHeight, colours::kBanner);
        }
        p.fill(titleLeft, y + 1, x + w - titleLeft, kSlotBodyHeight, c);
    }
    p.line(x + kNumberBoxWidth, y + 1, x + kNumberBoxWidth, y + 59);
    p.fill(x, y + 1, kNumberBoxWidth, kSlotBodyHeight, n);
    if (text.song) p.line(x, y + 44, x + 32, y + 44);

    if (text.song) {
        p.text(x + 60, y + 1, x + w, y + 15, ansiText(text.introText), fonts_.introOutro, Align::Left,
               colours::kBlack, colours::kIntroOutro);
        p.text(x + 60, y + 45, x + w, y + 59, ansiText(text.outroText), fonts_.introOutro, Align::Left,
               colours::kBlack, colours::kIntroOutro);
    }
    if (track && track->clip) {
        p.text(station ? x + 166 : x + 38, y + 16, x + w, y + 44, ansiText(text.title), fonts_.slot, Align::Left,
               colours::kBlack, c);
        if (station)
            p.text(x + 32, y + 16, x + kStationColumnRight, y + 44, ansiText(text.stationName), fonts_.slot,
                   Align::Centre, colours::kBlack, colours::kBanner);
    }
    p.text(x, y + 16, x + kNumberBoxWidth, y + 44, QString::number(slot + 1), fonts_.slot, Align::Centre, numberText,
           n);
    if (text.song) {
        for (int row : {y + 8, y + 52}) {
            p.leftTriangle(x + 39, row, colours::kBlack);
            p.rightTriangle(x + 51, row, colours::kBlack);
        }
    }
    p.fill(x, y + kSlotGapTop, w, 6, colours::kBlack);
}

void MainView::drawTransport(ViewPainter& p, bool clear) {
    const int x = kCdLeft;
    const int w = width() - kCdLeft;
    const TransportText line = transportText();
    if (clear) p.fill(x, 0, w, kTransportHeight, colours::kBlack);
    p.text(x, 2, x + w, kTransportHeight, ansiText(line.text), fonts_.transport, Align::Centre,
           line.red ? colours::kTransportRed : colours::kTransportGreen, colours::kBlack);
}

}  // namespace vh
