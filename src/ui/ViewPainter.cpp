#include "ui/ViewPainter.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace vh {

namespace {

QColor qcolour(Rgb c) { return QColor(c.r, c.g, c.b); }

// Windows-1252 assigns printable characters to most of 0x80..0x9F, where
// Latin-1 has control codes; the rest of the byte range is the same.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

}  // namespace

QString ansiText(std::string_view text) {
    QString out;
    out.reserve(qsizetype(text.size()));
    for (char ch : text) {
        auto byte = static_cast<unsigned char>(ch);
        out.append(byte >= 0x80 && byte < 0xA0 ? QChar(kCp1252High[byte - 0x80]) : QChar(char16_t(byte)));
    }
    return out;
}

QFont fontForCellHeight(const QStringList& families, int cellHeight, int weight, bool monospace) {
    QFont font;
    font.setFamilies(families);
    if (monospace) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    font.setWeight(QFont::Weight(weight));
    font.setKerning(false);
    int pixels = cellHeight;
    for (; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight) break;
    }
    font.setPixelSize(pixels);
    return font;
}

ViewFonts ViewFonts::create() {
    const QStringList arial{QStringLiteral("Arial")};
    // "Lucida Console" alone may resolve to a proportional face; the list
    // keeps the line monospaced where the face itself is missing.
    const QStringList console{QStringLiteral("Lucida Console"), QStringLiteral("Liberation Mono"),
                              QStringLiteral("DejaVu Sans Mono")};
    ViewFonts fonts;
    fonts.banner = fontForCellHeight(arial, 28, 400, false);
    fonts.clipRow = fontForCellHeight(arial, 16, 700, false);
    fonts.introOutro = fontForCellHeight(arial, 14, 400, false);
    fonts.slot = fontForCellHeight(arial, 28, 400, false);
    fonts.transport = fontForCellHeight(console, 33, 400, true);
    return fonts;
}

void ViewPainter::fill(int x, int y, int w, int h, Rgb colour) {
    if (w <= 0 || h <= 0) return;
    p_.fillRect(x, y, w, h, qcolour(colour));
}

void ViewPainter::line(int x1, int y1, int x2, int y2, Rgb colour) {
    if (y1 == y2) {
        // From x1 towards x2, x2 itself left out.
        if (x2 > x1) fill(x1, y1, x2 - x1, 1, colour);
        else if (x2 < x1) fill(x2 + 1, y1, x1 - x2, 1, colour);
    } else if (x1 == x2) {
        if (y2 > y1) fill(x1, y1, 1, y2 - y1, colour);
        else fill(x1, y2 + 1, 1, y1 - y2, colour);
    }
}

void ViewPainter::rightTriangle(int x, int row, Rgb colour) {
    for (int k = -4; k <= 4; ++k) fill(x - 2, row + k, 6 - std::abs(k), 1, colour);
}

void ViewPainter::leftTriangle(int x, int row, Rgb colour) {
    for (int k = -4; k <= 4; ++k) {
        const int length = 6 - std::abs(k);
        fill(x + 2 - length + 1, row + k, length, 1, colour);
    }
}

void ViewPainter::text(int left, int top, int right, int bottom, const QString& text, const QFont& font,
                       Align align, Rgb foreground, Rgb background) {
    if (right <= left || bottom <= top || text.isEmpty()) return;
    const QRect box(left, top, right - left, bottom - top);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    const int x = align == Align::Centre ? left + (box.width() - width) / 2 : left;

    p_.save();
    p_.setClipRect(box);
    // Opaque text: the cells behind the glyphs take the background colour.
    p_.fillRect(QRect(x, top, width, metrics.height()).intersected(box), qcolour(background));
    p_.setFont(font);
    p_.setPen(qcolour(foreground));
    p_.drawText(x, top + metrics.ascent(), text);
    p_.restore();
}

}  // namespace vh
