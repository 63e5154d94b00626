#include "tests/e2e/desktopharness.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>
#include <xcb/xcb.h>

namespace e2e {
namespace {

// A child that must not outlive the test, even when the test is killed.
void dieWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}

void expectTools(const QStringList& tools) {
    for (const QString& tool : tools)
        EXPECT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
            << tool.toStdString() << " is missing; scripts/install-deps.sh installs it";
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

VirtualDisplay::~VirtualDisplay() {
    stop(m_windowManager);
    stop(m_trayer);
    stop(m_xserver);
}

void VirtualDisplay::start(QSize screen) {
    ASSERT_NO_FATAL_FAILURE(expectTools({"Xvfb", "xdotool", "xwininfo"}));
    dieWithParent(m_xserver);
    m_xserver.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                             QString("%1x%2x24").arg(screen.width()).arg(screen.height()),
                             "-nolisten", "tcp"});
    QByteArray announced;
    ASSERT_TRUE(waitUntil(
        [&] {
            announced += m_xserver.readAllStandardOutput();
            return announced.contains('\n') || m_xserver.state() == QProcess::NotRunning;
        },
        15000))
        << "Xvfb did not report its display";
    bool ok = false;
    m_name = ":" + QString::number(announced.trimmed().toInt(&ok));
    ASSERT_TRUE(ok) << "Xvfb said: " << announced.constData()
                    << m_xserver.readAllStandardError().constData();
}

void VirtualDisplay::startTray() {
    ASSERT_NO_FATAL_FAILURE(expectTools({"trayer"}));
    dieWithParent(m_trayer);
    m_trayer.setProcessEnvironment(environment());
    m_trayer.setProcessChannelMode(QProcess::MergedChannels);
    m_trayer.start("trayer", {"--edge", "top", "--align", "right"});
    static const QRegularExpression panel(R"((0x[0-9a-f]+) "panel": \("panel" "trayer"\))");
    ASSERT_TRUE(waitUntil(
        [&] {
            m_trayPanel =
                panel.match(QString::fromUtf8(run("xwininfo", {"-root", "-tree"}))).captured(1);
            return !m_trayPanel.isEmpty();
        },
        10000))
        << "trayer's panel never appeared: " << m_trayer.readAll().constData();
}

void VirtualDisplay::startWindowManager() {
    ASSERT_NO_FATAL_FAILURE(expectTools({"openbox", "xprop"}));
    dieWithParent(m_windowManager);
    m_windowManager.setProcessEnvironment(environment());
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    m_windowManager.start("openbox", {"--sm-disable"});
    // A window manager announces itself on the root window once it manages the screen.
    ASSERT_TRUE(waitUntil(
        [&] {
            return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
        },
        10000))
        << "openbox never took the screen: " << m_windowManager.readAll().constData();
}

std::optional<QRect> VirtualDisplay::frame(const QString& id) const {
    const auto inner = window(id);
    if (!inner)
        return std::nullopt;
    // The extents of the frame a window manager put around the window: left,
    // right, top, bottom; none where no window manager framed it.
    static const QRegularExpression extents(R"(=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+))");
    const QRegularExpressionMatch match =
        extents.match(QString::fromUtf8(run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"})));
    const auto side = [&](int n) {
        return match.hasMatch() ? match.captured(n).toInt() : 0;
    };
    return QRect(inner->position - QPoint(side(1), side(3)),
                 inner->size + QSize(side(1) + side(2), side(3) + side(4)));
}

QString VirtualDisplay::wmState(const QString& id) const {
    static const QRegularExpression state(R"(window state:\s+(\w+))");
    const QString found =
        state.match(QString::fromUtf8(run("xprop", {"-id", id, "WM_STATE"}))).captured(1);
    return found.isEmpty() ? QStringLiteral("Withdrawn") : found;
}

void VirtualDisplay::sendCloseRequest(const QString& id) const {
    xcb_connection_t* connection = xcb_connect(m_name.toLatin1().constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id.toUInt(nullptr, 0);
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
    xcb_disconnect(connection);
}

void VirtualDisplay::click(QPoint at, int clicks) const {
    run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                    "--repeat", QString::number(clicks), "--delay", "80", "1"});
}

std::optional<QPoint> VirtualDisplay::trayIcon(const QString& title) const {
    // xwininfo's tree line: id "name": ("name" "class")  WxH+x+y  +absX+absY
    const QRegularExpression icon(QRegularExpression::escape(QString(R"(("%1" "%1"))").arg(title)) +
                                  R"(\s+(\d+)x(\d+)[-+]\d+[-+]\d+\s+\+(-?\d+)\+(-?\d+))");
    const QRegularExpressionMatch match =
        icon.match(QString::fromUtf8(run("xwininfo", {"-tree", "-id", m_trayPanel})));
    if (!match.hasMatch())
        return std::nullopt;
    return QPoint(match.captured(3).toInt() + match.captured(1).toInt() / 2,
                  match.captured(4).toInt() + match.captured(2).toInt() / 2);
}

QProcessEnvironment VirtualDisplay::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_name);
    environment.remove("WAYLAND_DISPLAY");
    return environment;
}

QByteArray VirtualDisplay::run(const QString& tool, const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(tool, arguments);
    // Not waitForFinished: the service must go on answering meanwhile.
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        stop(process);
        return {};
    }
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return out.isNull() ? QByteArray("") : out;
}

std::optional<WindowState> VirtualDisplay::window(const QString& id) const {
    static const QRegularExpression info(R"re(Window id: \S+ (?:"(.*)")?.*\n[\s\S]*)re"
                                         R"(Absolute upper-left X:\s+(-?\d+)\s+)"
                                         R"(Absolute upper-left Y:\s+(-?\d+)[\s\S]*)"
                                         R"(Width:\s+(\d+)\s+Height:\s+(\d+)[\s\S]*)"
                                         R"(Map State:\s+(\w+))");
    const QRegularExpressionMatch match =
        info.match(QString::fromUtf8(run("xwininfo", {"-id", id})));
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int n) {
        return match.captured(n).toInt();
    };
    return WindowState{match.captured(1),
                       {number(2), number(3)},
                       {number(4), number(5)},
                       match.captured(6) == "IsViewable"};
}

LoopbackService::LoopbackService(QMap<QByteArray, ScriptedResponse> answers) {
    m_server.setHandler([answers = std::move(answers)](const RecordedRequest& request) {
        ScriptedResponse notFound;
        notFound.status = 404;
        notFound.body = "not here";
        return answers.value(request.target, notFound);
    });
}

bool LoopbackService::listen() {
    m_listening.start();
    return m_server.listen();
}

QList<LoopbackService::Arrival> LoopbackService::arrivals(const QElapsedTimer& since,
                                                          QByteArrayView targetPrefix) const {
    QList<Arrival> result;
    for (const RecordedRequest& request : m_server.requests())
        if (request.target.startsWith(targetPrefix))
            result.append({request.target, request.arrivedMs + since.msecsTo(m_listening)});
    return result;
}

QuillonRun::~QuillonRun() {
    if (::testing::Test::HasFailure()) {
        const QByteArray output = m_process.readAll().right(4000);
        std::fprintf(stderr, "Quillon's output:\n%s\n",
                     output.isEmpty() ? "(none)" : output.constData());
    }
    stop(m_process);
}

void QuillonRun::start(const QString& serviceUrl, const QMap<QString, QByteArray>& files) {
    ASSERT_TRUE(m_programDir.isValid() && m_homeDir.isValid());
    const QString program = m_programDir.filePath("Quillon");
    ASSERT_TRUE(QFile::copy(QUILLON_EXECUTABLE, program)) << QUILLON_EXECUTABLE;
    ASSERT_TRUE(QFile::setPermissions(program, QFile::permissions(QUILLON_EXECUTABLE)));
    m_files = files;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QFile out(m_programDir.filePath(file.key()));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(*file) == file->size());
    }

    QProcessEnvironment environment = m_display.environment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    // One pixel is one device-independent pixel here, whatever the machine says.
    environment.remove("QT_SCALE_FACTOR");
    environment.remove("QT_SCREEN_SCALE_FACTORS");
    environment.insert("QT_ENABLE_HIGHDPI_SCALING", "0");
    for (const char* name :
         {"QUILLON_QUOTE_URL", "QUILLON_SITE_URL", "QUILLON_CHART_URL", "QUILLON_NEWS_URL"})
        environment.insert(name, serviceUrl);
    const QString home = m_homeDir.path();
    environment.insert("HOME", home);
    for (const QString kind : {"config", "data", "cache"})
        environment.insert("XDG_" + kind.toUpper() + "_HOME", home + "/" + kind);
    // A temporary directory is its owner's only, as a runtime directory must be.
    environment.insert("XDG_RUNTIME_DIR", home);

    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(home);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    dieWithParent(m_process);
    m_started.start();
    m_process.start(program, {});
    ASSERT_TRUE(m_process.waitForStarted(10000)) << m_process.errorString().toStdString();
}

QString QuillonRun::mainWindow(int timeoutMs) const {
    // The first native window is replaced once the embedded browsers start
    // (they need a window that can draw with OpenGL): only an id that is still
    // the main window a moment later is the one to watch.
    QString found;
    QString previous;
    waitUntil(
        [&] {
            found.clear();
            // xdotool matches names by pattern; the exact title is compared here.
            const QByteArray ids = m_display.run("xdotool", {"search", "--name", "Quillon"});
            for (const QString& id : QString::fromLatin1(ids).split('\n', Qt::SkipEmptyParts)) {
                const auto state = m_display.window(id);
                if (state && state->title == kCaption && state->viewable)
                    found = id;
            }
            const bool settled = !found.isEmpty() && found == previous;
            previous = found;
            if (!settled)
                QTest::qWait(1000);
            return settled;
        },
        timeoutMs);
    return found == previous ? found : QString();
}

QString QuillonRun::windowTitled(const QString& title) const {
    const QByteArray ids =
        m_display.run("xdotool", {"search", "--pid", QString::number(m_process.processId())});
    for (const QString& id : QString::fromLatin1(ids).split('\n', Qt::SkipEmptyParts)) {
        const auto state = m_display.window(id);
        if (state && state->title == title)
            return id;
    }
    return {};
}

QString QuillonRun::windowOfSize(QSize size, int timeoutMs) const {
    QString found;
    waitUntil(
        [&] {
            const QByteArray ids = m_display.run(
                "xdotool", {"search", "--pid", QString::number(m_process.processId())});
            for (const QString& id : QString::fromLatin1(ids).split('\n', Qt::SkipEmptyParts)) {
                const auto state = m_display.window(id);
                if (state && state->size == size && state->viewable)
                    found = id;
            }
            return !found.isEmpty();
        },
        timeoutMs);
    return found;
}

void QuillonRun::expectEndsCleanlyOnSigterm(int withinMs) {
    ASSERT_EQ(m_process.state(), QProcess::Running) << "Quillon ended before it was asked to";
    QElapsedTimer exiting;
    exiting.start();
    m_process.terminate();
    ASSERT_TRUE(waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, withinMs))
        << "still running " << withinMs << " ms after SIGTERM";
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    std::printf("Quillon ended %lld ms after SIGTERM\n", qint64(exiting.elapsed()));

    for (auto file = m_files.cbegin(); file != m_files.cend(); ++file) {
        QFile in(m_programDir.filePath(file.key()));
        EXPECT_EQ(in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : "(unreadable)",
                  file->toStdString())
            << file.key().toStdString();
    }
    QStringList expected = QStringList{"Quillon"} + m_files.keys();
    expected.sort();
    EXPECT_EQ(QDir(m_programDir.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::Name)
                  .join(' ')
                  .toStdString(),
              expected.join(' ').toStdString());
}

} // namespace e2e
