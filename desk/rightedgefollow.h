#pragma once

#include "desk/edgedocker.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

class QTimer;
class QWidget;

namespace desk {

// Where a window docked to the main window goes: its outer left edge touching
// the main window's outer right edge, top edges aligned.
inline QPoint besideRightEdge(const QRect& mainOuter) {
    return {mainOuter.left() + mainOuter.width(), mainOuter.top()};
}

// The main window's outer rectangle as docking has it: the main window's
// docker, which reads it afresh when asked and tells of every change to it.
using MainOuter = QPointer<const EdgeDocker>;

// outer as it read when first asked, ever after. A window placed once beside
// or below the main window is held on that place while its frame settles;
// read afresh, a main window dragged meanwhile would take it along.
std::function<QRect()> firstReading(std::function<QRect()> outer);

// Where outer goes to lie wholly on a screen, moved the least it takes: the
// available area of the screen that holds most of reference (the nearest one,
// where reference is on none), so a window beside or below a main window
// tucked away at an edge still opens in view.
QPoint keptOnScreen(const QRect& outer, const QRect& reference);

// Where a window of outer size opened beside the main window goes: against
// its right edge, or, where the screen ends there, against its left edge, so
// that the main window, which stays on top, does not cover it; then moved the
// least it takes to lie on that screen.
QPoint besideOnScreen(const QRect& mainOuter, const QSize& outer);

// Opens window beside the main window as it is at the window's first show (see
// besideOnScreen). Where it goes afterwards is the user's affair.
void placeBesideOnce(QWidget* window, MainOuter mainOuter);

} // namespace desk

// Keeps a window glued to the main window's right edge: placed there at its
// first show, put back at once whenever the main window moves or docking
// hides or shows it, and on every tick of the window's own timer as well.
class RightEdgeFollower : public QObject {
    Q_OBJECT
public:
    // Owned by window; timer is the window's own and keeps its interval.
    RightEdgeFollower(QWidget* window, QTimer* timer, desk::MainOuter mainOuter);

    void follow();

private:
    QWidget* m_window;
    desk::MainOuter m_mainOuter;
};
