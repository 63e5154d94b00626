#include "desk/edgedock.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace desk::dock {

void PrintTo(const Move& move, std::ostream* out) {
    *out << "{top " << (move.top ? std::to_string(*move.top) : "-") << ", left "
         << (move.left ? std::to_string(*move.left) : "-") << (move.show ? ", show}" : "}");
}

} // namespace desk::dock

using namespace desk::dock;

namespace {

// A 1280-pixel screen and the main window's own size: 397 x 327 pixels.
constexpr int kScreen = 1280 * 15;
const std::vector<PixelRect> kOne{{0, 0, 1280, 800}};
// Two 1280 x 800 monitors side by side, the left one first.
const std::vector<PixelRect> kTwo{{0, 0, 1280, 800}, {1280, 0, 2560, 800}};
constexpr int kWidth = 5955;
constexpr int kHeight = 4905;

// A window at a pixel position, its twips following from its pixels.
Window atPixels(int x, int y) {
    return {{x, y, x + kWidth / 15, y + kHeight / 15}, x * 15, y * 15, kWidth, kHeight, false};
}

// A window whose Left is given in twips (to reach twip boundaries that no
// whole pixel reaches), at pixel row 200.
Window atLeftTwips(int left) {
    Window window = atPixels(left / 15, 200);
    window.left = left;
    return window;
}

// Minimised to the tray: nothing moves or shows, wherever the pointer is.
Window minimised(Window window) {
    window.minimised = true;
    return window;
}

QPoint centreOf(const Window& window) {
    return {(window.outer.left + window.outer.right) / 2,
            (window.outer.top + window.outer.bottom) / 2};
}

const QPoint kFarAway{640, 790};

// Stacked; of different sizes, the smaller one lower on the right; the
// primary one first with the other left of it; at 200 %, where Qt keeps each
// screen's origin and halves its size, so the screens lie apart.
const std::vector<PixelRect> kStacked{{0, 0, 1280, 800}, {0, 800, 1280, 1600}};
const std::vector<PixelRect> kUneven{{0, 0, 1920, 1080}, {1920, 400, 3200, 1200}};
const std::vector<PixelRect> kPrimaryRight{{0, 0, 1280, 800}, {-1280, 0, 0, 800}};
const std::vector<PixelRect> kHalved{{0, 0, 640, 400}, {1280, 0, 1920, 400}};

struct Case {
    const char* what;
    Window window;
    Move expected;
    const std::vector<PixelRect>* screens = &kOne;
};

void expectMoves(const std::vector<Case>& cases, bool pointerOnWindow) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QPoint pointer = pointerOnWindow ? centreOf(c.window) : kFarAway;
        ASSERT_EQ(pointerInside(pointer, c.window.outer), pointerOnWindow);
        EXPECT_EQ(tick(pointer, c.window, *c.screens), c.expected);
    }
}

} // namespace

TEST(EdgeDockPointer, InsideIsStrictOnTheLeftAndTopAndCountsTheLastColumnAndRow) {
    const PixelRect rect{100, 200, 497, 527}; // right and bottom are past the window
    // On and past the leftmost column, the rightmost column, the topmost row, the bottom row.
    const std::vector<std::pair<QPoint, bool>> points{
        {{100, 300}, false}, {{101, 300}, true}, {{496, 300}, true}, {{497, 300}, false},
        {{300, 200}, false}, {{300, 201}, true}, {{300, 526}, true}, {{300, 527}, false},
        {{101, 201}, true},  {{100, 200}, false}};
    for (const auto& [at, inside] : points) {
        SCOPED_TRACE(testing::Message() << at.x() << "," << at.y());
        EXPECT_EQ(pointerInside(at, rect), inside);
    }
}

TEST(EdgeDockHiding, PointerOutsideHidesTowardTheTouchedEdgeFirstTopThenLeftThenRight) {
    const Move up{.top = 40 - kHeight};
    const Move toLeft{.left = 40 - kWidth};
    const Move toRight{.left = kScreen - 40};
    expectMoves(
        {
            {"top at 4 px", atPixels(300, 4), up},
            {"top at 5 px", atPixels(300, 5), {}},
            {"above the screen", atPixels(300, -50), up},
            {"left at 4 px", atPixels(4, 200), toLeft},
            {"left at 5 px", atPixels(5, 200), {}},
            {"hidden at the left already", atPixels(3 - 397, 200), toLeft},
            {"top-left corner: the top rule comes first", atPixels(2, 2), up},
            {"left edge, top at 5 px", atPixels(2, 5), toLeft},
            {"right edge 4 twips short", atLeftTwips(kScreen - 4 - kWidth), toRight},
            {"right edge 5 twips short", atLeftTwips(kScreen - 5 - kWidth), {}},
            {"right edge one pixel short", atPixels(1280 - 397 - 1, 200), {}},
            {"partly beyond the right edge", atPixels(1100, 200), toRight},
            {"at the top and the right: the top rule comes first", atPixels(883, 0), up},
            {"away from the edges", atPixels(400, 200), {}},
            {"minimised at the top", minimised(atPixels(300, 3)), {}},
            {"minimised at the right", minimised(atLeftTwips(kScreen - 40)), {}},
        },
        false);

    // A window wider than the screen touches the left and the right edge: left wins.
    Window wide = atPixels(0, 200);
    wide.width = kScreen + 300;
    wide.outer.right = 1300;
    EXPECT_EQ(tick(kFarAway, wide, kOne), (Move{.left = 40 - wide.width}));
    EXPECT_EQ(tick(kFarAway, atPixels(300, 3), {}), Move{}) << "no screen at all";
}

// Each move's value is set here; that a hidden window's strip is in the pointer's
// reach and the whole round trip of hiding and showing on a real screen is the
// docking end-to-end test's.
TEST(EdgeDockShowing, PointerInsideShowsAWindowBeyondAnEdgeWithItsOverhang) {
    const Move down{.top = -10, .show = true};
    const Move fromLeft{.left = -10, .show = true};
    const Move fromRight{.left = kScreen - kWidth + 10, .show = true};
    expectMoves(
        {
            {"shown at the top: set again", atPixels(300, -1), down},
            {"Top -1 twip", {{300, 0, 697, 327}, 4500, -1, kWidth, kHeight, false}, down},
            {"Top 0", atPixels(300, 0), {}},
            {"Left -1 twip", atLeftTwips(-1), fromLeft},
            {"Left 0", atPixels(0, 200), {}},
            {"beyond the top and the left: the top rule comes first", atPixels(-20, -20), down},
            {"hidden at the right", atLeftTwips(kScreen - 40), fromRight},
            {"right edge exactly at the screen's", atLeftTwips(kScreen - kWidth), fromRight},
            // Close enough to hide, yet not beyond the edge: no showing move.
            {"right edge 1 twip short", atLeftTwips(kScreen - 1 - kWidth), {}},
            {"away from the edges", atPixels(400, 200), {}},
            {"minimised, hidden at the left", minimised(atPixels(3 - 397, 200)), {}, &kTwo},
        },
        true);
}

// The issue of several monitors: a window is on the screen holding most of it
// and docks only at that screen's edges that no other screen lies beyond. That
// the boundary of two monitors side by side hides nothing, either side of it,
// is the docking end-to-end test's.
TEST(EdgeDockScreens, ScreenBoundariesHideNothingAndDesktopEdgesDockOnTheirOwnScreen) {
    const Edges all{true, true, true}, noTop{false, true, true}, noLeft{true, false, true},
        noRight{true, true, false}, rightOnly{false, false, true};
    struct Layout {
        const char* what;
        const std::vector<PixelRect>& screens;
        Window window;
        std::size_t on;
        Edges edges;
        Move away; // the pointer off the window
    };
    for (const Layout& l : std::vector<Layout>{
             {"across, more on the right", kTwo, atPixels(1100, 200), 1, noLeft, {}},
             {"hidden at the right top", kTwo, atPixels(1800, -324), 1, noLeft, {.top = -4865}},
             {"off the desktop: nearest", kTwo, atPixels(2700, 900), 1, all, {.left = 38360}},
             {"stacked, lower", kStacked, atPixels(2, 802), 1, noTop, {.left = 40 - kWidth}},
             {"smaller's top", kUneven, atPixels(2200, 403), 1, noLeft, {.top = 1135}},
             {"smaller's top, larger above", kUneven, atPixels(1800, 403), 1, rightOnly, {}},
             {"larger's right, above", kUneven, atPixels(1523, 10), 0, all, {.left = 28760}},
             {"larger's right, beside", kUneven, atPixels(1523, 100), 0, noRight, {}},
             {"primary on the right", kPrimaryRight, atPixels(2, 200), 0, noLeft, {}},
             {"left of it", kPrimaryRight, atPixels(-1278, 200), 1, noRight, {.left = -25115}},
             {"apart at 200 %", kHalved, atPixels(243, 10), 0, noRight, {}},
         }) {
        SCOPED_TRACE(l.what);
        EXPECT_EQ(screenOf(l.window.outer, l.screens), l.on);
        EXPECT_EQ(desktopEdges(l.window.outer, l.screens, l.on), l.edges);
        EXPECT_EQ(tick(kFarAway, l.window, l.screens), l.away);
    }
    const Move fromLeft{.left = -19210, .show = true}, down{.top = 5990, .show = true};
    expectMoves({{"hidden left of it", atPixels(-1674, 200), fromLeft, &kPrimaryRight},
                 {"hidden at the smaller's top", atPixels(2200, 76), down, &kUneven}},
                true);
}
