// Docking at the screen edges, end to end: the built Quillon on an X server of
// the test's own without a window manager, so the window's frame is the window
// itself and nothing but Quillon moves it once the test has put it somewhere.
// The test moves the window and the pointer with xdotool and reads the window's
// place with xwininfo.
#include "tests/e2e/desktopharness.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace e2e;

namespace {

// The main window is 5955 x 4905 twips. A hidden window leaves its 40-twip
// strip on screen, 3 pixels; a shown one reaches 10 twips, 1 pixel, beyond the edge.
const QSize kWindow(397, 327);
constexpr int kStrip = 3;
constexpr int kOverhang = 1;
const QSize kScreen(1280, 800);

// Timer3 ticks every 500 ms; the move must follow within a few ticks even on a
// busy machine.
constexpr int kMoveWithinMs = 2000;
// Three ticks: a window that should stay put has had its chance to move.
constexpr int kRestMs = 1600;
// Two ticks, for a docked window that should rest while the pointer stays.
constexpr int kShortRestMs = 1100;

// Outside every place the window is put in below.
const QPoint kPointerAway(1000, 700);

std::string text(std::optional<QPoint> point) {
    return point ? "(" + std::to_string(point->x()) + ", " + std::to_string(point->y()) + ")"
                 : "nowhere on the screen";
}

QStringList xy(QPoint point) {
    return {QString::number(point.x()), QString::number(point.y())};
}

class DockEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(m_display.start(kScreen));
        // The service knows nothing: docking does not depend on it.
        ASSERT_TRUE(m_service.listen());
        ASSERT_NO_FATAL_FAILURE(m_quillon.start(m_service.url()));
        m_window = m_quillon.mainWindow(30000);
        ASSERT_FALSE(m_window.isEmpty())
            << "no mapped window titled \"" << kCaption.toStdString() << "\"";
        ASSERT_EQ(m_display.window(m_window).value_or(WindowState{}).size, kWindow)
            << "the sizes below assume the main window's";
    }

    // Where the window is, while it is on the screen.
    std::optional<QPoint> position() const {
        const auto state = m_display.window(m_window);
        return state && state->viewable ? std::optional(state->position) : std::nullopt;
    }

    void pointerTo(QPoint at) {
        ASSERT_FALSE(m_display.run("xdotool", QStringList{"mousemove"} + xy(at)).isNull());
    }

    // Waits for the window to arrive at a place; how long it took, or -1.
    qint64 arrivalMs(QPoint expected, int timeoutMs) const {
        QElapsedTimer clock;
        clock.start();
        return waitUntil([&] { return position() == expected; }, timeoutMs) ? clock.elapsed() : -1;
    }

    // The pointer is put where it is first, so that the window, once there,
    // has no reason to move until the test moves the pointer again.
    void putWindow(QPoint at, QPoint pointer) {
        ASSERT_NO_FATAL_FAILURE(pointerTo(pointer));
        ASSERT_FALSE(
            m_display.run("xdotool", QStringList{"windowmove", m_window} + xy(at)).isNull());
        ASSERT_GE(arrivalMs(at, 5000), 0) << "xdotool did not move the window to " << text(at);
    }

    void expectStays(QPoint at, const char* why, int forMs = kRestMs) {
        std::optional<QPoint> seen;
        EXPECT_FALSE(waitUntil([&] { return (seen = position()) != at; }, forMs))
            << why << ": it moved from " << text(at) << " to " << text(seen);
    }

    void expectMovesTo(QPoint expected, const char* what) {
        const qint64 ms = arrivalMs(expected, kMoveWithinMs);
        EXPECT_GE(ms, 0) << what << ": expected at " << text(expected) << " within "
                         << kMoveWithinMs << " ms, but it is at " << text(position());
        if (ms >= 0)
            std::printf("%s: %lld ms\n", what, ms);
    }

    // One edge: put the window against it with the pointer on the window,
    // move the pointer away (it hides to its strip), onto the strip (it comes
    // back, overhanging), and away again (it hides again).
    void expectDocking(const char* edge, QPoint against, QPoint pointerOnWindow, QPoint hidden,
                       QPoint onStrip, QPoint shown) {
        SCOPED_TRACE(edge);
        ASSERT_NO_FATAL_FAILURE(putWindow(against, pointerOnWindow));
        expectStays(against, "the pointer is on the window", kShortRestMs);
        ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
        expectMovesTo(hidden, "hides when the pointer leaves");
        ASSERT_NO_FATAL_FAILURE(pointerTo(onStrip));
        expectMovesTo(shown, "comes back when the pointer is on the strip");
        expectStays(shown, "shown while the pointer is on it", kShortRestMs);
        ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
        expectMovesTo(hidden, "hides again when the pointer leaves");
    }

    VirtualDisplay m_display;
    LoopbackService m_service;
    QuillonRun m_quillon{m_display};
    QString m_window;
};

} // namespace

TEST_F(DockEndToEnd, StaysPutAwayFromTheEdgesWhereverThePointerIs) {
    const QPoint middle(400, 200);
    ASSERT_NO_FATAL_FAILURE(putWindow(middle, kPointerAway));
    expectStays(middle, "in the middle, the pointer away");
    ASSERT_NO_FATAL_FAILURE(pointerTo(middle + QPoint(200, 150)));
    expectStays(middle, "in the middle, the pointer on the window");

    ASSERT_NO_FATAL_FAILURE(putWindow({5, 5}, kPointerAway));
    expectStays({5, 5}, "5 pixels from the top and the left: one pixel too far from both");

    const QPoint nearRight(kScreen.width() - kWindow.width() - 1, 200);
    ASSERT_NO_FATAL_FAILURE(putWindow(nearRight, kPointerAway));
    expectStays(nearRight,
                "one pixel short of the right edge: 15 twips, more than the 4 that dock");
}

TEST_F(DockEndToEnd, HidesAtTheTopLeftAndRightEdgesAndComesBackOnTheStrip) {
    const int shownRightX = kScreen.width() - kWindow.width() + kOverhang;
    expectDocking("top edge, 3 pixels below the screen's top", {300, 3}, {500, 150},
                  {300, kStrip - kWindow.height()}, {400, 1}, {300, -kOverhang});
    expectDocking("left edge, 2 pixels from the screen's left", {2, 200}, {100, 300},
                  {kStrip - kWindow.width(), 200}, {1, 300}, {-kOverhang, 200});
    expectDocking("right edge, pushed partly beyond it", {shownRightX, 200}, {1000, 300},
                  {kScreen.width() - kStrip, 200}, {kScreen.width() - 2, 300}, {shownRightX, 200});
    expectDocking("top-left corner: hides upward", {2, 2}, {100, 100},
                  {2, kStrip - kWindow.height()}, {100, 1}, {2, -kOverhang});
}
