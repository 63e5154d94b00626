#include "tests/support/testdisplay.h"

#include "platform/x11.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <xcb/xcb.h>

namespace testdisplay {
namespace {

// Whether the X server on display takes a client and answers it. Xvfb's
// announcement of its display alone does not promise that.
bool answers(const QString& display) {
    // A connection that failed answers no request.
    xcb_connection_t* connection = xcb_connect(display.toLatin1().constData(), nullptr);
    const bool answered = x11::owned(xcb_get_input_focus_reply(
                              connection, xcb_get_input_focus(connection), nullptr)) != nullptr;
    xcb_disconnect(connection);
    return answered;
}

// The tools the displays and those who use them need, when one is missing.
std::string missing(const QStringList& tools) {
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool.toStdString() + " is missing; scripts/install-deps.sh installs it";
    return {};
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(25);
    }
    return true;
}

void dieWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void stop(QProcess& process) {
    process.kill();
    process.waitForFinished(5000);
}

TestDisplay::~TestDisplay() {
    for (QProcess* process : {&m_windowManager, &m_trayer, &m_xserver})
        stop(*process);
}

std::string TestDisplay::start(QSize screen) {
    return startServer(
        "Xvfb", {"-screen", "0", QString("%1x%2x24").arg(screen.width()).arg(screen.height())});
}

std::string TestDisplay::startServer(const QString& server, const QStringList& arguments) {
    if (std::string absent = missing({server, "xdotool", "xwininfo", "xprop", "xrandr"});
        !absent.empty())
        return absent;
    dieWithParent(m_xserver);
    // An X server resets when its last client leaves, and drops every client
    // still opening its display then. The X tools that poll here come and go
    // while trayer, openbox or a program is connecting: without -noreset,
    // a busy machine now and then left one of those without a display.
    m_xserver.start(server,
                    QStringList{"-displayfd", "1", "-noreset", "-nolisten", "tcp"} + arguments);
    QByteArray announced;
    waitUntil(
        [&] {
            announced += m_xserver.readAllStandardOutput();
            return announced.contains('\n') || m_xserver.state() == QProcess::NotRunning;
        },
        30000);
    bool ok = false;
    m_name = ":" + QString::number(announced.trimmed().toInt(&ok));
    if (!ok)
        return server.toStdString() + " did not report its display: " + announced.toStdString() +
               m_xserver.readAllStandardError().toStdString();
    if (waitUntil([&] { return m_xserver.state() == QProcess::NotRunning || answers(m_name); },
                  20000) &&
        m_xserver.state() == QProcess::Running)
        return {};
    return server.toStdString() + " on " + m_name.toStdString() +
           " took no client: " + m_xserver.readAllStandardError().toStdString();
}

std::string TestDisplay::startMonitors(const QList<QRect>& monitors) {
    QFile config(m_xorgDir.filePath("dummy.conf"));
    if (!m_xorgDir.isValid() || !QDir(m_xorgDir.path()).mkdir("conf.d") ||
        !config.open(QIODevice::WriteOnly) ||
        config.write("Section \"Device\"\n Identifier \"dummy\"\n Driver \"dummy\"\n"
                     " VideoRam 65536\nEndSection\n") <= 0)
        return "could not write Xorg's configuration";
    config.close();
    if (std::string failed = startServer("Xorg", {"-config", config.fileName(), "-configdir",
                                                  m_xorgDir.filePath("conf.d"), "-logfile",
                                                  m_xorgDir.filePath("xorg.log")});
        !failed.empty())
        return failed;

    // The first monitor takes the driver's output, so that it replaces the
    // monitor RandR made of the whole screen and is the primary one.
    static const QRegularExpression connected(R"((?:^|\n)(\S+) connected)");
    const QString output =
        connected.match(QString::fromUtf8(run("xrandr", {"--query"}))).captured(1);
    if (output.isEmpty())
        return "xrandr names no connected output";
    // The output shows the whole desktop in one mode: the server keeps the
    // pointer within what outputs show.
    QRect desktop;
    for (const QRect& monitor : monitors)
        desktop |= monitor;
    const int w = desktop.right() + 1, h = desktop.bottom() + 1;
    const QString mode = QString::asprintf("%dx%d", w, h);
    const QStringList timing =
        QString::asprintf("%.1f %d %d %d %d %d %d %d %d", (w + 140) * (h + 10) * 60 / 1e6, w,
                          w + 40, w + 80, w + 140, h, h + 2, h + 4, h + 10)
            .split(' ');
    for (const QStringList& step : {QStringList{"--newmode", mode} + timing,
                                    {"--addmode", output, mode},
                                    {"--output", output, "--mode", mode}})
        if (run("xrandr", step).isNull())
            return "xrandr failed to make " + mode.toStdString();
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        // Its size in millimetres too, at 96 dots per inch.
        const QRect& m = monitors[i];
        const QString geometry =
            QString::asprintf("%d/%dx%d/%d%+d%+d", m.width(), qRound(m.width() * 25.4 / 96),
                              m.height(), qRound(m.height() * 25.4 / 96), m.x(), m.y());
        if (run("xrandr",
                {"--setmonitor", QString("M%1").arg(i), geometry, i == 0 ? output : "none"})
                .isNull())
            return "xrandr could not make monitor " + geometry.toStdString();
    }
    return {};
}

std::string TestDisplay::startHere(QProcess& process, const QStringList& command,
                                   const std::function<bool()>& ready) {
    if (std::string absent = missing({command.first()}); !absent.empty())
        return absent;
    dieWithParent(process);
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    bool up = false;
    // Generous: the helper competes for a starved machine with the programs of other tests.
    waitUntil([&] { return (up = ready()) || process.state() == QProcess::NotRunning; }, 30000);
    if (up)
        return {};
    const bool ended = process.state() == QProcess::NotRunning;
    stop(process);
    return command.first().toStdString() + (ended ? " ended" : " never came up") + " on " +
           m_name.toStdString() + "; it said:\n" + process.readAll().toStdString();
}

std::string TestDisplay::startTray() {
    static const QRegularExpression panel(R"((0x[0-9a-f]+) "panel": \("panel" "trayer"\))");
    return startHere(m_trayer, {"trayer", "--edge", "top", "--align", "right"}, [&] {
        m_trayPanel =
            panel.match(QString::fromUtf8(run("xwininfo", {"-root", "-tree"}))).captured(1);
        return !m_trayPanel.isEmpty();
    });
}

std::string TestDisplay::startWindowManager() {
    // A window manager announces itself on the root window once it manages the screen.
    return startHere(m_windowManager, {"openbox", "--sm-disable"}, [&] {
        return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
    });
}

QProcessEnvironment TestDisplay::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_name);
    environment.remove("WAYLAND_DISPLAY");
    return environment;
}

void TestDisplay::sendCloseRequest(const QString& id) const {
    // A connection that failed sends nothing: the caller sees the window stay.
    xcb_connection_t* connection = xcb_connect(m_name.toLatin1().constData(), nullptr);
    const auto atom = [connection](const char* name) {
        return x11::atom(connection, name);
    };
    const xcb_client_message_event_t event{
        .response_type = XCB_CLIENT_MESSAGE,
        .format = 32,
        .sequence = 0,
        .window = id.toUInt(nullptr, 0),
        .type = atom("WM_PROTOCOLS"),
        .data = {.data32 = {atom("WM_DELETE_WINDOW"), XCB_CURRENT_TIME}}};
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    // A round trip: the server has handled the event before we hang up.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

QByteArray TestDisplay::run(const QString& tool, const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(tool, arguments);
    // Not waitForFinished: servers in the process must go on answering meanwhile.
    const bool ended = waitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
    stop(process);
    const QByteArray out = process.readAllStandardOutput();
    // Any failure is the tool's answer (a window that is gone, say).
    if (!ended || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return out.isNull() ? QByteArray("") : out;
}

} // namespace testdisplay
