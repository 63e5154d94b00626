// Docking at the screen edges, end to end: the built Quillon on an X server of
// the test's own without a window manager, so the window's frame is the window
// itself and nothing but Quillon moves it once the test has put it somewhere.
// The test moves the window and the pointer with xdotool and reads the window's
// place with xwininfo.
#include "tests/support/scriptedhttpserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <sys/prctl.h>

#ifndef QUILLON_EXECUTABLE
#error "QUILLON_EXECUTABLE must name the built Quillon"
#endif

namespace {

const QString kCaption = "QuillonV5.2      By Orlan";

// The main window is 5955 x 4905 twips. A hidden window leaves its 40-twip
// strip on screen, 3 pixels; a shown one reaches 10 twips, 1 pixel, beyond the edge.
const QSize kWindow(397, 327);
constexpr int kStrip = 3;
constexpr int kOverhang = 1;
const QSize kScreen(1280, 800);

// Timer3 ticks every 500 ms; the move must follow within a few ticks even on a
// busy machine.
constexpr int kMoveWithinMs = 2000;
// Long enough for three ticks: a window that should stay put has had its chance to move.
constexpr int kRestMs = 1600;
// Two ticks, for a docked window that should rest while the pointer stays.
constexpr int kShortRestMs = 1100;

// Outside every place the window is put in below.
const QPoint kPointerAway(1000, 700);

void dieWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(25);
    }
    return true;
}

void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}

std::string text(QPoint point) {
    return "(" + std::to_string(point.x()) + ", " + std::to_string(point.y()) + ")";
}

struct WindowInfo {
    QPoint position;
    QSize size;
    bool viewable = false;
};

class DockEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "xwininfo"}) {
            m_tools[tool] = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            ASSERT_FALSE(m_tools[tool].isEmpty())
                << tool << " is missing; scripts/install-deps.sh installs it";
        }
        ASSERT_TRUE(QFile::exists(QUILLON_EXECUTABLE)) << QUILLON_EXECUTABLE;
        ASSERT_NO_FATAL_FAILURE(startXServer());

        // The quote service and the maker's pages are on loopback and know
        // nothing: docking does not depend on them.
        ASSERT_TRUE(m_service.listen());
        m_service.setHandler([](const RecordedRequest&) {
            ScriptedResponse response;
            response.status = 404;
            response.body = "not here";
            return response;
        });

        ASSERT_TRUE(m_programDir.isValid());
        ASSERT_TRUE(m_homeDir.isValid());
        const QString program = m_programDir.filePath("Quillon");
        ASSERT_TRUE(QFile::copy(QUILLON_EXECUTABLE, program));
        ASSERT_TRUE(QFile::setPermissions(program, QFile::permissions(QUILLON_EXECUTABLE)));
        ASSERT_NO_FATAL_FAILURE(startQuillon(program));
        ASSERT_NO_FATAL_FAILURE(findMainWindow());
    }

    void TearDown() override {
        if (HasFailure()) {
            const QByteArray output = m_quillon.readAll().right(4000);
            std::fprintf(stderr, "Quillon's output:\n%s\n",
                         output.isEmpty() ? "(none)" : output.constData());
        }
        stopProcess(m_quillon);
        stopProcess(m_xserver);
    }

    void startXServer() {
        dieWithParent(m_xserver);
        m_xserver.start(m_tools["Xvfb"],
                        {"-displayfd", "1", "-screen", "0",
                         QString("%1x%2x24").arg(kScreen.width()).arg(kScreen.height()),
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
        const int display = announced.trimmed().toInt(&ok);
        ASSERT_TRUE(ok) << "Xvfb said: " << announced.constData()
                        << m_xserver.readAllStandardError().constData();
        m_display = ":" + QString::number(display);
    }

    QProcessEnvironment toolEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", m_display);
        environment.remove("WAYLAND_DISPLAY");
        return environment;
    }

    QByteArray runTool(const char* tool, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(toolEnvironment());
        process.start(m_tools.value(tool), arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(1000);
            return {};
        }
        const QByteArray out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
                   ? (out.isNull() ? QByteArray("") : out)
                   : QByteArray();
    }

    void startQuillon(const QString& program) {
        QProcessEnvironment environment = toolEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        // One pixel is one device-independent pixel here, whatever the machine says.
        environment.remove("QT_SCALE_FACTOR");
        environment.remove("QT_SCREEN_SCALE_FACTORS");
        environment.insert("QT_ENABLE_HIGHDPI_SCALING", "0");
        for (const char* name :
             {"QUILLON_QUOTE_URL", "QUILLON_SITE_URL", "QUILLON_CHART_URL", "QUILLON_NEWS_URL"})
            environment.insert(name, m_service.baseUrl());
        const QString home = m_homeDir.path();
        environment.insert("HOME", home);
        environment.insert("XDG_CONFIG_HOME", home + "/config");
        environment.insert("XDG_DATA_HOME", home + "/data");
        environment.insert("XDG_CACHE_HOME", home + "/cache");
        QDir(home).mkpath("runtime");
        QFile::setPermissions(home + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert("XDG_RUNTIME_DIR", home + "/runtime");

        m_quillon.setProcessEnvironment(environment);
        m_quillon.setWorkingDirectory(home);
        m_quillon.setProcessChannelMode(QProcess::MergedChannels);
        dieWithParent(m_quillon);
        m_quillon.start(program, {});
        ASSERT_TRUE(m_quillon.waitForStarted(10000)) << m_quillon.errorString().toStdString();
    }

    std::optional<WindowInfo> windowInfo() const {
        const QString info = QString::fromUtf8(runTool("xwininfo", {"-id", m_window}));
        static const QRegularExpression x(R"(Absolute upper-left X:\s+(-?\d+))");
        static const QRegularExpression y(R"(Absolute upper-left Y:\s+(-?\d+))");
        static const QRegularExpression width(R"(Width:\s+(\d+))");
        static const QRegularExpression height(R"(Height:\s+(\d+))");
        const auto matchX = x.match(info), matchY = y.match(info);
        const auto matchWidth = width.match(info), matchHeight = height.match(info);
        if (!matchX.hasMatch() || !matchY.hasMatch() || !matchWidth.hasMatch() ||
            !matchHeight.hasMatch())
            return std::nullopt;
        return WindowInfo{{matchX.captured(1).toInt(), matchY.captured(1).toInt()},
                          {matchWidth.captured(1).toInt(), matchHeight.captured(1).toInt()},
                          info.contains("Map State: IsViewable")};
    }

    std::optional<QPoint> position() const {
        const auto info = windowInfo();
        return info ? std::optional<QPoint>(info->position) : std::nullopt;
    }

    // The main window, by its exact title, once it is on the screen.
    void findMainWindow() {
        const bool found = waitUntil(
            [&] {
                const QByteArray ids =
                    runTool("xdotool", {"search", "--name", "^QuillonV5\\.2      By Orlan$"});
                for (const QByteArray& id : ids.split('\n')) {
                    if (id.trimmed().isEmpty())
                        continue;
                    m_window = QString::fromLatin1(id.trimmed());
                    const auto info = windowInfo();
                    if (runTool("xdotool", {"getwindowname", m_window}) ==
                            kCaption.toUtf8() + "\n" &&
                        info && info->viewable)
                        return true;
                }
                return false;
            },
            30000);
        ASSERT_TRUE(found) << "no mapped window titled \"" << kCaption.toStdString() << "\"";
        ASSERT_EQ(windowInfo()->size, kWindow) << "the sizes below assume the main window's";
    }

    void pointerTo(QPoint at) {
        ASSERT_FALSE(
            runTool("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y())})
                .isNull());
    }

    // Waits for the window to arrive at a place; how long it took, or -1.
    qint64 arrivalMs(QPoint expected, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        return waitUntil([&] { return position() == expected; }, timeoutMs) ? clock.elapsed() : -1;
    }

    // The pointer is put where it is first, so that the window, once there,
    // has no reason to move until the test moves the pointer again.
    void putWindow(QPoint at, QPoint pointer) {
        ASSERT_NO_FATAL_FAILURE(pointerTo(pointer));
        ASSERT_FALSE(runTool("xdotool", {"windowmove", m_window, QString::number(at.x()),
                                         QString::number(at.y())})
                         .isNull());
        ASSERT_GE(arrivalMs(at, 5000), 0) << "xdotool did not move the window to " << text(at);
    }

    // The window stays at its place for a few ticks.
    void expectStays(QPoint at, const char* why, int forMs = kRestMs) {
        std::optional<QPoint> seen;
        const bool moved = waitUntil(
            [&] {
                seen = position();
                return seen != at;
            },
            forMs);
        EXPECT_FALSE(moved) << why << ": it moved from " << text(at) << " to "
                            << (seen ? text(*seen) : "nowhere");
    }

    void expectMovesTo(QPoint expected, const char* what) {
        const qint64 ms = arrivalMs(expected, kMoveWithinMs);
        const auto seen = windowInfo();
        EXPECT_GE(ms, 0) << what << ": expected at " << text(expected) << " within "
                         << kMoveWithinMs << " ms, but it is at "
                         << (seen ? text(seen->position) : "nowhere");
        if (ms >= 0)
            std::printf("%s: %lld ms\n", what, ms);
        EXPECT_TRUE(seen && seen->viewable) << what << ": the window is not on screen";
    }

    // One edge: put the window against it with the pointer on the window,
    // move the pointer away (it hides to its strip), onto the strip (it comes
    // back, overhanging), and away again (it hides again).
    void expectDocking(QPoint against, QPoint pointerOnWindow, QPoint hidden, QPoint onStrip,
                       QPoint shown) {
        ASSERT_NO_FATAL_FAILURE(putWindow(against, pointerOnWindow));
        expectStays(against, "the pointer is on the window", kShortRestMs);
        ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
        expectMovesTo(hidden, "hides when the pointer leaves");
        ASSERT_NO_FATAL_FAILURE(pointerTo(onStrip));
        expectMovesTo(shown, "comes back when the pointer is on the strip");
        expectStays(shown, "shown while the pointer is on it", kShortRestMs);
        ASSERT_NO_FATAL_FAILURE(pointerTo(kPointerAway));
        expectMovesTo(hidden, "hides again when the pointer leaves");
    }

    QMap<QString, QString> m_tools;
    QProcess m_xserver;
    QString m_display;
    ScriptedHttpServer m_service;
    QTemporaryDir m_programDir;
    QTemporaryDir m_homeDir;
    QProcess m_quillon;
    QString m_window;
};

} // namespace

TEST_F(DockEndToEnd, StaysPutAwayFromTheEdgesWhereverThePointerIs) {
    {
        SCOPED_TRACE("in the middle of the screen");
        const QPoint middle(400, 200);
        ASSERT_NO_FATAL_FAILURE(putWindow(middle, kPointerAway));
        expectStays(middle, "the pointer is away");
        ASSERT_NO_FATAL_FAILURE(pointerTo(middle + QPoint(200, 150)));
        expectStays(middle, "the pointer is on the window");
    }
    {
        SCOPED_TRACE("5 pixels below the top and right of the left edge");
        ASSERT_NO_FATAL_FAILURE(putWindow({5, 5}, kPointerAway));
        expectStays({5, 5}, "one pixel too far from the top and the left edge");
    }
    {
        SCOPED_TRACE("right edge one pixel short of the screen's");
        const QPoint nearRight(kScreen.width() - kWindow.width() - 1, 200);
        ASSERT_NO_FATAL_FAILURE(putWindow(nearRight, kPointerAway));
        expectStays(nearRight, "one pixel is 15 twips, more than the 4 that dock");
    }
}

TEST_F(DockEndToEnd, HidesAtTheTopLeftAndRightEdgesAndComesBackOnTheStrip) {
    {
        SCOPED_TRACE("top edge, 3 pixels below the screen's top");
        expectDocking({300, 3}, {500, 150}, {300, kStrip - kWindow.height()}, {400, 1},
                      {300, -kOverhang});
    }
    {
        SCOPED_TRACE("left edge, 2 pixels from the screen's left");
        expectDocking({2, 200}, {100, 300}, {kStrip - kWindow.width(), 200}, {1, 300},
                      {-kOverhang, 200});
    }
    {
        SCOPED_TRACE("right edge, pushed partly beyond it");
        const int shownX = kScreen.width() - kWindow.width() + kOverhang;
        expectDocking({shownX, 200}, {1000, 300}, {kScreen.width() - kStrip, 200},
                      {kScreen.width() - 2, 300}, {shownX, 200});
    }
    {
        SCOPED_TRACE("top-left corner: hides upward");
        expectDocking({2, 2}, {100, 100}, {2, kStrip - kWindow.height()}, {100, 1},
                      {2, -kOverhang});
    }
}
