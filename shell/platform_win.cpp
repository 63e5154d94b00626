#include "shell/platform.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

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

// Windows has no superuser in that sense; the sandbox runs for administrators too.
bool runningAsRoot() {
    return false;
}

} // namespace platform
