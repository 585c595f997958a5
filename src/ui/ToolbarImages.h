#pragma once

#include <QImage>
#include <cstdint>

namespace vh {

constexpr int kToolbarImageWidth = 16;
constexpr int kToolbarImageHeight = 15;

// The toolbar button image of a command (Help, Previous, Next, Stop, Play):
// black or yellow shapes on a transparent ground, so the button face shows
// through. A null image for any other command.
QImage toolbarImage(int32_t commandId);

}  // namespace vh
