#include "widgets/windowplacer.h"

#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include "tests/support/qtry.h"

// On a real X server: a window placed by a rule that keeps it inside its
// screen appears there, ending exactly on the screen's last column and row,
// the placer reads back where the server has it, and a minimised window
// brought up is shown, restored and active.
TEST(WindowPlacer, PlacesReadsBackAndBringsUpARealWindow) {
    // Off a right-hand monitor's corner, a window ends on its edges, not a pixel short or beyond.
    EXPECT_EQ(form::keptInside(QRect(2297, 900, 264, 192), QRect(1280, 0, 1280, 1024)),
              QPoint(2296, 832));
    QWidget window;
    window.resize(200, 100);
    WindowPlacer* placer = WindowPlacer::of(&window);
    const QRect screen = window.screen()->availableGeometry();
    placer->placeAtShow([&](const QSize& outer) {
        return form::keptInside(QRect(screen.bottomRight(), outer), screen);
    });
    window.show();
    EXPECT_SOON(placer->outer().bottomRight() == screen.bottomRight());
    placer->moveTo({10, 20});
    EXPECT_SOON(placer->outer().topLeft() == QPoint(10, 20));

    window.showMinimized();
    EXPECT_SOON(window.isMinimized());
    bringUp(&window);
    EXPECT_SOON(window.isVisible() && !window.isMinimized() && window.isActiveWindow());
}
