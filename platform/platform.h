#pragma once

#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class QObject;
class QWidget;

// What differs between Windows and Linux. One implementation per platform,
// chosen by the build.
namespace platform {

// Runs onTerminate on the GUI thread, once, when the system asks the process to
// end (SIGTERM, SIGINT or SIGHUP on Linux; console close or shutdown on Windows).
void onTerminationRequest(QObject* context, std::function<void()> onTerminate);

// Why Chromium's sandbox cannot run in this process, or none when it can.
// On Linux it refuses the superuser, and it needs a user namespace of its own,
// which a kernel, a container or a security policy may deny. The first call
// probes that by forking: make it before any thread exists.
std::optional<QString> sandboxObstacle();

// The user's folder for this program's own files (not made here): on Linux
// autostart::configHome() followed by the application's name, on Windows
// QStandardPaths' AppConfigLocation (the local application data).
QString appConfigFolder();

// Makes the program at executablePath start when the user logs in; false
// when the entry could not be written. Enabling twice leaves one entry.
bool enableAutostart(const QString& executablePath);

// Removes that entry; true when there is none afterwards, also when there was none.
bool disableAutostart(const QString& executablePath);

// Whether the window system may refuse to let a window reach beyond the
// screen's edges. X11 window managers keep part of every window on the screen
// (openbox a tenth of it, others the whole title bar), so a window docked at
// an edge is hidden there by withdrawing it; Windows moves it as asked.
bool windowMovesAreConstrained();

// A shown top-level window's outer rectangle, frame included, as the window
// system has it now; none where it cannot say. Qt's own record of it goes
// stale on X11 when a window manager frames a window anew.
std::optional<QRect> frameRect(const QWidget* window);

// Whether the window system shows this top-level window now. Qt counts a window
// visible as soon as it asks for it to be shown; a window manager frames and
// maps it in steps after that (on X11 its frame stands at the screen's corner
// for a moment), and until it has, where the window is is not yet its own.
bool windowOnScreen(const QWidget* window);

// Moves a shown top-level window so that its outer rectangle's top-left is at
// outerTopLeft. A window manager may keep it elsewhere.
void moveFrame(QWidget* window, QPoint outerTopLeft);

// Whether the window system holds this top-level window iconified: minimised
// by the user or the window manager, shown on the task bar only. On X11 Qt's
// own minimised state is not that: once Qt has minimised a window itself, it
// can report it minimised again after it was restored and is on the screen.
bool windowIconified(const QWidget* window);

// The companion program's file in programDirectory: Tarvex beside Quillon.
QString companionProgram(const QString& programDirectory);

// Starts program as a separate process of its own, without a shell and
// without arguments, not waited for; false when it could not be started.
bool startDetached(const QString& program);

} // namespace platform
