#include "ui/ToolbarImages.h"

#include <array>

#include "ui/CommandTable.h"

namespace vh {

namespace {

using Pattern = std::array<const char*, kToolbarImageHeight>;

// '.' transparent, '#' black, 'y' yellow.
constexpr Pattern kHelp = {
    "................", ".....######.....", "....#yyyyyy#....", "...#yyy##yyy#...", "...#yy#..#yy#...",
    "....##...#yy#...", "........#yyy#...", ".......#yyy#....", "......#yyy#.....", "......#yy#......",
    "......####......", "......#yy#......", "......#yy#......", "......####......", "................",
};
constexpr Pattern kPrevious = {
    "................", "................", "...##......#....", "...##.....##....", "...##....###....",
    "...##...####....", "...##..#####....", "...##.######....", "...##..#####....", "...##...####....",
    "...##....###....", "...##.....##....", "...##......#....", "................", "................",
};
constexpr Pattern kNext = {
    "................", "................", "....#......##...", "....##.....##...", "....###....##...",
    "....####...##...", "....#####..##...", "....######.##...", "....#####..##...", "....####...##...",
    "....###....##...", "....##.....##...", "....#......##...", "................", "................",
};
constexpr Pattern kStop = {
    "................", "................", "................", "...#########....", "...#########....",
    "...#########....", "...#########....", "...#########....", "...#########....", "...#########....",
    "...#########....", "...#########....", "................", "................", "................",
};
constexpr Pattern kPlay = {
    "................", "................", ".....#..........", ".....##.........", ".....###........",
    ".....####.......", ".....#####......", ".....######.....", ".....#####......", ".....####.......",
    ".....###........", ".....##.........", ".....#..........", "................", "................",
};

QImage render(const Pattern& pattern) {
    QImage image(kToolbarImageWidth, kToolbarImageHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < kToolbarImageHeight; ++y) {
        for (int x = 0; x < kToolbarImageWidth && pattern[std::size_t(y)][x] != '\0'; ++x) {
            switch (pattern[std::size_t(y)][x]) {
            case '#': image.setPixel(x, y, qRgb(0, 0, 0)); break;
            case 'y': image.setPixel(x, y, qRgb(255, 255, 0)); break;
            default: break;
            }
        }
    }
    return image;
}

}  // namespace

QImage toolbarImage(int32_t commandId) {
    switch (commandId) {
    case command::kHelp: return render(kHelp);
    case command::kPrevious: return render(kPrevious);
    case command::kNext: return render(kNext);
    case command::kStop: return render(kStop);
    case command::kPlay: return render(kPlay);
    default: return {};
    }
}

}  // namespace vh
