#pragma once

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

} // namespace platform
