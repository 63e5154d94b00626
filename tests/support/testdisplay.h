#pragma once
// An X server of a test's or a benchmark's own, so that neither needs a
// display from the machine or from CI: Xvfb, or Xorg's dummy driver divided
// into monitors, with trayer's system tray and openbox when asked for. Each
// start says what went wrong, or nothing when it is up.
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace testdisplay {

// Polls with the event loop running, so that servers in the process answer
// and the children are heard from while the caller waits.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

// A child that must not outlive its parent, even when the parent is killed.
void dieWithParent(QProcess& process);
void stop(QProcess& process);

class TestDisplay {
public:
    virtual ~TestDisplay();
    // Xvfb on the first free display (it reports which itself).
    std::string start(QSize screen);
    // Xorg's dummy driver instead, its screen divided by RandR into these
    // monitors, which Qt sees as screens (Xvfb's cannot be divided); the first
    // one is primary.
    std::string startMonitors(const QList<QRect>& monitors);
    std::string startTray(); // on the top edge, right-aligned
    // openbox, as a user's desktop has a window manager that frames, stacks
    // and iconifies windows and constrains where they go.
    std::string startWindowManager();

    const QString& name() const { return m_name; }
    const QString& trayPanel() const { return m_trayPanel; } // trayer's window, once started
    // The system's environment with this display in it.
    QProcessEnvironment environment() const;
    // What a close box does: WM_DELETE_WINDOW sent to the window.
    void sendCloseRequest(const QString& id) const;
    // Runs an X tool here to its end: its standard output, or a null array when it failed.
    QByteArray run(const QString& tool, const QStringList& arguments) const;

private:
    std::string startServer(const QString& server, const QStringList& arguments);
    // Starts a program on this display, which is up once `ready` holds.
    std::string startHere(QProcess& process, const QStringList& command,
                          const std::function<bool()>& ready);

    QProcess m_xserver;
    QTemporaryDir m_xorgDir; // Xorg's configuration and log
    QProcess m_trayer;
    QProcess m_windowManager;
    QString m_name;
    QString m_trayPanel;
};

} // namespace testdisplay
