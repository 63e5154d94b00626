#include "desk/rightedgefollow.h"

#include "widgets/windowplacer.h"

#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace {

QRect outerOf(const desk::MainOuter& mainOuter) {
    return mainOuter ? mainOuter->outerRect() : QRect();
}

} // namespace

namespace desk {

std::function<QRect()> firstReading(std::function<QRect()> outer) {
    return [outer = std::move(outer), read = std::optional<QRect>()]() mutable {
        if (!read)
            read = outer();
        return *read;
    };
}

QPoint keptOnScreen(const QRect& outer, const QRect& reference) {
    const QScreen* screen = screenHolding(reference);
    return screen ? form::keptInside(outer, screen->availableGeometry()) : outer.topLeft();
}

QPoint besideOnScreen(const QRect& mainOuter, const QSize& outer) {
    QRect beside(besideRightEdge(mainOuter), outer);
    // The screen that would hold most of it: beside a main window near a
    // boundary between monitors it opens on the next one.
    const QScreen* screen = screenHolding(beside);
    if (!screen)
        return beside.topLeft();
    const QRect area = screen->availableGeometry();
    if (beside.right() > area.right())
        beside.moveRight(mainOuter.left() - 1);
    return form::keptInside(beside, area);
}

void placeBesideOnce(QWidget* window, MainOuter mainOuter) {
    WindowPlacer::of(window)->placeAtShow(
        [mainOuter = firstReading([mainOuter] { return outerOf(mainOuter); })](const QSize& outer) {
            return besideOnScreen(mainOuter(), outer);
        });
}

} // namespace desk

RightEdgeFollower::RightEdgeFollower(QWidget* window, QTimer* timer, desk::MainOuter mainOuter)
    : QObject(window)
    , m_window(window)
    , m_mainOuter(std::move(mainOuter)) {
    // The first show is placed while the window manager frames the window,
    // beside the main window wherever it is meanwhile; the main window's
    // moves and the ticks take over from there.
    WindowPlacer::of(window)->placeAtShow([mainOuter = m_mainOuter](const QSize&) {
        return desk::besideRightEdge(outerOf(mainOuter));
    });
    connect(timer, &QTimer::timeout, this, &RightEdgeFollower::follow);
    if (m_mainOuter)
        connect(m_mainOuter, &EdgeDocker::outerMoved, this, &RightEdgeFollower::follow);
}

void RightEdgeFollower::follow() {
    // A minimised or hidden window is left alone: moving it would ask a
    // window manager to bring it back.
    if (!m_window->isVisible() || m_window->isMinimized())
        return;
    WindowPlacer::of(m_window)->moveTo(desk::besideRightEdge(outerOf(m_mainOuter)));
}
