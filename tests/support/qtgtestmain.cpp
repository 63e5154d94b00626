// Runs GoogleTest inside a QApplication, so tests can use widgets, timers and
// the network. Without a display the offscreen platform is used; tests that
// hand addresses to the desktop run on an X server of their own instead.
#include "app/appstartup.h"
#include "platform/platform.h"
#include "tests/support/testdisplay.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

// Qt opens addresses through the window system's services, which the
// offscreen platform has not: the tests run again in a child on Xvfb.
int runOnOwnDisplay(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testdisplay::TestDisplay display;
    if (const std::string failure = display.start(QSize(1280, 1024)); !failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    QProcessEnvironment environment = display.environment();
    environment.remove("QUILLON_TEST_X11");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    QProcess tests;
    testdisplay::dieWithParent(tests);
    tests.setProcessEnvironment(environment);
    tests.setProcessChannelMode(QProcess::ForwardedChannels);
    tests.start(QCoreApplication::applicationFilePath(), app.arguments().mid(1));
    tests.waitForFinished(-1);
    return tests.exitStatus() == QProcess::NormalExit ? tests.exitCode() : 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool listing = argc > 1 && std::strcmp(argv[1], "--gtest_list_tests") == 0;
    if (qEnvironmentVariableIsSet("QUILLON_TEST_X11") && !listing)
        return runOnOwnDisplay(argc, argv);
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
