#include "desk/edgedock.h"

#include "shell/formgeometry.h"

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

QPoint centreOf(const Window& window) {
    return {(window.outer.left + window.outer.right) / 2,
            (window.outer.top + window.outer.bottom) / 2};
}

const QPoint kFarAway{640, 790};

struct Case {
    const char* what;
    Window window;
    Move expected;
};

void expectMoves(const std::vector<Case>& cases, bool pointerOnWindow) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QPoint pointer = pointerOnWindow ? centreOf(c.window) : kFarAway;
        ASSERT_EQ(pointerInside(pointer, c.window.outer), pointerOnWindow);
        EXPECT_EQ(tick(pointer, c.window, kScreen), c.expected);
    }
}

} // namespace

TEST(EdgeDockPointer, InsideIsStrictOnTheLeftAndTopAndCountsTheLastColumnAndRow) {
    const PixelRect rect{100, 200, 497, 527}; // right and bottom are past the window
    struct Point {
        QPoint at;
        bool inside;
    };
    for (const Point& p : std::vector<Point>{
             {{100, 300}, false}, // leftmost column
             {{101, 300}, true},
             {{496, 300}, true}, // rightmost column
             {{497, 300}, false},
             {{300, 200}, false}, // topmost row
             {{300, 201}, true},
             {{300, 526}, true}, // bottom row
             {{300, 527}, false},
             {{101, 201}, true},
             {{100, 200}, false},
         }) {
        SCOPED_TRACE(testing::Message() << p.at.x() << "," << p.at.y());
        EXPECT_EQ(pointerInside(p.at, rect), p.inside);
    }
}

TEST(EdgeDockHiding, PointerOutsideHidesTowardTheTouchedEdgeFirstTopThenLeftThenRight) {
    const Move up{.top = 40 - kHeight};
    const Move toLeft{.left = 40 - kWidth};
    const Move toRight{.left = kScreen - 40};
    expectMoves(
        {
            {"top 3 px below the screen's top", atPixels(300, 3), up},
            {"top at 4 px", atPixels(300, 4), up},
            {"top at 5 px", atPixels(300, 5), {}},
            {"above the screen", atPixels(300, -50), up},
            {"hidden at the top already: the same place again", atPixels(300, 3 - 327), up},
            {"left at 4 px", atPixels(4, 200), toLeft},
            {"left at 5 px", atPixels(5, 200), {}},
            {"hidden at the left already", atPixels(3 - 397, 200), toLeft},
            {"top-left corner: the top rule comes first", atPixels(2, 2), up},
            {"left edge, top at 5 px", atPixels(2, 5), toLeft},
            {"right edge exactly at the screen's", atLeftTwips(kScreen - kWidth), toRight},
            {"right edge 4 twips short", atLeftTwips(kScreen - 4 - kWidth), toRight},
            {"right edge 5 twips short", atLeftTwips(kScreen - 5 - kWidth), {}},
            {"right edge one pixel short", atPixels(1280 - 397 - 1, 200), {}},
            {"partly beyond the right edge", atPixels(1100, 200), toRight},
            {"hidden at the right already", atLeftTwips(kScreen - 40), toRight},
            {"at the top and the right: the top rule comes first", atPixels(883, 0), up},
            {"away from the edges", atPixels(400, 200), {}},
        },
        false);

    // A window wider than the screen touches the left and the right edge: left wins.
    Window wide = atPixels(0, 200);
    wide.width = kScreen + 300;
    wide.outer.right = 1300;
    EXPECT_EQ(tick(kFarAway, wide, kScreen), (Move{.left = 40 - wide.width}));
}

TEST(EdgeDockShowing, PointerInsideShowsAWindowBeyondAnEdgeWithItsOverhang) {
    const Move down{.top = -10, .show = true};
    const Move fromLeft{.left = -10, .show = true};
    const Move fromRight{.left = kScreen - kWidth + 10, .show = true};
    expectMoves(
        {
            {"hidden at the top", atPixels(300, 3 - 327), down},
            {"shown at the top: set again", atPixels(300, -1), down},
            {"Top -1 twip", {{300, 0, 697, 327}, 4500, -1, kWidth, kHeight, false}, down},
            {"Top 0", atPixels(300, 0), {}},
            {"hidden at the left", atPixels(3 - 397, 200), fromLeft},
            {"Left -1 twip", atLeftTwips(-1), fromLeft},
            {"Left 0", atPixels(0, 200), {}},
            {"beyond the top and the left: the top rule comes first", atPixels(-20, -20), down},
            {"hidden at the right", atLeftTwips(kScreen - 40), fromRight},
            {"right edge exactly at the screen's", atLeftTwips(kScreen - kWidth), fromRight},
            // Close enough to hide, yet not beyond the edge: no showing move.
            {"right edge 1 twip short", atLeftTwips(kScreen - 1 - kWidth), {}},
            {"away from the edges", atPixels(400, 200), {}},
        },
        true);
}

TEST(EdgeDockMinimised, NothingMovesOrShowsWhereverThePointerIs) {
    for (Window window : {atPixels(300, 3), atPixels(300, 3 - 327), atPixels(3 - 397, 200),
                          atLeftTwips(kScreen - 40), atPixels(400, 200)}) {
        window.minimised = true;
        SCOPED_TRACE(testing::Message() << window.outer.left << "," << window.outer.top);
        EXPECT_EQ(tick(kFarAway, window, kScreen), Move{});
        EXPECT_EQ(tick(centreOf(window), window, kScreen), Move{});
    }
}

// The rules together with the conversion the window uses: each edge hides
// leaving a 3-pixel strip that the pointer can reach, comes back one pixel
// beyond the edge, and hides again.
TEST(EdgeDockCycle, EachEdgeHidesToAReachableStripAndComesBackOverhanging) {
    struct Edge {
        const char* name;
        Window start;
        QPoint onStrip;  // a pointer on the hidden window's strip
        QPoint hiddenAt; // the hidden window's pixel position
        QPoint shownAt;  // the shown window's pixel position
    };
    for (const Edge& edge : std::vector<Edge>{
             {"top", atPixels(300, 3), {400, 1}, {300, 3 - 327}, {300, -1}},
             {"left", atPixels(2, 200), {1, 300}, {3 - 397, 200}, {-1, 200}},
             {"right", atPixels(883, 200), {1278, 300}, {1277, 200}, {884, 200}},
         }) {
        SCOPED_TRACE(edge.name);
        Window window = edge.start;
        const auto apply = [&](const Move& move) {
            QPoint at(window.outer.left, window.outer.top);
            if (move.top)
                at.setY(form::pixels(*move.top));
            if (move.left)
                at.setX(form::pixels(*move.left));
            window = atPixels(at.x(), at.y());
        };
        const auto position = [&] {
            return QPoint(window.outer.left, window.outer.top);
        };

        apply(tick(kFarAway, window, kScreen));
        EXPECT_EQ(position(), edge.hiddenAt);
        apply(tick(kFarAway, window, kScreen));
        EXPECT_EQ(position(), edge.hiddenAt) << "a hidden window rests";

        ASSERT_TRUE(pointerInside(edge.onStrip, window.outer));
        const Move shown = tick(edge.onStrip, window, kScreen);
        EXPECT_TRUE(shown.show);
        apply(shown);
        EXPECT_EQ(position(), edge.shownAt);

        apply(tick(centreOf(window), window, kScreen));
        EXPECT_EQ(position(), edge.shownAt) << "a shown window stays while the pointer is on it";
        apply(tick(kFarAway, window, kScreen));
        EXPECT_EQ(position(), edge.hiddenAt) << "and hides again when it leaves";
    }
}
