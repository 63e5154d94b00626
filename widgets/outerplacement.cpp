#include "widgets/outerplacement.h"

#include "platform/platform.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

// How often and how long a newly shown window is watched for its frame: a
// window manager frames it within a few hundred milliseconds of the map.
constexpr int kFrameCheckMs = 50;
constexpr int kFrameChecks = 60;
// Checks in a row on its place after which the window counts as placed.
constexpr int kSteadyChecks = 10;

} // namespace

OuterPlacement* OuterPlacement::install(QWidget* window, Rule rule) {
    return new OuterPlacement(window, std::move(rule));
}

OuterPlacement::OuterPlacement(QWidget* window, Rule rule)
    : QObject(window)
    , m_window(window)
    , m_rule(std::move(rule))
    , m_watch(new QTimer(this)) {
    m_watch->setInterval(kFrameCheckMs);
    connect(m_watch, &QTimer::timeout, this, &OuterPlacement::checkFrame);
    window->installEventFilter(this);
}

bool OuterPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    // Moved while it is shown and placed: by the user.
    if (event->type() == QEvent::Move && m_window->isVisible() && m_lastOuter &&
        !m_watch->isActive())
        m_lastOuter = platform::frameRect(m_window).value_or(m_window->frameGeometry()).topLeft();
    // A window restored from its icon is put back by the window manager itself.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (!m_shown) {
            // Not framed yet, the window is its own outer rectangle; it is
            // moved before it is mapped, so it appears in its place.
            m_window->move(m_rule(m_window->frameGeometry().size()));
        }
        m_shown = true;
        m_checksLeft = kFrameChecks;
        m_steadyChecks = 0;
        m_watch->start();
    }
    return false;
}

void OuterPlacement::checkFrame() {
    // The frame comes in steps (its size, then the window manager's own
    // placement), so the window is put back on its place until it has stayed
    // there a while.
    const QRect outer = platform::frameRect(m_window).value_or(m_window->frameGeometry());
    const QPoint wanted = m_lastOuter.value_or(m_rule(outer.size()));
    if (outer.topLeft() != wanted) {
        platform::moveFrame(m_window, wanted);
        m_steadyChecks = 0;
    } else if (++m_steadyChecks >= kSteadyChecks) {
        m_lastOuter = wanted; // shown again, it goes back here, whatever the screen is now
        m_watch->stop();
    }
    if (--m_checksLeft <= 0)
        m_watch->stop();
}

namespace form {

QPoint keptInside(const QRect& outer, const QRect& area) {
    const int left =
        std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width()));
    const int top = std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height()));
    return {left, top};
}

} // namespace form
