#include "widgets/trayshell.h"

#include "platform/platform.h"
#include "platform/shelllog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QWidget>
#include <QWindow>

#include <utility>

using lifecycle::Effect;

TrayShell::TrayShell(QWidget* window, const QIcon& icon, const QString& tip, QMenu* trayMenu)
    : QObject(window)
    , m_window(window)
    , m_menu(trayMenu)
    , m_icon(new QSystemTrayIcon(icon, this)) {
    m_icon->setToolTip(tip);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    handleTrayClick(lifecycle::TrayClick::Left);
                    break;
                case QSystemTrayIcon::DoubleClick:
                    handleTrayClick(lifecycle::TrayClick::Double);
                    break;
                case QSystemTrayIcon::Context:
                    handleTrayClick(lifecycle::TrayClick::Right);
                    break;
                default:
                    handleTrayClick(lifecycle::TrayClick::Other);
                    break;
                }
            });
    window->installEventFilter(this);
    // At log-off the window manager closes our window like a user would; that
    // close must end the program rather than hide it.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_sessionEnding = true; });
}

TrayShell::~TrayShell() {
    removeIcon();
}

void TrayShell::addIcon() {
    m_icon->show();
}

void TrayShell::removeIcon() {
    m_icon->hide();
}

bool TrayShell::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayShell::comeForward() {
    apply(lifecycle::comeForwardAsked());
}

void TrayShell::exitNow() {
    apply(lifecycle::exitChosen());
}

void TrayShell::notify(const QString& title, const QString& message) {
    if (trayAvailable() && m_icon->isVisible()) {
        m_icon->showMessage(title, message, QSystemTrayIcon::Warning);
        return;
    }
    if (m_window)
        QToolTip::showText(m_window->mapToGlobal(m_window->rect().center()),
                           title + QLatin1Char('\n') + message, m_window, {}, 10000);
}

void TrayShell::handleTrayClick(lifecycle::TrayClick click) {
    if (!m_window)
        return;
    apply(lifecycle::trayClicked(click, m_window->isVisible()));
}

bool TrayShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    if (event->type() == QEvent::WindowStateChange) {
        if (m_applying || !m_window->isMinimized())
            return false;
        const bool iconified = platform::windowIconified(m_window);
        qCDebug(lcShell) << "reported minimised; iconified:" << iconified
                         << "visible:" << m_window->isVisible();
        if (iconified) {
            apply(lifecycle::windowMinimised(trayAvailable()));
        } else if (m_window->isVisible()) {
            // Qt's X11 backend, having once minimised the window itself, can
            // take any later change of its state properties for minimising,
            // also right after the window came back from the tray. The window
            // is on the screen: it stays there, and in its normal state.
            const QScopedValueRollback applying(m_applying, true);
            m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        }
    } else if (event->type() == QEvent::Close && !m_quitting) {
        // The window manager's close (box, system menu, Alt+F4) arrives as a
        // spontaneous event; a close from our own code or the session does not.
        const bool byUser = event->spontaneous() && !m_sessionEnding;
        const lifecycle::CloseOutcome outcome = lifecycle::closeRequested(byUser, trayAvailable());
        event->setAccepted(outcome.accept);
        apply(outcome.effects);
        return !outcome.accept;
    }
    return false;
}

void TrayShell::showOnTop() {
    m_window->show();
    // The hint goes to the mapped window: given to a hidden one, Qt makes a new
    // native window at the next show, which a window manager takes for a new
    // window (its place and state lost). setWindowFlag() would do the same.
    const Qt::WindowFlags onTop = m_window->windowFlags() | Qt::WindowStaysOnTopHint;
    if (onTop != m_window->windowFlags()) {
        m_window->overrideWindowFlags(onTop);
        if (QWindow* handle = m_window->windowHandle())
            handle->setFlags(onTop);
    }
    // A window shown while still minimised stays so (only a double click
    // restores it); a window manager would take raising or activating it as
    // a request to restore it.
    if (m_window->isMinimized())
        return;
    m_window->raise();
    m_window->activateWindow();
}

void TrayShell::apply(const lifecycle::Effects& effects) {
    // Our own state changes come back through the event filter; they are
    // effects already, not the user minimising the window.
    const QScopedValueRollback applying(m_applying, true);
    for (const Effect effect : effects) {
        if (!m_window)
            return;
        qCDebug(lcShell) << "tray effect" << int(effect)
                         << "on a window visible:" << m_window->isVisible()
                         << "state:" << m_window->windowState();
        switch (effect) {
        case Effect::Hide:
            m_window->hide();
            break;
        case Effect::Show:
            // Left minimised in the tray, it comes back minimised: iconified
            // on the task bar where a window manager runs.
            if (std::exchange(m_minimisedInTray, false) && !m_window->isVisible())
                m_window->showMinimized();
            else
                m_window->show();
            break;
        case Effect::Restore:
            m_minimisedInTray = false;
            m_window->showNormal();
            break;
        case Effect::Minimise:
            m_minimisedInTray = false;
            m_window->showMinimized();
            break;
        case Effect::HideMinimised:
            // Only remembered here, not given to the hidden window as its
            // state: Qt would leave an iconic hint on it, which a window
            // manager can still read when a second start shows the window
            // normally, and it maps the window iconified.
            m_window->hide();
            m_minimisedInTray = true;
            break;
        case Effect::ShowOnTop:
            showOnTop();
            break;
        case Effect::OpenTrayMenu:
            if (m_menu)
                m_menu->popup(QCursor::pos());
            break;
        case Effect::RemoveIconAndQuit:
            m_quitting = true;
            removeIcon();
            QApplication::exit(0);
            break;
        }
    }
}
