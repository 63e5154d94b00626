// Runs GoogleTest inside a QApplication, so tests can use widgets, timers and
// the network. Without a display the offscreen platform is used.
#include "app/appstartup.h"
#include "platform/platform.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Widget tests may hold the embedded browser, which needs this before the
    // application; where it runs without its sandbox, the programs' warning
    // would only repeat itself in every test binary.
    if (platform::sandboxObstacle())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    prepareWebEngineProcess();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
