#include "platform/platform.h"

#include "platform/autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <windows.h>

namespace platform {

namespace {

QPointer<QObject> g_context;
std::function<void()> g_onTerminate;

// Called on a thread of the console's own; the work is posted to the GUI thread.
BOOL WINAPI consoleHandler(DWORD type) {
    if (type != CTRL_CLOSE_EVENT && type != CTRL_SHUTDOWN_EVENT && type != CTRL_LOGOFF_EVENT &&
        type != CTRL_C_EVENT)
        return FALSE;
    if (g_context)
        QMetaObject::invokeMethod(
            g_context,
            [] {
                if (g_onTerminate)
                    g_onTerminate();
            },
            Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void onTerminationRequest(QObject* context, std::function<void()> onTerminate) {
    g_context = context;
    g_onTerminate = std::move(onTerminate);
    SetConsoleCtrlHandler(consoleHandler, TRUE);
}

bool enableAutostart(const QString& executablePath) {
    const QFileInfo program(executablePath);
    const autostart::RunValue value = autostart::runValue(
        QDir::toNativeSeparators(program.absolutePath()), program.completeBaseName());
    QSettings settings(QString::fromLatin1(autostart::kRunKey), QSettings::NativeFormat);
    settings.setValue(value.name, value.data);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool disableAutostart(const QString& executablePath) {
    QSettings settings(QString::fromLatin1(autostart::kRunKey), QSettings::NativeFormat);
    settings.remove(QFileInfo(executablePath).completeBaseName());
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::optional<QRect> frameRect(const QWidget* window) {
    // Qt's record of it here is the window system's own.
    return window->frameGeometry();
}

bool windowOnScreen(const QWidget* window) {
    // Shown windows are placed at once, where they were asked to be.
    return window->isVisible();
}

void moveFrame(QWidget* window, QPoint outerTopLeft) {
    window->move(outerTopLeft); // a window's position is that of its frame
}

bool windowMovesAreConstrained() {
    return false;
}

bool windowIconified(const QWidget* window) {
    return IsIconic(reinterpret_cast<HWND>(window->winId())) != FALSE;
}

// Windows has no superuser in that sense; the sandbox runs for administrators too.
QString appConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

std::optional<QString> sandboxObstacle() {
    return std::nullopt;
}

QString companionProgram(const QString& programDirectory) {
    return QDir::toNativeSeparators(programDirectory) + QStringLiteral("\\Tarvex.exe");
}

bool startDetached(const QString& program) {
    // A console-less GUI program opens its window normally and takes the focus.
    return QProcess::startDetached(program, {});
}

} // namespace platform
