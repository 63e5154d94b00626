#include "desk/edgedock.h"

namespace desk::dock {

bool pointerInside(QPoint pointer, const PixelRect& outer) {
    return outer.left < pointer.x() && pointer.x() < outer.right && outer.top < pointer.y() &&
           pointer.y() < outer.bottom;
}

Move tick(QPoint pointer, const Window& window, int screenWidthTwips) {
    // Minimising hides the window to the tray; it must not come back from there.
    if (window.minimised)
        return {};

    if (!pointerInside(pointer, window.outer)) {
        // The edge tests of hiding use the pixel rectangle at the top and left
        // but twips at the right.
        if (window.outer.top <= kEdgePixels)
            return {.top = kStripTwips - window.height};
        if (window.outer.left <= kEdgePixels)
            return {.left = kStripTwips - window.width};
        if (window.left + window.width >= screenWidthTwips - kRightEdgeTwips)
            return {.left = screenWidthTwips - kStripTwips};
        return {};
    }

    // Showing needs the window to reach beyond the edge. A hidden window does;
    // a shown, docked one does too, by its overhang, and keeps being set to the
    // same place while the pointer stays on it.
    if (window.top < 0)
        return {.top = -kOverhangTwips, .show = true};
    if (window.left < 0)
        return {.left = -kOverhangTwips, .show = true};
    if (window.left + window.width >= screenWidthTwips)
        return {.left = screenWidthTwips - window.width + kOverhangTwips, .show = true};
    return {};
}

} // namespace desk::dock
