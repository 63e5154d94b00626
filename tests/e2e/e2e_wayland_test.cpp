// Both programs as Wayland clients, as a Wayland session that sets
// QT_QPA_PLATFORM=wayland runs them: under weston's headless backend, with no
// X server at all. The compositor places their windows; the test finds them
// in the compositor's own screenshots.
#include "platform/safesave.h"
#include "tests/e2e/desktopharness.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

using namespace e2e;

TEST(WaylandEndToEnd, BothProgramsOpenTheirWindowsAsWaylandClients) {
    // weston on its headless backend, as the programs' user, in a runtime
    // folder of its own: drawing with pixman, so that its screenshots hold
    // what the clients drew, and letting clients take them (--debug). No
    // panel, no on-screen keyboard, no animation, one colour behind the windows.
    QTemporaryDir runtime;
    const QString config = runtime.filePath("weston.ini");
    ASSERT_TRUE(safeSave(config, "[core]\nidle-time=0\n[shell]\nbackground-color=0xff204060\n"
                                 "panel-position=none\nstartup-animation=none\nanimation=none\n"
                                 "[input-method]\npath=\n"));
    ASSERT_TRUE(giveToProgramUser({runtime.path()}));
    // The socket as a whole path, which clients find from any runtime folder.
    const QString socket = runtime.filePath("wayland-test");
    QProcessEnvironment environment;
    environment.insert("HOME", runtime.path());
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("WAYLAND_DISPLAY", socket);
    QProcess weston;
    weston.setProcessEnvironment(environment);
    weston.setProcessChannelMode(QProcess::MergedChannels);
    testdisplay::dieWithParent(weston);
    const QStringList command = asProgramUser(
        {"weston", "--config=" + config, "--backend=headless-backend.so", "--use-pixman",
         "--width=1280", "--height=800", "--socket=wayland-test", "--debug"});
    weston.start(command.first(), command.mid(1));
    // What the compositor shows now; a null image when it could not say.
    const auto screenshot = [&] {
        QProcess shooter;
        shooter.setProcessEnvironment(environment);
        shooter.setWorkingDirectory(runtime.path());
        const QStringList shoot = asProgramUser({"weston-screenshooter"});
        shooter.start(shoot.first(), shoot.mid(1));
        shooter.waitForFinished(10000);
        QImage shot;
        QDir dir(runtime.path());
        for (const QString& name : dir.entryList({"wayland-screenshot-*.png"})) {
            shot.load(dir.filePath(name));
            dir.remove(name);
        }
        return shot.convertToFormat(QImage::Format_RGB32);
    };
    QImage desktop;
    ASSERT_TRUE(waitUntil(
        [&] {
            desktop = screenshot();
            return desktop.valid(640, 400) && desktop.pixel(640, 400) == 0xff204060;
        },
        20000))
        << "weston showed no desktop: " << weston.readAll().toStdString();

    // No X server: on Qt's X11 platform the programs could not start at all.
    VirtualDisplay none;
    LoopbackService service;
    ASSERT_TRUE(service.listen());
    ProgramRun quillon(none), tarvex(none, TARVEX_EXECUTABLE, kTarvexCaption);
    // Each window, with the title bar Qt draws for it, is at least its design
    // size, in what changed on the screen when it came.
    for (const auto& [run, design] :
         {std::pair(&quillon, QSize(397, 327)), std::pair(&tarvex, QSize(639, 465))}) {
        SCOPED_TRACE(run == &quillon ? "Quillon" : "Tarvex");
        run->addEnvironment("QT_QPA_PLATFORM", "wayland");
        run->addEnvironment("WAYLAND_DISPLAY", socket);
        ASSERT_NO_FATAL_FAILURE(run->start(service.url()));
        QImage shown;
        QRect changed;
        EXPECT_TRUE(waitUntil(
            [&] {
                shown = screenshot();
                changed = {};
                for (int y = 0; y < shown.height(); ++y)
                    for (int x = 0; x < shown.width(); ++x)
                        if (shown.pixel(x, y) != desktop.pixel(x, y))
                            changed |= QRect(x, y, 1, 1);
                return changed.width() >= design.width() && changed.height() >= design.height();
            },
            30000))
            << "what changed on the screen: " << text(changed);
        desktop = shown;
    }
    testdisplay::stop(weston);
}
