#pragma once

#include <cstdint>

namespace vh {

// How the core asks the view to redraw. Long operations run on the UI thread
// and block it, so they draw at once ("now") before they start; everything
// else invalidates and lets the window system repaint later.
class ViewHooks {
public:
    virtual ~ViewHooks() = default;
    virtual void invalidate() = 0;
    virtual void drawTransportNow(bool clear) = 0;
    virtual void drawViewNow() = 0;
    // Whole playlist rows that fit the pane as last drawn (0 before any
    // drawing, and where there is no view).
    virtual int32_t playlistVisibleRows() { return 0; }
};

}  // namespace vh
