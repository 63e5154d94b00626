#include "desk/rightedgefollow.h"

#include "shell/outerplacement.h"
#include "shell/platform.h"

#include <QTimer>
#include <QWidget>

namespace desk {

void placeBesideOnce(QWidget* window, MainOuter mainOuter) {
    OuterPlacement::install(window, [mainOuter = std::move(mainOuter)](const QSize&) {
        return besideRightEdge(mainOuter());
    });
}

} // namespace desk

RightEdgeFollower::RightEdgeFollower(QWidget* window, QTimer* timer, desk::MainOuter mainOuter)
    : QObject(window)
    , m_window(window)
    , m_mainOuter(std::move(mainOuter)) {
    // The first show is placed while the window manager frames the window;
    // the ticks take over from there.
    desk::placeBesideOnce(window, m_mainOuter);
    connect(timer, &QTimer::timeout, this, &RightEdgeFollower::follow);
}

void RightEdgeFollower::follow() {
    // A minimised or hidden window is left alone: moving it would ask a
    // window manager to bring it back.
    if (!m_window->isVisible() || m_window->isMinimized())
        return;
    const QPoint wanted = desk::besideRightEdge(m_mainOuter());
    const QRect outer = platform::frameRect(m_window).value_or(m_window->frameGeometry());
    if (outer.topLeft() != wanted)
        platform::moveFrame(m_window, wanted);
}
