#pragma once

#include "platform/twips.h"

#include <QPoint>

#include <cstddef>
#include <optional>
#include <span>

// Docking of the main window at the top, left and right edges of the desktop.
// A window dragged against one of them slides out of sight, all but a thin
// strip, as soon as the pointer leaves it, and back when the pointer comes onto
// the strip. Nothing is remembered between ticks: each one reads the docking
// state off the window's position.
//
// Two units meet here and every constant keeps its own: the pointer, the
// window's outer rectangle and the screens are in device-independent pixels,
// the window's Left, Top, Width and Height in twips (15 to a device-independent
// pixel). So at any scaling the thresholds and the strip are as wide to the eye.
namespace desk::dock {

using form::kTwipsPerPixel;
// The top (left) edge at or above (left of) this pixel touches the screen's edge.
inline constexpr int kEdgePixels = 4;
// The right edge within this many twips of the screen's right edge touches it:
// less than one pixel, so a window one pixel short does not dock.
inline constexpr int kRightEdgeTwips = 4;
// How much of a hidden window stays on screen.
inline constexpr int kStripTwips = 40;
// How far a shown, docked window reaches beyond the screen's edge, so that it
// still touches the edge and hides again when the pointer leaves.
inline constexpr int kOverhangTwips = 10;
// The main window polls the pointer this often.
inline constexpr int kPollMs = 500;

// A rectangle in device-independent pixels whose right and bottom are the
// first column and row past it.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What one tick knows of the window.
struct Window {
    PixelRect outer; // frame included, in pixels
    int left = 0;    // the outer position and size, in twips
    int top = 0;
    int width = 0;
    int height = 0;
    bool minimised = false;
};

// The move a tick makes: at most one of top and left (twips), and whether to
// show the window. A window that is visible already stays visible.
struct Move {
    std::optional<int> top{};
    std::optional<int> left{};
    bool show = false;

    bool operator==(const Move&) const = default;
};

// The edges of a screen a window may hide behind: those with no other screen
// beyond them, where the window would otherwise show again.
struct Edges {
    bool top = false;
    bool left = false;
    bool right = false;

    bool operator==(const Edges&) const = default;
};

// Strictly inside on all four sides: the window's leftmost column and topmost
// row are outside, its rightmost column and bottom row inside.
bool pointerInside(QPoint pointer, const PixelRect& outer);

// The screen a window is on: the one that holds most of its outer rectangle,
// so a hidden window is on the screen its strip is on; where it lies on none,
// the nearest. Ties go to the earlier screen. screens must not be empty.
std::size_t screenOf(const PixelRect& outer, std::span<const PixelRect> screens);

// Which of the top, left and right edges of screens[on] are edges of the whole
// desktop for a window spanning outer: an edge is when no other screen reaches
// beyond its line anywhere along the window's span (its columns for the top
// edge, its rows for the side edges).
Edges desktopEdges(const PixelRect& outer, std::span<const PixelRect> screens, std::size_t on);

// One tick: the pointer, the window, every screen's rectangle. The window docks
// at the desktop edges of the screen it is on; the first rule that applies
// wins, top before left before right. Without screens nothing moves.
Move tick(QPoint pointer, const Window& window, std::span<const PixelRect> screens);

} // namespace desk::dock
