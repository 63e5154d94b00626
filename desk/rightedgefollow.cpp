#include "desk/rightedgefollow.h"

#include "platform/platform.h"
#include "widgets/outerplacement.h"

#include <QTimer>
#include <QWidget>

#include <optional>

namespace desk {

MainOuter firstReading(MainOuter mainOuter) {
    return [mainOuter = std::move(mainOuter), read = std::optional<QRect>()]() mutable {
        if (!read)
            read = mainOuter();
        return *read;
    };
}

void placeBesideOnce(QWidget* window, MainOuter mainOuter) {
    OuterPlacement::install(window, [mainOuter = firstReading(std::move(mainOuter))](const QSize&) {
        return besideRightEdge(mainOuter());
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
