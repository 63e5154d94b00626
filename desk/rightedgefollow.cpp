#include "desk/rightedgefollow.h"

#include "shell/outerplacement.h"
#include "shell/platform.h"

#include <QTimer>
#include <QWidget>

#include <optional>

namespace desk {

void placeBesideOnce(QWidget* window, MainOuter mainOuter) {
    // The main window is read once, as the window first shows. Its frame then
    // settles for a while, and the window is held on its place meanwhile: read
    // afresh, a main window moved in that while would take the window along.
    OuterPlacement::install(window, [mainOuter = std::move(mainOuter),
                                     place = std::optional<QPoint>()](const QSize&) mutable {
        if (!place)
            place = besideRightEdge(mainOuter());
        return *place;
    });
}

} // namespace desk

RightEdgeFollower::RightEdgeFollower(QWidget* window, QTimer* timer, desk::MainOuter mainOuter)
    : QObject(window)
    , m_window(window)
    , m_mainOuter(std::move(mainOuter)) {
    // The first show is placed while the window manager frames the window,
    // beside the main window wherever it is meanwhile; the ticks take over from there.
    OuterPlacement::install(window, [mainOuter = m_mainOuter](const QSize&) {
        return desk::besideRightEdge(mainOuter());
    });
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
