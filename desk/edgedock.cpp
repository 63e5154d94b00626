#include "desk/edgedock.h"

#include <algorithm>

namespace desk::dock {

namespace {

// How far apart two ranges [from, to) are: 0 where they overlap.
long long gap(int from, int to, int otherFrom, int otherTo) {
    return std::max(
        {0LL, static_cast<long long>(otherFrom) - to, static_cast<long long>(from) - otherTo});
}

bool overlap(int from, int to, int otherFrom, int otherTo) {
    return from < otherTo && otherFrom < to;
}

} // namespace

bool pointerInside(QPoint pointer, const PixelRect& outer) {
    return outer.left < pointer.x() && pointer.x() < outer.right && outer.top < pointer.y() &&
           pointer.y() < outer.bottom;
}

std::size_t screenOf(const PixelRect& outer, std::span<const PixelRect> screens) {
    const auto shared = [&](const PixelRect& screen) {
        const long long width =
            std::min(outer.right, screen.right) - std::max(outer.left, screen.left);
        const long long height =
            std::min(outer.bottom, screen.bottom) - std::max(outer.top, screen.top);
        return width > 0 && height > 0 ? width * height : 0;
    };
    const auto distance = [&](const PixelRect& screen) {
        const long long dx = gap(outer.left, outer.right, screen.left, screen.right);
        const long long dy = gap(outer.top, outer.bottom, screen.top, screen.bottom);
        return dx * dx + dy * dy;
    };
    std::size_t best = 0;
    for (std::size_t i = 1; i < screens.size(); ++i) {
        const long long area = shared(screens[i]), bestArea = shared(screens[best]);
        if (area > bestArea ||
            (area == 0 && bestArea == 0 && distance(screens[i]) < distance(screens[best])))
            best = i;
    }
    return best;
}

Edges desktopEdges(const PixelRect& outer, std::span<const PixelRect> screens, std::size_t on) {
    const PixelRect& screen = screens[on];
    Edges edges{true, true, true};
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const PixelRect& other = screens[i];
        if (i == on)
            continue;
        const bool alongColumns = overlap(outer.left, outer.right, other.left, other.right);
        const bool alongRows = overlap(outer.top, outer.bottom, other.top, other.bottom);
        if (alongColumns && other.top < screen.top)
            edges.top = false;
        if (alongRows && other.left < screen.left)
            edges.left = false;
        if (alongRows && other.right > screen.right)
            edges.right = false;
    }
    return edges;
}

Move tick(QPoint pointer, const Window& window, std::span<const PixelRect> screens) {
    // Minimising hides the window to the tray; it must not come back from there.
    if (window.minimised || screens.empty())
        return {};
    const std::size_t on = screenOf(window.outer, screens);
    const PixelRect& screen = screens[on];
    const Edges edges = desktopEdges(window.outer, screens, on);
    const int topTwips = screen.top * kTwipsPerPixel;
    const int leftTwips = screen.left * kTwipsPerPixel;
    const int rightTwips = screen.right * kTwipsPerPixel;

    if (!pointerInside(pointer, window.outer)) {
        // The edge tests of hiding use the pixel rectangle at the top and left
        // but twips at the right.
        if (edges.top && window.outer.top <= screen.top + kEdgePixels)
            return {.top = topTwips + kStripTwips - window.height};
        if (edges.left && window.outer.left <= screen.left + kEdgePixels)
            return {.left = leftTwips + kStripTwips - window.width};
        if (edges.right && window.left + window.width >= rightTwips - kRightEdgeTwips)
            return {.left = rightTwips - kStripTwips};
        return {};
    }

    // Showing needs the window to reach beyond the edge. A hidden window does;
    // a shown, docked one does too, by its overhang, and keeps being set to the
    // same place while the pointer stays on it.
    if (edges.top && window.top < topTwips)
        return {.top = topTwips - kOverhangTwips, .show = true};
    if (edges.left && window.left < leftTwips)
        return {.left = leftTwips - kOverhangTwips, .show = true};
    if (edges.right && window.left + window.width >= rightTwips)
        return {.left = rightTwips - window.width + kOverhangTwips, .show = true};
    return {};
}

} // namespace desk::dock
