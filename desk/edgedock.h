#pragma once

#include <QPoint>

#include <optional>

// Docking of the main window at the top, left and right screen edges. A window
// dragged against one of them slides out of sight, all but a thin strip, as soon
// as the pointer leaves it, and back when the pointer comes onto the strip.
// Nothing is remembered between ticks: each one reads the docking state off the
// window's position.
//
// Two units meet here and every constant keeps its own: the pointer and the
// window's outer rectangle are in screen pixels, the window's Left, Top, Width,
// Height and the screen width in twips (15 to a pixel at 96 dots per inch).
namespace desk::dock {

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

// A rectangle in screen pixels whose right and bottom are the first column and
// row past it.
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

// Strictly inside on all four sides: the window's leftmost column and topmost
// row are outside, its rightmost column and bottom row inside.
bool pointerInside(QPoint pointer, const PixelRect& outer);

// One tick: the pointer in screen pixels, the window, the primary screen's
// width in twips. The first rule that applies wins, top before left before right.
Move tick(QPoint pointer, const Window& window, int screenWidthTwips);

} // namespace desk::dock
