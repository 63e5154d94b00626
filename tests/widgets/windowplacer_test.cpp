#include "widgets/windowplacer.h"

#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include "tests/support/qtry.h"

// The add dialog below a main window at the desktop's right edge ends on
// its last column, not a pixel short or beyond, and likewise at the bottom.
TEST(KeptInside, AWindowPastTheRightAndBottomEdgesEndsExactlyOnThem) {
    EXPECT_EQ(form::keptInside(QRect(2297, 900, 264, 192), QRect(1280, 0, 1280, 1024)),
              QPoint(2296, 832));
}

// On a real X server: a window placed by a rule that keeps it inside its
// screen appears there, the placer reads back where the server has it, and a
// minimised window brought up is shown, restored and active.
TEST(WindowPlacer, PlacesReadsBackAndBringsUpARealWindow) {
    QWidget window;
    window.resize(200, 100);
    WindowPlacer* placer = WindowPlacer::of(&window);
    const QRect screen = window.screen()->availableGeometry();
    const QPoint kept = form::keptInside(QRect(screen.bottomRight(), QSize(200, 100)), screen);
    placer->placeAtShow([&](const QSize& outer) {
        return form::keptInside(QRect(screen.bottomRight(), outer), screen);
    });
    window.show();
    EXPECT_SOON(placer->outer().topLeft() == kept);
    EXPECT_TRUE(screen.contains(placer->outer()));
    placer->moveTo({10, 20});
    EXPECT_SOON(placer->outer().topLeft() == QPoint(10, 20));

    window.showMinimized();
    EXPECT_SOON(window.isMinimized());
    bringUp(&window);
    EXPECT_SOON(window.isVisible() && !window.isMinimized() && window.isActiveWindow());
}
