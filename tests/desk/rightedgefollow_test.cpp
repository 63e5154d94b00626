#include "desk/rightedgefollow.h"
#include "widgets/windowplacer.h"

#include <QSignalSpy>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "tests/support/qtry.h"

// A docked window keeps to the main window's right edge as the docker reports
// its moves, but one the user minimised stays where it is: moved, a window
// manager would bring it back from the task bar.
TEST(RightEdgeFollower, FollowsTheMainWindowsMovesButNotWhileMinimised) {
    QWidget mainWindow, docked;
    QTimer timer3, timer2;
    const EdgeDocker docker(&mainWindow, &timer3);
    RightEdgeFollower follower(&docked, &timer2, &docker);
    mainWindow.setGeometry(100, 100, 300, 200);
    mainWindow.show();
    docked.show();
    // Its first show is held in place for a while; only then are moves its own.
    const auto* placing = WindowPlacer::of(&docked)->findChild<QTimer*>();
    EXPECT_SOON(!placing->isActive());
    const auto beside = [&] {
        return desk::besideRightEdge(docker.outerRect());
    };
    EXPECT_EQ(WindowPlacer::of(&docked)->outer().topLeft(), beside());

    docked.showMinimized();
    const QPoint minimisedAt = docked.pos();
    QSignalSpy moved(&docker, &EdgeDocker::outerMoved), ticked(&timer2, &QTimer::timeout);
    timer2.start(20);
    mainWindow.move(500, 300);
    EXPECT_TRUE(moved.count() > 0 || moved.wait());
    EXPECT_TRUE(ticked.wait());
    EXPECT_EQ(docked.pos(), minimisedAt);

    docked.showNormal();
    EXPECT_TRUE(ticked.wait());
    EXPECT_EQ(WindowPlacer::of(&docked)->outer().topLeft(), beside());
}
