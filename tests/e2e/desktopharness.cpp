#include "tests/e2e/desktopharness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <pwd.h>
#include <unistd.h>
#include <utility>

namespace e2e {
using testdisplay::dieWithParent;
using testdisplay::stop;

namespace {

constexpr char kProgramUser[] = "quillon";

// The user the programs run as when the tests run as root; none otherwise, or when missing.
std::optional<passwd> programUser() {
    const passwd* user = ::geteuid() == 0 ? ::getpwnam(kProgramUser) : nullptr;
    return user ? std::optional(*user) : std::nullopt;
}

} // namespace

::testing::AssertionResult giveToProgramUser(const QStringList& folders) {
    const auto user = programUser();
    if (::geteuid() == 0 && !user)
        return ::testing::AssertionFailure()
               << "as root the programs run as the user " << kProgramUser << ", who is missing: "
               << "scripts/ordinary-user.sh makes them";
    const QString owner = user ? QString("%1:%2").arg(user->pw_uid).arg(user->pw_gid) : "";
    if (user && QProcess::execute("chown", QStringList{"-R", owner} + folders) != 0)
        return ::testing::AssertionFailure()
               << "chown could not give away " << folders.join(' ').toStdString();
    return ::testing::AssertionSuccess();
}

QStringList asProgramUser(const QStringList& command) {
    const auto user = programUser();
    if (!user)
        return command;
    // setpriv becomes the program, whose pid is the one known here; it keeps
    // the death signal, which a change of user would clear.
    return QString("setpriv --reuid=%1 --regid=%2 --clear-groups --pdeathsig=keep --")
               .arg(user->pw_uid)
               .arg(user->pw_gid)
               .split(' ') +
           command;
}

std::string text(const std::optional<QRect>& rect) {
    if (!rect)
        return "none";
    return QString::asprintf("%dx%d%+d%+d", rect->width(), rect->height(), rect->x(), rect->y())
        .toStdString();
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
        return match.captured(n).toInt();
    }; // 0 without a match
    return QRect(inner->position - QPoint(side(1), side(3)),
                 inner->size + QSize(side(1) + side(2), side(3) + side(4)));
}

::testing::AssertionResult
VirtualDisplay::outerMeets(const QString& id, const std::function<bool(const QRect&)>& wanted,
                           int timeoutMs) const {
    std::optional<QRect> seen;
    if (waitUntil([&] { return (seen = outer(id)) && wanted(*seen); }, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "its outer rectangle is " << text(seen);
}

QString VirtualDisplay::wmState(const QString& id) const {
    static const QRegularExpression state(R"(window state:\s+(\w+))");
    const QString found =
        state.match(QString::fromUtf8(run("xprop", {"-id", id, "WM_STATE"}))).captured(1);
    return found.isEmpty() ? QStringLiteral("Withdrawn") : found;
}

void VirtualDisplay::click(QPoint at, int clicks, int button) const {
    run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                    "--repeat", QString::number(clicks), "--delay", "80", QString::number(button)});
}

void VirtualDisplay::choose(QPoint at, int downs) const {
    click(at, 1, 3);
    QTest::qWait(700); // the menu on its way
    run("xdotool",
        QStringList{"key", "--delay", "80"} + QStringList(downs, "Down") + QStringList{"Return"});
}

QImage VirtualDisplay::shot(const QString& id) const {
    return QImage::fromData(run("import", {"-window", id, "png:-"}), "PNG");
}

std::optional<QPoint> VirtualDisplay::trayIcon(const QString& title) const {
    // xwininfo's tree line: id "name": ("name" "class")  WxH+x+y  +absX+absY
    const QRegularExpression icon(QRegularExpression::escape(QString(R"(("%1" "%1"))").arg(title)) +
                                  R"(\s+(\d+)x(\d+)[-+]\d+[-+]\d+\s+\+(-?\d+)\+(-?\d+))");
    const QRegularExpressionMatch match =
        icon.match(QString::fromUtf8(run("xwininfo", {"-tree", "-id", trayPanel()})));
    const auto at = [&](int n) {
        return match.captured(n).toInt();
    };
    return match.hasMatch() ? std::optional(QPoint(at(3) + at(1) / 2, at(4) + at(2) / 2))
                            : std::nullopt;
}

std::optional<WindowState> VirtualDisplay::window(const QString& id) const {
    static const QRegularExpression info(R"re(Window id: \S+ (?:"(.*)")?.*\n[\s\S]*)re"
                                         R"(Absolute upper-left X:\s+(-?\d+)\s+)"
                                         R"(Absolute upper-left Y:\s+(-?\d+)[\s\S]*)"
                                         R"(Width:\s+(\d+)\s+Height:\s+(\d+)[\s\S]*)"
                                         R"(Map State:\s+(\w+))");
    const QRegularExpressionMatch m = info.match(QString::fromUtf8(run("xwininfo", {"-id", id})));
    if (!m.hasMatch())
        return std::nullopt;
    return WindowState{m.captured(1), QPoint(m.captured(2).toInt(), m.captured(3).toInt()),
                       QSize(m.captured(4).toInt(), m.captured(5).toInt()),
                       m.captured(6) == "IsViewable"};
}

LoopbackService::LoopbackService(QMap<QByteArray, ScriptedResponse> answers)
    : m_answers(std::move(answers)) {
    m_server.setHandler([this](const RecordedRequest& request) {
        ScriptedResponse notFound("not here");
        notFound.status = 404;
        return m_answers.value(request.target, notFound);
    });
}

QList<LoopbackService::Arrival> LoopbackService::arrivals(const QElapsedTimer& since,
                                                          QByteArrayView targetPrefix) const {
    QList<Arrival> result;
    for (const RecordedRequest& request : m_server.requests())
        if (request.target.startsWith(targetPrefix))
            result.append({request.target, request.arrivedMs + since.msecsTo(m_listening)});
    return result;
}

QString ProgramRun::name() const {
    return QFileInfo(m_executable).fileName();
}

ProgramRun::~ProgramRun() {
    if (::testing::Test::HasFailure())
        std::fprintf(stderr, "%s's output:\n%s\n", qPrintable(name()),
                     m_process.readAll().right(4000).constData());
    stop(m_process);
}

void ProgramRun::start(const QString& serviceUrl, const QMap<QString, QByteArray>& files) {
    ASSERT_TRUE(m_programDir.isValid() && m_homeDir.isValid());
    const QString program = m_programDir.filePath(name());
    ASSERT_TRUE(QFile::copy(m_executable, program)) << m_executable.toStdString();
    ASSERT_TRUE(QFile::setPermissions(program, QFile::permissions(m_executable)));
    m_files = files;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QFile out(m_programDir.filePath(file.key()));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(*file) == file->size());
    }

    ASSERT_TRUE(giveToProgramUser({m_programDir.path(), m_homeDir.path()}));
    launch(program, serviceUrl);
}

void ProgramRun::startInstalled(const QMap<QString, QByteArray>& files) {
    ASSERT_TRUE(m_homeDir.isValid());
    const QDir folder(m_homeDir.filePath("config/" + name()));
    ASSERT_TRUE(folder.mkpath("."));
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QFile out(folder.filePath(file.key()));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(*file) == file->size());
    }
    ASSERT_TRUE(giveToProgramUser({m_homeDir.path()}));
    launch(m_executable, {});
}

void ProgramRun::launch(const QString& program, const QString& serviceUrl) {
    const QString home = m_homeDir.path();
    QProcessEnvironment environment = m_display.environment();
    // One pixel is one device-independent pixel here, whatever the machine says.
    environment.remove("QT_SCALE_FACTOR");
    environment.remove("QT_SCREEN_SCALE_FACTORS");
    // The test's own process, as root, switched the sandbox off for itself alone.
    environment.remove("QTWEBENGINE_DISABLE_SANDBOX");
    // ~ is the home, @ the service. A temporary directory is its owner's only,
    // as a runtime directory must be.
    const QString settings = QStringLiteral(
        "QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 HOME=~ XDG_RUNTIME_DIR=~ "
        "XDG_CONFIG_HOME=~/config XDG_DATA_HOME=~/data XDG_CACHE_HOME=~/cache QUILLON_QUOTE_URL=@ "
        "QUILLON_SITE_URL=@ QUILLON_CHART_URL=@ QUILLON_NEWS_URL=@");
    for (const QString& setting : settings.split(' ')) {
        if (serviceUrl.isEmpty() && setting.endsWith('@'))
            environment.remove(setting.section('=', 0, 0));
        else
            environment.insert(setting.section('=', 0, 0),
                               setting.section('=', 1).replace('~', home).replace('@', serviceUrl));
    }
    environment.insert(m_extraEnvironment);
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(home);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    dieWithParent(m_process);
    m_started.start();
    const QStringList command = asProgramUser({program});
    m_process.start(command.first(), command.mid(1));
    ASSERT_TRUE(m_process.waitForStarted(10000)) << m_process.errorString().toStdString();
}

QString ProgramRun::windowWhere(const std::function<bool(const WindowState&)>& wanted,
                                const QStringList& besides) const {
    QString found;
    const QByteArray ids =
        m_display.run("xdotool", {"search", "--pid", QString::number(m_process.processId())});
    for (const QString& id : QString::fromLatin1(ids).split('\n', Qt::SkipEmptyParts))
        if (const auto state = m_display.window(id);
            state && !besides.contains(id) && wanted(*state))
            found = id;
    return found;
}

QString ProgramRun::mainWindow(int timeoutMs) const {
    // The first native window is replaced once the embedded browsers start
    // (they need a window that can draw with OpenGL): only an id that is still
    // the main window a moment later is the one to watch.
    QString found;
    const bool settled = waitUntil(
        [&] {
            const QString previous = std::exchange(found, windowWhere([this](const WindowState& s) {
                                                       return s.title == m_caption && s.viewable;
                                                   }));
            if (!found.isEmpty() && found == previous)
                return true;
            QTest::qWait(1000);
            return false;
        },
        timeoutMs);
    return settled ? found : QString();
}

QString ProgramRun::windowOfSize(QSize size, int timeoutMs, const QStringList& besides) const {
    QString found;
    const auto wanted = [&](const WindowState& s) {
        return s.size == size && s.viewable;
    };
    waitUntil([&] { return !(found = windowWhere(wanted, besides)).isEmpty(); }, timeoutMs);
    return found;
}

int ProgramRun::startAgain(int withinMs) const {
    QProcess again;
    again.setProcessEnvironment(m_process.processEnvironment());
    again.setWorkingDirectory(m_process.workingDirectory());
    again.start(m_process.program(), m_process.arguments());
    const bool ended = waitUntil([&] { return again.state() == QProcess::NotRunning; }, withinMs);
    if (!ended)
        again.kill();
    again.waitForFinished();
    return ended && again.exitStatus() == QProcess::NormalExit ? again.exitCode() : -1;
}

void ProgramRun::expectEndsCleanlyOnSigterm(int withinMs) {
    ASSERT_EQ(m_process.state(), QProcess::Running) << "it ended before it was asked to";
    QElapsedTimer exiting;
    exiting.start();
    m_process.terminate();
    ASSERT_TRUE(waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, withinMs))
        << "still running " << withinMs << " ms after SIGTERM";
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    std::printf("%s ended %lld ms after SIGTERM\n", qPrintable(name()), qint64(exiting.elapsed()));

    // The program's own bytes are not compared, only that it is still there.
    std::map<std::string, std::string> expected{{name().toStdString(), ""}}, found;
    for (auto file = m_files.cbegin(); file != m_files.cend(); ++file)
        expected[file.key().toStdString()] = file->toStdString();
    const QDir dir(m_programDir.path());
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        QFile in(dir.filePath(entry));
        found[entry.toStdString()] =
            entry != name() && in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : "";
    }
    EXPECT_EQ(found, expected);
}

} // namespace e2e
