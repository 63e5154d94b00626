#include "shell/platform.h"

#include "shell/autostart.h"
#include "shell/safesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe, read on the GUI thread.
void forwardSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

void onTerminationRequest(QObject* context, std::function<void()> onTerminate) {
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;

    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, onTerminate = std::move(onTerminate)] {
                         char byte = 0;
                         [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
                         notifier->setEnabled(false);
                         onTerminate();
                     });

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

namespace {

QString autostartEntryPath(const QString& executablePath) {
    const QString directory =
        autostart::autostartDirectory(qgetenv("XDG_CONFIG_HOME"), QDir::homePath());
    return QDir(directory).filePath(
        autostart::desktopEntryFileName(QFileInfo(executablePath).completeBaseName()));
}

} // namespace

bool enableAutostart(const QString& executablePath) {
    const QString path = autostartEntryPath(executablePath);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    const QString name = QFileInfo(executablePath).completeBaseName();
    return safeSave(
        path, autostart::desktopEntry(name, QFileInfo(executablePath).absoluteFilePath()).toUtf8());
}

bool disableAutostart(const QString& executablePath) {
    const QString path = autostartEntryPath(executablePath);
    if (!QFileInfo::exists(path))
        return true;
    return QFile::remove(path);
}

bool openInBrowser(const QString& address) {
    const browser::Command command = browser::linuxCommand(address);
    return QProcess::startDetached(command.program, command.arguments);
}

} // namespace platform
