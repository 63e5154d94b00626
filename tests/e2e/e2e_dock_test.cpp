// Docking at the desktop's edges, end to end: the built Quillon on an X server
// of the test's own, once without a window manager and once with openbox, which,
// like every window manager, keeps windows from going far beyond the screen's
// edges; on two monitors side by side, at 100 % and at 200 %. The test moves
// the window and the pointer with xdotool, reads the window's outer rectangle,
// and judges a hidden window by what the screen shows. All of it in the X
// server's own pixels.
#include "tests/e2e/desktopharness.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace e2e;

namespace {

// Two 1280 x 800 monitors side by side, the left one primary.
const QList<QRect> kTwoMonitors{{0, 0, 1280, 800}, {1280, 0, 1280, 800}};
const QSize kDesktop(2560, 800);
// A hidden window leaves its 40-twip strip on screen, 3 pixels; nothing of it
// may show farther than this from the edge.
constexpr int kStripAtMost = 4;
// A shown, docked window reaches 10 twips, 1 pixel, beyond the edge.
constexpr int kOverhang = 1;
// Device pixels to a device-independent one at 200 %.
constexpr int kTwice = 2;

// Timer3 ticks every 500 ms; the move must follow within a few ticks even on a
// busy machine.
constexpr int kMoveWithinMs = 2000;
// Three ticks: a window that should stay put has had its chance to move.
constexpr int kRestMs = 1600;
// Two ticks, for a docked window that should rest while the pointer stays.
constexpr int kShortRestMs = 1100;

// Outside every place the window is put in below.
const QPoint kPointerAway(1000, 700);

QStringList xy(QPoint point) {
    return {QString::number(point.x()), QString::number(point.y())};
}

// What a screenshot shows of a window hidden to a strip: empty when only the
// strip is lit, and nothing else anywhere (Xvfb's root is black where no
// window is drawn).
std::string hiddenTo(const VirtualDisplay& display, const QRect& strip, QSize desktop) {
    const QImage screen = display.shot("root");
    if (screen.size() != desktop)
        return "no screenshot";
    int litOnTheStrip = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) {
            const bool lit = (screen.pixel(x, y) & 0xffffff) != 0;
            if (lit && !strip.contains(x, y))
                return "lit at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            litOnTheStrip += lit;
        }
    return litOnTheStrip > 0 ? std::string() : "no strip is left to point at";
}

// Each test starts its desktop of two monitors; scale goes to QT_SCALE_FACTOR.
class DockEndToEnd : public ::testing::TestWithParam<bool> {
protected:
    void startDesk(int scale = 1) {
        ASSERT_EQ(m_display.startMonitors(kTwoMonitors), "");
        if (scale != 1)
            m_quillon.addEnvironment("QT_SCALE_FACTOR", QString::number(scale));
        if (GetParam()) {
            ASSERT_EQ(m_display.startWindowManager(), "");
        }
        // The service knows nothing: docking does not depend on it.
        ASSERT_TRUE(m_service.listen());
        ASSERT_NO_FATAL_FAILURE(m_quillon.start(m_service.url()));
        // The browsers' start replaces the main window's native window once.
        ASSERT_TRUE(waitUntil(
            [&] { return !m_service.arrivals(m_quillon.started(), "/htm/fengxian.htm").isEmpty(); },
            20000));
        m_window = m_quillon.mainWindow(30000);
        const auto frame = m_display.frame(m_window);
        ASSERT_TRUE(frame.has_value()) << "no mapped window titled " << kCaption.toStdString();
        m_outer = frame->size();
    }

    void pointerTo(QPoint at) {
        ASSERT_FALSE(m_display.run("xdotool", QStringList{"mousemove"} + xy(at)).isNull());
    }

    // Whether the window's outer top-left comes to `at` in time; where it was last is reported.
    ::testing::AssertionResult arrives(QPoint at, int timeoutMs) const {
        return m_display.outerMeets(
                   m_window, [&](const QRect& seen) { return seen.topLeft() == at; }, timeoutMs)
               << ", expected " << text(QRect(at, m_outer));
    }

    // xdotool's place is the frame's or the window's own, by the gravity the
    // window last asked for: where a move lands off, the next makes up, and
    // the moves after it ask so at once (an edge reached on the way would
    // dock the window).
    void windowTo(QPoint at) {
        for (int tries = 0; tries < 2; ++tries) {
            const auto before = m_display.outer(m_window);
            ASSERT_TRUE(before.has_value()) << "the window is not on the screen";
            if (before->topLeft() == at)
                return;
            ASSERT_FALSE(
                m_display
                    .run("xdotool", QStringList{"windowmove", m_window} + xy(at + m_moveOffset))
                    .isNull());
            QRect landed;
            ASSERT_TRUE(m_display.outerMeets(m_window, [&](const QRect& seen) {
                return (landed = seen).topLeft() != before->topLeft();
            })) << "xdotool did not move the window";
            m_moveOffset += at - landed.topLeft();
        }
        ASSERT_TRUE(arrives(at, 1000)) << "xdotool moved the window elsewhere";
    }

    // The window, shown, goes to a place with the pointer on it, so that it
    // has no reason to move until the test moves the pointer again. On its
    // way it rests at a place near `at` that touches no edge, where the
    // pointer is put.
    void putWindow(QPoint at, QPoint pointer) {
        const QRect free(QPoint(40, 40), kDesktop - m_outer - QSize(80, 80));
        ASSERT_NO_FATAL_FAILURE(windowTo({std::clamp(at.x(), free.left(), free.right()),
                                          std::clamp(at.y(), free.top(), free.bottom())}));
        ASSERT_NO_FATAL_FAILURE(pointerTo(pointer));
        ASSERT_NO_FATAL_FAILURE(windowTo(at));
    }

    void expectStays(QPoint at, const char* why, int forMs = kRestMs) {
        std::optional<QRect> seen;
        EXPECT_FALSE(waitUntil(
            [&] { return !(seen = m_display.outer(m_window)) || seen->topLeft() != at; }, forMs))
            << why << ": it moved from " << text(QRect(at, m_outer)) << " to " << text(seen);
    }

    void expectHiddenTo(const QRect& strip, const char* what) {
        std::string seen;
        EXPECT_TRUE(waitUntil([&] { return (seen = hiddenTo(m_display, strip, kDesktop)).empty(); },
                              kMoveWithinMs))
            << what << ": " << seen;
    }

    // One edge: put the window against it with the pointer on the window,
    // move the pointer away (it hides to its strip), onto the strip (it comes
    // back, overhanging), away again (it hides again) and back.
    void expectDocking(const char* where, const QRect& strip, QPoint against,
                       QPoint pointerOnWindow, QPoint onStrip, QPoint shown) {
        SCOPED_TRACE(where);
        ASSERT_NO_FATAL_FAILURE(putWindow(against, pointerOnWindow));
        expectStays(against, "the pointer is on the window", kShortRestMs);
        for (const char* round : {"the first time", "again"}) {
            SCOPED_TRACE(round);
            ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
            expectHiddenTo(strip, "hides when the pointer leaves");
            ASSERT_NO_FATAL_FAILURE(pointerTo(onStrip));
            EXPECT_TRUE(arrives(shown, kMoveWithinMs))
                << "comes back when the pointer is on the strip";
            expectStays(shown, "shown while the pointer is on it", kShortRestMs);
        }
    }

    VirtualDisplay m_display;
    LoopbackService m_service;
    ProgramRun m_quillon{m_display};
    QString m_window;
    QSize m_outer;
    QPoint m_moveOffset; // xdotool's place less the outer one, as learnt
};

} // namespace

// Two monitors side by side: the boundary between them hides nothing, the
// desktop's edges do, and the introduction and the add dialog open on the
// monitor of the window (last: the screenshots of a hidden window would see them).
TEST_P(DockEndToEnd, OnTwoMonitorsHidesAtTheDesktopsEdgesOnlyAndItsAddDialogStaysInView) {
    ASSERT_NO_FATAL_FAILURE(startDesk());
    const int shownRightX = kDesktop.width() - m_outer.width() + kOverhang;
    // How near an edge docks is the rules' test; here, that the server's
    // monitors are Qt's screens.
    for (const auto& [at, why] : std::vector<std::pair<QPoint, const char*>>{
             {{1280 - m_outer.width(), 200}, "right side on the boundary: a monitor lies beyond"},
             {{1280, 200}, "left side on the boundary"}}) {
        ASSERT_NO_FATAL_FAILURE(putWindow(at, kPointerAway));
        expectStays(at, why);
    }
    expectDocking("left edge, 2 pixels from the desktop's left",
                  QRect(0, 0, kStripAtMost, kDesktop.height()), {2, 200}, {100, 300}, {1, 300},
                  {-kOverhang, 200});
    expectDocking("top of the right monitor, 3 pixels below it", QRect(1280, 0, 1280, kStripAtMost),
                  {1800, 3}, {2000, 150}, {1900, 1}, {1800, -kOverhang});
    expectDocking("right edge of the desktop, pushed partly beyond it",
                  QRect(kDesktop.width() - kStripAtMost, 0, kStripAtMost, kDesktop.height()),
                  {shownRightX, 200}, {2300, 300}, {kDesktop.width() - 2, 300}, {shownRightX, 200});
    // Shown from its strip there, its introduction would open beside it, off
    // the desktop: it opens at its left instead, where it is in view.
    const auto docked = m_display.window(m_window);
    ASSERT_TRUE(docked.has_value());
    m_display.click(docked->position + QPoint(358, 300)); // "使用说明"
    const QString intro = m_quillon.windowOfSize({381, 327}, 10000);
    ASSERT_FALSE(intro.isEmpty()) << "no introduction";
    EXPECT_TRUE(m_display.outerMeets(intro, [&](const QRect& outer) {
        return outer.right() + 1 == shownRightX && outer.left() >= 1280 && outer.top() == 200;
    })) << "the introduction is not beside the main window on the right monitor";
    m_display.sendCloseRequest(intro); // out of the way of the clicks below
    // Low on the right monitor, the dialog below it would leave the desktop:
    // it is moved up onto that monitor, still aligned with the main window.
    const QPoint low(1700, kDesktop.height() - m_outer.height() - 60);
    ASSERT_NO_FATAL_FAILURE(putWindow(low, kPointerAway));
    const auto client = m_display.window(m_window);
    ASSERT_TRUE(client.has_value());
    m_display.choose(client->position + QPoint(200, 80), 1); // the list's "添加股票"
    const QString dialog = m_quillon.windowOfSize({264, 192}, 10000);
    ASSERT_FALSE(dialog.isEmpty()) << "no add dialog";
    EXPECT_TRUE(m_display.outerMeets(dialog, [&](const QRect& outer) {
        return outer.left() == low.x() && outer.bottom() + 1 == kDesktop.height();
    }));
}

// Two monitors at 200 %: the thresholds, the strip and the overhang are as many
// device-independent pixels as before, twice as many of the server's, and the
// right monitor keeps its place, which Qt does not scale.
TEST_P(DockEndToEnd, AtTwiceTheSizeThresholdsStripAndOverhangKeepTheirDeviceIndependentSize) {
    ASSERT_NO_FATAL_FAILURE(startDesk(kTwice));
    const QPoint fiveFromTheEdges(5 * kTwice, 5 * kTwice);
    ASSERT_NO_FATAL_FAILURE(putWindow(fiveFromTheEdges, kPointerAway));
    expectStays(fiveFromTheEdges, "5 device-independent pixels from the top and the left");
    const int strip = kStripAtMost * kTwice, near = 4 * kTwice, overhang = kOverhang * kTwice;
    expectDocking("top of the right monitor, 4 device-independent pixels below it",
                  QRect(1280, 0, 1280, strip), {1500, near}, {1800, 300}, {1700, 2},
                  {1500, -overhang});
    const int shownRightX = kDesktop.width() - m_outer.width() + overhang;
    expectDocking("right edge of the desktop",
                  QRect(kDesktop.width() - strip, 0, strip, kDesktop.height()), {shownRightX, 100},
                  {2300, 300}, {kDesktop.width() - 3, 300}, {shownRightX, 100});
}

INSTANTIATE_TEST_SUITE_P(WindowManager, DockEndToEnd, ::testing::Bool(), windowManagerName);
