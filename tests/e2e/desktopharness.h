#pragma once
// What the end-to-end tests share: an X server of their own, so they need no
// display from the machine or from CI; the built programs run as a user runs them;
// a service on loopback; and the X tools that look at the screen. The void
// members fail fatally: call them in ASSERT_NO_FATAL_FAILURE.
#include "tests/support/scriptedhttpserver.h"
#include "tests/support/testdisplay.h"
#include "version.h"

#include <QElapsedTimer>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace e2e {

inline const QString kCaption = QStringLiteral("QuillonV" QUILLON_VERSION "      By Orlan");
inline const QString kTarvexCaption =
    QStringLiteral("TarvexV" TARVEX_VERSION "——最小的私募内线软件→→散户赚钱好帮手");

using testdisplay::waitUntil;

// The runs of a suite whose parameter is whether a window manager (openbox) runs.
inline std::string windowManagerName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Openbox" : "NoWindowManager";
}

// A rectangle as X tools write it, WxH+X+Y.
std::string text(const std::optional<QRect>& rect);

struct WindowState {
    QString title;
    QPoint position;
    QSize size;
    bool viewable = false;
};

// The display the programs run on, and what the tests ask the X tools about
// it. The starts say what went wrong: ASSERT_EQ(display.start(...), "").
class VirtualDisplay : public testdisplay::TestDisplay {
public:
    std::optional<WindowState> window(const QString& id) const;
    // The window's outer rectangle: its window manager's frame, or the window
    // itself where there is none.
    std::optional<QRect> frame(const QString& id) const;
    // The window's outer rectangle, while it is mapped.
    std::optional<QRect> outer(const QString& id) const {
        const auto state = window(id);
        return state && state->viewable ? frame(id) : std::nullopt;
    }
    // Whether the outer rectangle of the window, mapped, comes to meet `wanted`
    // within timeoutMs; where it was last is reported.
    ::testing::AssertionResult outerMeets(const QString& id,
                                          const std::function<bool(const QRect&)>& wanted,
                                          int timeoutMs = 5000) const;
    // The ICCCM state a window manager keeps: "Normal", "Iconic", or
    // "Withdrawn" (also when the property is gone).
    QString wmState(const QString& id) const;
    // A click (or two, as one double click) at a point of the screen; left by default.
    void click(QPoint at, int clicks = 1, int button = 1) const;
    // A right click at a point, then the entry `downs` down its menu, chosen with the keyboard.
    void choose(QPoint at, int downs) const;
    // What the window (or "root") shows now; a null image when it could not be had.
    QImage shot(const QString& id) const;
    // Our tray icon's centre in trayer's panel, once it has docked there.
    std::optional<QPoint> trayIcon(const QString& title) const;
};

// The quote service and the maker's pages: the given answers by request
// target (answer() changes one as it runs), a 404 for anything else.
class LoopbackService {
public:
    explicit LoopbackService(QMap<QByteArray, ScriptedResponse> answers = {});
    bool listen() { return (m_listening.start(), m_server.listen()); }
    void answer(const QByteArray& target, ScriptedResponse response) {
        m_answers[target] = std::move(response);
    }
    QString url() const { return m_server.baseUrl(); }

    struct Arrival {
        QByteArray target;
        qint64 ms = -1;
    };
    // The requests so far whose target starts so, timed from the moment `since` was started.
    QList<Arrival> arrivals(const QElapsedTimer& since, QByteArrayView targetPrefix = {}) const;

private:
    QMap<QByteArray, ScriptedResponse> m_answers;
    ScriptedHttpServer m_server;
    QElapsedTimer m_listening; // started with the server's own request clock
};

// Run as root, the tests start the programs as the ordinary user that
// scripts/ordinary-user.sh makes, so that Chromium's sandbox stays on. A folder
// a test makes for a program is then given to that user with all it holds so far.
::testing::AssertionResult giveToProgramUser(const QStringList& folders);
// A command line that runs command as that user (as it is where there is none).
QStringList asProgramUser(const QStringList& command);

// A built program (Quillon unless told otherwise), its main window known by
// its caption, copied into a temporary directory beside the given files,
// started from elsewhere (it must find its files by its own path), with every
// service URL on loopback and a home of its own for the browser's profile and
// caches, as the programs' user (giveToProgramUser()). Killed with the test;
// its output is printed when the test failed.
class ProgramRun {
public:
    explicit ProgramRun(const VirtualDisplay& display, QString executable = QUILLON_EXECUTABLE,
                        QString caption = kCaption)
        : m_display(display)
        , m_executable(std::move(executable))
        , m_caption(std::move(caption)) {}
    ~ProgramRun();
    void start(const QString& serviceUrl, const QMap<QString, QByteArray>& files = {});
    // The installed program, run where it is installed with no address set, so
    // that it asks its servers' default addresses; its files go where it keeps
    // them there, in the home's configuration folder.
    void startInstalled(const QMap<QString, QByteArray>& files = {});
    // The program's home; XDG_DATA_HOME is its "data".
    QString home() const { return m_homeDir.path(); }
    // Settings put last into the program's environment at start, over the harness's own.
    void addEnvironment(const QString& name, const QString& value) {
        m_extraEnvironment.insert(name, value);
    }
    const QElapsedTimer& started() const { return m_started; }
    // The mapped window titled exactly its caption: its id, or empty when none came in time.
    QString mainWindow(int timeoutMs) const;
    // The program's window with exactly this title, mapped or not; empty when none.
    QString windowTitled(const QString& title) const {
        return windowWhere([&](const WindowState& state) { return state.title == title; });
    }
    // Another mapped window of the program's, by its inner size, other than those besides.
    QString windowOfSize(QSize size, int timeoutMs, const QStringList& besides = {}) const;
    bool running() const { return m_process.state() == QProcess::Running; }
    // The same program file started once more, as a user would start it a
    // second time: its exit code, or -1 when it had not ended within withinMs.
    int startAgain(int withinMs = 10000) const;
    // SIGTERM ends it by itself within withinMs, cleanly, and its directory
    // holds what it held before.
    void expectEndsCleanlyOnSigterm(int withinMs = 5000);

private:
    // The last of the program's windows, mapped or not, whose state is wanted; empty when none.
    QString windowWhere(const std::function<bool(const WindowState&)>& wanted,
                        const QStringList& besides = {}) const;

    QString name() const;
    void launch(const QString& program, const QString& serviceUrl);

    const VirtualDisplay& m_display;
    QString m_executable;
    QString m_caption;
    QTemporaryDir m_programDir;
    QTemporaryDir m_homeDir;
    QMap<QString, QByteArray> m_files;
    QProcessEnvironment m_extraEnvironment;
    QProcess m_process;
    QElapsedTimer m_started;

public:
    qint64 processId() const { return m_process.processId(); }
    int exitCode() const { return m_process.exitCode(); } // once it has ended
};

} // namespace e2e
