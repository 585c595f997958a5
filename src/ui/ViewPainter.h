#pragma once

#include <QFont>
#include <QString>
#include <string_view>

#include "ui/ViewGeometry.h"

class QPainter;

namespace vh {

// The fonts of the view, each asked for by face and cell height.
struct ViewFonts {
    QFont banner;      // "Arial" 28: station banner and its arrows
    QFont clipRow;     // "Arial" 16 bold: clip rows
    QFont introOutro;  // "Arial" 14: a song's intro and outro lines in the playlist
    QFont slot;        // "Arial" 28: playlist station name, title and slot number
    QFont transport;   // "Lucida Console" 33, or a monospace face standing in for it

    static ViewFonts create();
};

// A font whose cell (ascent plus descent) is at most `cellHeight` pixels, as
// a Windows font of that positive height has: the largest pixel size of the
// face whose cell still fits.
QFont fontForCellHeight(const QStringList& families, int cellHeight, int weight, bool monospace);

// Catalogue texts are ANSI (Windows-1252) bytes.
QString ansiText(std::string_view text);

// The view's drawing primitives in its pixel conventions: fills of w × h
// pixels from their top left pixel (nothing when w or h is 0 or less), lines
// that include their start and exclude their end point, text clipped to its
// rectangle on one top-aligned line with its background painted.
class ViewPainter {
public:
    enum class Align { Left, Centre };

    explicit ViewPainter(QPainter& painter) : p_(painter) {}

    void fill(int x, int y, int w, int h, Rgb colour);
    // Horizontal or vertical lines only; the view draws no others.
    void line(int x1, int y1, int x2, int y2, Rgb colour = colours::kBlack);
    // 9 rows centred on `row`, 6 − k pixels long at row ± k, sharing one base
    // column: base at x − 2 and tip at x + 3 (right-pointing) or base at
    // x + 2 and tip at x − 3 (left-pointing).
    void rightTriangle(int x, int row, Rgb colour);
    void leftTriangle(int x, int row, Rgb colour);
    // The rectangle runs from (left, top) to (right, bottom), exclusive.
    void text(int left, int top, int right, int bottom, const QString& text, const QFont& font, Align align,
              Rgb foreground, Rgb background);

private:
    QPainter& p_;
};

}  // namespace vh
