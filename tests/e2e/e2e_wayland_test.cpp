// Both programs as Wayland clients, as a Wayland session that sets
// QT_QPA_PLATFORM=wayland runs them: under weston's headless backend, with no
// X server at all. The compositor places their windows; the test finds them
// in the compositor's own screenshots.
#include "tests/e2e/desktopharness.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// The desktop's one colour, where no window is.
constexpr QRgb kBackground = 0xff204060;

// weston on its headless backend, as the programs' user, in a runtime folder
// of its own: it draws with pixman, so that its screenshots hold what the
// clients drew, and lets clients take screenshots (--debug). No panel, no
// on-screen keyboard and a plain background: every other pixel is a window's.
class Weston {
public:
    ~Weston() { testdisplay::stop(m_process); }

    std::string start(QSize screen) {
        if (!m_dir.isValid())
            return "no temporary folder";
        QFile config(m_dir.filePath("weston.ini"));
        if (!config.open(QIODevice::WriteOnly) ||
            config.write("[core]\nidle-time=0\n[shell]\nbackground-color=0xff204060\n"
                         "panel-position=none\nstartup-animation=none\nanimation=none\n"
                         "[input-method]\npath=\n") < 0)
            return "cannot write weston.ini";
        config.close();
        if (!giveToProgramUser({m_dir.path()}))
            return "cannot give the runtime folder to the programs' user";
        m_process.setProcessEnvironment(environment());
        m_process.setWorkingDirectory(m_dir.path());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        testdisplay::dieWithParent(m_process);
        const QStringList command = asProgramUser(
            {"weston", "--config=" + config.fileName(), "--backend=headless-backend.so",
             "--use-pixman", QString("--width=%1").arg(screen.width()),
             QString("--height=%1").arg(screen.height()), "--socket=wayland-test", "--debug"});
        m_process.start(command.first(), command.mid(1));
        const auto desktopShown = [&] {
            const QImage shot = screenshot();
            return !shot.isNull() && shot.pixel(shot.width() / 2, shot.height() / 2) == kBackground;
        };
        if (!waitUntil(desktopShown, 20000))
            return "weston showed no desktop: " + m_process.readAll().toStdString();
        return {};
    }

    // The socket, as a whole path: clients find it from any runtime folder.
    QString socket() const { return m_dir.filePath("wayland-test"); }

    // What the compositor shows now; a null image when it could not say.
    QImage screenshot() const {
        QProcess shooter;
        shooter.setProcessEnvironment(environment());
        shooter.setWorkingDirectory(m_dir.path());
        const QStringList command = asProgramUser({"weston-screenshooter"});
        shooter.start(command.first(), command.mid(1));
        if (!shooter.waitForFinished(10000) || shooter.exitCode() != 0)
            return {};
        QImage shot;
        QDir dir(m_dir.path());
        for (const QString& name : dir.entryList({"wayland-screenshot-*.png"}, QDir::Files)) {
            shot.load(dir.filePath(name));
            dir.remove(name);
        }
        return shot.convertToFormat(QImage::Format_RGB32);
    }

private:
    QProcessEnvironment environment() const {
        QProcessEnvironment environment;
        environment.insert("PATH", "/usr/bin:/bin");
        environment.insert("HOME", m_dir.path());
        environment.insert("XDG_RUNTIME_DIR", m_dir.path());
        environment.insert("WAYLAND_DISPLAY", socket());
        return environment;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
};

// The smallest rectangle that holds every pixel in which after differs from before.
QRect changed(const QImage& before, const QImage& after) {
    QRect found;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (after.pixel(x, y) != before.pixel(x, y))
                found |= QRect(x, y, 1, 1);
    return found;
}

} // namespace

TEST(WaylandEndToEnd, BothProgramsOpenTheirWindowsAsWaylandClients) {
    Weston weston;
    ASSERT_EQ(weston.start({1280, 800}), "");
    QImage desktop = weston.screenshot();

    // No X server: on Qt's X11 platform the programs could not start at all.
    VirtualDisplay none;
    LoopbackService service;
    ASSERT_TRUE(service.listen());
    ProgramRun quillon(none), tarvex(none, TARVEX_EXECUTABLE, kTarvexCaption);
    // Each window, framed by Qt's own decorations, is at least its design size.
    for (const auto& [run, design] :
         {std::pair(&quillon, QSize(397, 327)), std::pair(&tarvex, QSize(639, 465))}) {
        SCOPED_TRACE(run == &quillon ? "Quillon" : "Tarvex");
        run->addEnvironment("QT_QPA_PLATFORM", "wayland");
        run->addEnvironment("WAYLAND_DISPLAY", weston.socket());
        ASSERT_NO_FATAL_FAILURE(run->start(service.url()));
        QImage shown;
        QRect window;
        const bool seen = waitUntil(
            [&] {
                shown = weston.screenshot();
                window = shown.isNull() ? QRect() : changed(desktop, shown);
                return window.width() >= design.width() && window.height() >= design.height();
            },
            30000);
        EXPECT_TRUE(seen) << "what changed on the screen: " << text(window);
        EXPECT_TRUE(run->running());
        desktop = shown;
    }
}
