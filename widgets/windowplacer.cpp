#include "widgets/windowplacer.h"

#include "platform/platform.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// How often and how long a newly shown window is watched for its frame: a
// window manager frames it within a few hundred milliseconds of the map.
constexpr int kFrameCheckMs = 50;
constexpr int kFrameChecks = 60;
// Checks in a row on its place after which the window counts as placed.
constexpr int kSteadyChecks = 10;

} // namespace

WindowPlacer* WindowPlacer::of(QWidget* window) {
    if (auto* placer = window->findChild<WindowPlacer*>(QString(), Qt::FindDirectChildrenOnly))
        return placer;
    return new WindowPlacer(window);
}

WindowPlacer::WindowPlacer(QWidget* window)
    : QObject(window)
    , m_window(window)
    , m_watch(new QTimer(this)) {
    m_watch->setInterval(kFrameCheckMs);
    connect(m_watch, &QTimer::timeout, this, &WindowPlacer::checkFrame);
    window->installEventFilter(this);
}

QRect WindowPlacer::outer() const {
    return platform::frameRect(m_window).value_or(m_window->frameGeometry());
}

void WindowPlacer::moveTo(QPoint outerTopLeft) {
    // A window no window manager knows of has no frame and is not asked: it
    // lands exactly where it is put.
    if (!m_window->isVisible() || m_window->windowFlags().testFlag(Qt::X11BypassWindowManagerHint))
        m_window->move(outerTopLeft);
    else if (outer().topLeft() != outerTopLeft)
        platform::moveFrame(m_window, outerTopLeft);
}

void WindowPlacer::placeAtShow(Rule rule) {
    m_rule = std::move(rule);
}

void WindowPlacer::hide() {
    // Hidden already, it keeps the frame it had when it was last shown.
    if (m_window->isVisible())
        m_frameInset = m_window->geometry().topLeft() - outer().topLeft();
    m_window->hide();
}

void WindowPlacer::showAt(QPoint outerTopLeft) {
    m_window->move(outerTopLeft + m_frameInset);
    m_window->show();
    if (QWindow* handle = m_window->windowHandle()) {
        handle->installEventFilter(this);
        m_showingAt = outerTopLeft;
    }
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event) {
    if (m_showingAt && event->type() == QEvent::Expose && watched == m_window->windowHandle() &&
        m_window->windowHandle()->isExposed()) {
        moveTo(*m_showingAt);
        m_showingAt.reset();
    }
    if (watched != m_window || !m_rule)
        return false;
    // Moved while it is shown and placed: by the user.
    if (event->type() == QEvent::Move && m_window->isVisible() && m_lastOuter &&
        !m_watch->isActive())
        m_lastOuter = outer().topLeft();
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

void WindowPlacer::checkFrame() {
    // The frame comes in steps (its size, then the window manager's own
    // placement), so the window is put back on its place until it has stayed
    // there a while.
    const QRect now = outer();
    const QPoint wanted = m_lastOuter.value_or(m_rule(now.size()));
    if (now.topLeft() != wanted) {
        platform::moveFrame(m_window, wanted);
        m_steadyChecks = 0;
    } else if (++m_steadyChecks >= kSteadyChecks) {
        m_lastOuter = wanted; // shown again, it goes back here, whatever the screen is now
        m_watch->stop();
    }
    if (--m_checksLeft <= 0)
        m_watch->stop();
}

void bringUp(QWidget* window) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

namespace form {

QPoint keptInside(const QRect& outer, const QRect& area) {
    const int left =
        std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width()));
    const int top = std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height()));
    return {left, top};
}

} // namespace form
