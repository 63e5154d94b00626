#include "desk/edgedocker.h"

#include "desk/edgedock.h"
#include "desk/edgestrip.h"
#include "platform/platform.h"
#include "widgets/formgeometry.h"
#include "widgets/windowplacer.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace {

desk::dock::PixelRect pixelRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

std::vector<desk::dock::PixelRect> pixelRects(const QList<QScreen*>& screens) {
    std::vector<desk::dock::PixelRect> areas;
    for (const QScreen* screen : screens)
        areas.push_back(pixelRect(screen->geometry()));
    return areas;
}

} // namespace

QScreen* desk::screenHolding(const QRect& outer) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return nullptr;
    return screens[qsizetype(desk::dock::screenOf(pixelRect(outer), pixelRects(screens)))];
}

EdgeDocker::EdgeDocker(QWidget* window, QTimer* timer, QObject* parent)
    : QObject(parent)
    , m_window(window) {
    if (platform::windowMovesAreConstrained())
        m_strip = std::make_unique<EdgeStrip>(window->palette().color(QPalette::Window));
    window->installEventFilter(this);
    connect(timer, &QTimer::timeout, this, &EdgeDocker::tick);
}

EdgeDocker::~EdgeDocker() = default;

QRect EdgeDocker::outerRect() const {
    if (m_hiddenAt)
        return *m_hiddenAt;
    if (!m_window)
        return {};
    return WindowPlacer::of(m_window)->outer();
}

void EdgeDocker::tick() {
    QWidget* window = m_window.data();
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!window || screens.isEmpty())
        return;
    // A window out of sight that the docker did not hide is the tray's, or not
    // shown yet: docking must not bring it onto the screen. Nor may it act on a
    // window the window manager is still framing: that frame stands at the
    // screen's corner for a moment, and would be taken for a window docked there.
    if (!m_hiddenAt && !platform::windowOnScreen(window))
        return;

    // Everything in Qt's device-independent pixels, the pointer and the screens
    // too, so that thresholds and strip look the same at any scaling; twips
    // are 15 to one of them, as everywhere else in the program.
    // With the title bar and borders a window manager adds, the window alone
    // where there is none.
    const QRect outer = outerRect();
    desk::dock::Window state;
    state.outer = pixelRect(outer);
    state.left = outer.x() * form::kTwipsPerPixel;
    state.top = outer.y() * form::kTwipsPerPixel;
    state.width = outer.width() * form::kTwipsPerPixel;
    state.height = outer.height() * form::kTwipsPerPixel;
    state.minimised = window->isMinimized();

    const std::vector<desk::dock::PixelRect> areas = pixelRects(screens);
    const desk::dock::Move move = desk::dock::tick(QCursor::pos(), state, areas);

    // Twips become pixels rounded half away from zero, negative ones too: the
    // 10-twip overhang is one pixel beyond the left or top edge just as it is
    // beyond the right one, and a 40-twip strip (2.7 pixels) leaves 3 rows or
    // columns on screen at every edge.
    QRect target = outer;
    if (move.top)
        target.moveTop(form::pixels(*move.top));
    if (move.left)
        target.moveLeft(form::pixels(*move.left));
    if (move.show)
        showAt(target.topLeft());
    // Setting the same place again changes nothing, so it is not sent to the
    // window system every half second while the window rests.
    else if (target != outer && m_strip)
        hideAt(target, screens[qsizetype(desk::dock::screenOf(state.outer, areas))]->geometry());
    else if (target != outer)
        WindowPlacer::of(window)->moveTo(target.topLeft());
}

void EdgeDocker::hideAt(const QRect& outer, const QRect& screen) {
    m_hiddenAt = outer;
    // The strip stands on the edge of the screen the window hides from.
    m_strip->showAt(outer.intersected(screen));
    WindowPlacer::of(m_window)->hide();
}

void EdgeDocker::showAt(QPoint outerTopLeft) {
    if (!m_hiddenAt) {
        WindowPlacer::of(m_window)->moveTo(outerTopLeft);
        return;
    }
    dropStrip();
    WindowPlacer::of(m_window)->showAt(outerTopLeft);
}

void EdgeDocker::dropStrip() {
    m_hiddenAt.reset();
    if (m_strip)
        m_strip->hide();
}

bool EdgeDocker::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    // Shown from the tray, or minimised to it, the window is no longer hidden
    // at the edge: its strip goes, and the rules see the window where it is.
    if (m_hiddenAt && (event->type() == QEvent::Show ||
                       (event->type() == QEvent::WindowStateChange && m_window->isMinimized())))
        dropStrip();
    // Hidden at an edge, the window is withdrawn once the rules have it
    // beyond the edge; so a hide tells of a move as much as a move does.
    if (event->type() == QEvent::Move || event->type() == QEvent::Show ||
        event->type() == QEvent::Hide || event->type() == QEvent::WindowStateChange)
        emit outerMoved();
    return false;
}
