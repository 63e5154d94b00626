#pragma once

#include <QString>

#include <functional>

class QObject;

// What differs between Windows and Linux. One implementation per platform,
// chosen by the build.
namespace platform {

// Runs onTerminate on the GUI thread, once, when the system asks the process to
// end (SIGTERM, SIGINT or SIGHUP on Linux; console close or shutdown on Windows).
void onTerminationRequest(QObject* context, std::function<void()> onTerminate);

// True for the Unix superuser, whom Chromium's sandbox refuses to run under.
bool runningAsRoot();

// Makes the program at executablePath start when the user logs in; false
// when the entry could not be written. Enabling twice leaves one entry.
bool enableAutostart(const QString& executablePath);

// Removes that entry; true when there is none afterwards, also when there was none.
bool disableAutostart(const QString& executablePath);

// Starts the user's browser on address as a separate process, not waited for;
// false when it could not be started.
bool openInBrowser(const QString& address);

} // namespace platform
