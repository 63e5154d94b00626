// Docking at the screen edges, end to end: the built Quillon on an X server of
// the test's own, once without a window manager and once with openbox, which,
// like every window manager, keeps windows from going far beyond the screen's
// edges. The test moves the window and the pointer with xdotool, reads the
// window's outer rectangle, and judges a hidden window by what the screen shows.
#include "tests/e2e/desktopharness.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

namespace {

const QSize kScreen(1280, 800);
// A hidden window leaves its 40-twip strip on screen, 3 pixels; nothing of it
// may show farther than this from the edge.
constexpr int kStripAtMost = 4;
// A shown, docked window reaches 10 twips, 1 pixel, beyond the edge.
constexpr int kOverhang = 1;

// Timer3 ticks every 500 ms; the move must follow within a few ticks even on a
// busy machine.
constexpr int kMoveWithinMs = 2000;
// Three ticks: a window that should stay put has had its chance to move.
constexpr int kRestMs = 1600;
// Two ticks, for a docked window that should rest while the pointer stays.
constexpr int kShortRestMs = 1100;

// Outside every place the window is put in below.
const QPoint kPointerAway(1000, 700);

enum class Edge { Top, Left, Right };

std::string text(std::optional<QRect> rect) {
    return rect ? QString("%1x%2 at (%3, %4)")
                      .arg(rect->width())
                      .arg(rect->height())
                      .arg(rect->x())
                      .arg(rect->y())
                      .toStdString()
                : "nowhere on the screen";
}

QStringList xy(QPoint point) {
    return {QString::number(point.x()), QString::number(point.y())};
}

// What a screenshot shows of a window hidden at edge: empty when only a strip
// at most kStripAtMost wide is lit there, and nothing else anywhere (Xvfb's
// root is black where no window is drawn).
std::string hiddenAtEdge(const QImage& screen, Edge edge) {
    if (screen.size() != kScreen)
        return "no screenshot";
    int litOnTheEdge = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            if ((screen.pixel(x, y) & 0xffffff) == 0)
                continue;
            const bool onTheEdge = edge == Edge::Top    ? y < kStripAtMost
                                   : edge == Edge::Left ? x < kStripAtMost
                                                        : x >= kScreen.width() - kStripAtMost;
            if (!onTheEdge)
                return "lit at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            ++litOnTheEdge;
        }
    }
    return litOnTheEdge > 0 ? std::string() : "no strip is left to point at";
}

class DockEndToEnd : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(m_display.start(kScreen));
        if (GetParam()) {
            ASSERT_NO_FATAL_FAILURE(m_display.startWindowManager());
        }
        // The service knows nothing: docking does not depend on it.
        ASSERT_TRUE(m_service.listen());
        ASSERT_NO_FATAL_FAILURE(m_quillon.start(m_service.url()));
        // The browsers' start replaces the main window's native window once.
        ASSERT_TRUE(waitUntil(
            [&] { return !m_service.arrivals(m_quillon.started(), "/htm/fengxian.htm").isEmpty(); },
            20000));
        m_window = m_quillon.mainWindow(30000);
        ASSERT_FALSE(m_window.isEmpty())
            << "no mapped window titled \"" << kCaption.toStdString() << "\"";
        // xdotool moves a window by its frame.
        const auto frame = m_display.frame(m_window);
        ASSERT_TRUE(frame.has_value());
        m_outer = frame->size();
    }

    // The window's outer rectangle, while it is on the screen.
    std::optional<QRect> outer() const {
        const auto state = m_display.window(m_window);
        return state && state->viewable ? m_display.frame(m_window) : std::nullopt;
    }

    void pointerTo(QPoint at) {
        ASSERT_FALSE(m_display.run("xdotool", QStringList{"mousemove"} + xy(at)).isNull());
    }

    // Whether the window's outer top-left comes to `at` in time; seen: where it was last.
    bool arrives(QPoint at, int timeoutMs, std::optional<QRect>& seen) const {
        return waitUntil([&] { return (seen = outer()) && seen->topLeft() == at; }, timeoutMs);
    }

    // xdotool's place is the frame's or the window's own, by the gravity the
    // window last asked for: where the first move lands off, a second makes up.
    void windowTo(QPoint at) {
        QPoint asked = at;
        for (int tries = 0; tries < 2; ++tries) {
            const auto before = outer();
            ASSERT_TRUE(before.has_value()) << "the window is not on the screen";
            if (before->topLeft() == at)
                return;
            ASSERT_FALSE(
                m_display.run("xdotool", QStringList{"windowmove", m_window} + xy(asked)).isNull());
            std::optional<QRect> landed;
            ASSERT_TRUE(waitUntil(
                [&] { return (landed = outer()) && landed->topLeft() != before->topLeft(); }, 5000))
                << "xdotool did not move the window";
            asked += at - landed->topLeft();
        }
        std::optional<QRect> seen;
        ASSERT_TRUE(arrives(at, 1000, seen)) << "xdotool moved the window to " << text(seen);
    }

    // The window, shown, goes to a place with the pointer on it, so that it
    // has no reason to move until the test moves the pointer again. On its
    // way it rests at a place near `at` that touches no edge, where the
    // pointer is put.
    void putWindow(QPoint at, QPoint pointer) {
        const QRect free(QPoint(10, 10), kScreen - m_outer - QSize(20, 20));
        ASSERT_NO_FATAL_FAILURE(windowTo({std::clamp(at.x(), free.left(), free.right()),
                                          std::clamp(at.y(), free.top(), free.bottom())}));
        ASSERT_NO_FATAL_FAILURE(pointerTo(pointer));
        ASSERT_NO_FATAL_FAILURE(windowTo(at));
    }

    void expectStays(QPoint at, const char* why, int forMs = kRestMs) {
        std::optional<QRect> seen;
        EXPECT_FALSE(waitUntil(
            [&] {
                seen = outer();
                return !seen || seen->topLeft() != at;
            },
            forMs))
            << why << ": it moved from " << text(QRect(at, m_outer)) << " to " << text(seen);
    }

    void expectShownAt(QPoint at, const char* what) {
        std::optional<QRect> seen;
        EXPECT_TRUE(arrives(at, kMoveWithinMs, seen))
            << what << ": expected at " << text(QRect(at, m_outer)) << ", but it is " << text(seen);
    }

    void expectHiddenAt(Edge edge, const char* what) {
        std::string seen;
        EXPECT_TRUE(waitUntil(
            [&] {
                const QByteArray png = m_display.run("import", {"-window", "root", "png:-"});
                seen = hiddenAtEdge(QImage::fromData(png, "PNG"), edge);
                return seen.empty();
            },
            kMoveWithinMs))
            << what << ": " << seen;
    }

    // One edge: put the window against it with the pointer on the window,
    // move the pointer away (it hides to its strip), onto the strip (it comes
    // back, overhanging), away again (it hides again) and back.
    void expectDocking(const char* where, Edge edge, QPoint against, QPoint pointerOnWindow,
                       QPoint onStrip, QPoint shown) {
        SCOPED_TRACE(where);
        ASSERT_NO_FATAL_FAILURE(putWindow(against, pointerOnWindow));
        expectStays(against, "the pointer is on the window", kShortRestMs);
        ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
        expectHiddenAt(edge, "hides when the pointer leaves");
        ASSERT_NO_FATAL_FAILURE(pointerTo(onStrip));
        expectShownAt(shown, "comes back when the pointer is on the strip");
        expectStays(shown, "shown while the pointer is on it", kShortRestMs);
        ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
        expectHiddenAt(edge, "hides again when the pointer leaves");
        ASSERT_NO_FATAL_FAILURE(pointerTo(onStrip));
        expectShownAt(shown, "and comes back again");
    }

    VirtualDisplay m_display;
    LoopbackService m_service;
    QuillonRun m_quillon{m_display};
    QString m_window;
    QSize m_outer;
};

} // namespace

TEST_P(DockEndToEnd, StaysPutAwayFromTheEdgesWhereverThePointerIs) {
    const QPoint middle(400, 200);
    ASSERT_NO_FATAL_FAILURE(putWindow(middle, kPointerAway));
    expectStays(middle, "in the middle, the pointer away");
    ASSERT_NO_FATAL_FAILURE(pointerTo(middle + QPoint(200, 150)));
    expectStays(middle, "in the middle, the pointer on the window");

    ASSERT_NO_FATAL_FAILURE(putWindow({5, 5}, kPointerAway));
    expectStays({5, 5}, "5 pixels from the top and the left: one pixel too far from both");

    const QPoint nearRight(kScreen.width() - m_outer.width() - 1, 200);
    ASSERT_NO_FATAL_FAILURE(putWindow(nearRight, kPointerAway));
    expectStays(nearRight,
                "one pixel short of the right edge: 15 twips, more than the 4 that dock");
}

TEST_P(DockEndToEnd, HidesAtTheTopLeftAndRightEdgesAndComesBackOnTheStrip) {
    const int shownRightX = kScreen.width() - m_outer.width() + kOverhang;
    expectDocking("top edge, 3 pixels below the screen's top", Edge::Top, {300, 3}, {500, 150},
                  {400, 1}, {300, -kOverhang});
    expectDocking("left edge, 2 pixels from the screen's left", Edge::Left, {2, 200}, {100, 300},
                  {1, 300}, {-kOverhang, 200});
    expectDocking("right edge, pushed partly beyond it", Edge::Right, {shownRightX, 200},
                  {1000, 300}, {kScreen.width() - 2, 300}, {shownRightX, 200});
    expectDocking("top-left corner: hides upward", Edge::Top, {2, 2}, {100, 100}, {100, 1},
                  {2, -kOverhang});
}

INSTANTIATE_TEST_SUITE_P(WindowManager, DockEndToEnd, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Openbox" : "NoWindowManager";
                         });
