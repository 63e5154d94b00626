// The built Quillon, run as a user would run it: copied into a directory of its
// own beside its three watch-list files, on a real X server of the test's own,
// talking to a quote service and the maker's pages on loopback.
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/prctl.h>

#ifndef QUILLON_EXECUTABLE
#error "QUILLON_EXECUTABLE must name the built Quillon"
#endif

namespace {

const QString kCaption = "QuillonV5.2      By Orlan";

// The watch-list files as the test writes them: ASCII, CR LF after every line.
const QMap<QString, QByteArray> kWatchListFiles{
    {"Setting.ini", "600000\r\n000858\r\n300750\r\n"},
    {"Setting2.ini", "10.50\r\n160.00\r\n200\r\n"},
    {"Setting3.ini", "9.50\r\n140.00\r\n180\r\n"},
};

// A child that must not outlive the test, even when the test is killed.
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

QByteArray stockReply(const QString& code, const QString& name, const char* price,
                      const char* change, const char* high) {
    return "'sh','" + code.toLatin1() + "','" + gbk::encode(name) + "','" + price + "','" + change +
           "','o','p','b','a','v','m','" + high + "'";
}

// Answers of the quote service and of the maker's pages. Anything else (the
// browser's icon request, say) gets a 404.
ScriptedResponse answer(const RecordedRequest& request) {
    static const QMap<QByteArray, QByteArray> quotes{
        {"/msq?cn_600000", stockReply("600000", "浦发银行", "10.23", "-1.25%", "10.40")},
        {"/msq?cn_000858", stockReply("000858", "五粮液", "150.00", "0.00%", "151.20")},
        {"/msq?cn_300750", stockReply("300750", "宁德时代", "190.10", "2.10%", "192.00")},
        {"/msq?zs_399001", "'sz','399001','" + gbk::encode(u"深证成指") + "','9876.54','-0.52%'"},
        {"/msq?zs_000001", "'sh','000001','" + gbk::encode(u"上证指数") + "','3012.34','0.31%'"},
    };
    static const QMap<QByteArray, QByteArray> pages{
        {"/gonggao.htm", "<html><body>" + gbk::encode(u"今日公告") + "</body></html>"},
        {"/htm/fengxian.htm", "<html><body>" + gbk::encode(u"低") + "</body></html>"},
        {"/map2.asp?cid=15&page=1", "<html><body>600000</body></html>"},
    };
    ScriptedResponse response;
    if (const auto quote = quotes.constFind(request.target); quote != quotes.cend()) {
        response.headers = {{"Content-Type", "text/plain; charset=GBK"}};
        response.body = *quote;
    } else if (const auto page = pages.constFind(request.target); page != pages.cend()) {
        response.headers = {{"Content-Type", "text/html; charset=GBK"}};
        response.body = *page;
    } else {
        response.status = 404;
        response.body = "not here";
    }
    return response;
}

// The service runs in a thread of its own: the test blocks on the X tools now
// and then, and the service must answer on time meanwhile.
class ServiceThread {
public:
    ServiceThread()
        : m_server(new ScriptedHttpServer) {
        m_server->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
        m_thread.start();
    }
    ~ServiceThread() {
        m_thread.quit();
        m_thread.wait();
    }
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    // The listening socket belongs to the thread that serves it. Returns the
    // moment the server's request clock started, on the caller's clock.
    bool listen(const QElapsedTimer& clock, qint64* serverClockStartMs) {
        bool listening = false;
        QMetaObject::invokeMethod(
            m_server,
            [&] {
                listening = m_server->listen();
                *serverClockStartMs = clock.elapsed();
            },
            Qt::BlockingQueuedConnection);
        return listening;
    }
    ScriptedHttpServer& server() { return *m_server; }

private:
    QThread m_thread;
    ScriptedHttpServer* m_server;
};

struct Arrival {
    QByteArray target;
    qint64 ms; // since Quillon was started
};

class QuillonEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "xwininfo", "trayer"}) {
            m_tools[tool] = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            ASSERT_FALSE(m_tools[tool].isEmpty())
                << tool << " is missing; scripts/install-deps.sh installs it";
        }
        ASSERT_TRUE(QFile::exists(QUILLON_EXECUTABLE)) << QUILLON_EXECUTABLE;
        ASSERT_TRUE(gbk::available());
        startXServer();
        if (HasFatalFailure())
            return;

        ASSERT_TRUE(m_programDir.isValid());
        ASSERT_TRUE(m_homeDir.isValid());
        m_program = m_programDir.filePath("Quillon");
        ASSERT_TRUE(QFile::copy(QUILLON_EXECUTABLE, m_program));
        ASSERT_TRUE(QFile::setPermissions(m_program, QFile::permissions(QUILLON_EXECUTABLE)));
        for (auto file = kWatchListFiles.cbegin(); file != kWatchListFiles.cend(); ++file) {
            QFile out(m_programDir.filePath(file.key()));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            ASSERT_EQ(out.write(file.value()), file.value().size());
        }

        m_clock.start();
        ASSERT_TRUE(m_service.listen(m_clock, &m_serverClockStartMs));
        m_service.server().setHandler(answer);
    }

    void TearDown() override {
        if (HasFailure()) {
            const QByteArray output = m_quillon.readAll().right(4000);
            std::fprintf(stderr, "Quillon's output:\n%s\n",
                         output.isEmpty() ? "(none)" : output.constData());
        }
        stopProcess(m_quillon);
        stopProcess(m_trayer);
        stopProcess(m_xserver);
    }

    // An X server on the first free display; Xvfb itself reports which.
    void startXServer() {
        dieWithParent(m_xserver);
        m_xserver.start(m_tools["Xvfb"],
                        {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
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

    // Runs an X tool to its end; its standard output, or a null array when it failed.
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

    void startQuillon() {
        QProcessEnvironment environment = toolEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        const QString base = m_service.server().baseUrl();
        for (const char* name :
             {"QUILLON_QUOTE_URL", "QUILLON_SITE_URL", "QUILLON_CHART_URL", "QUILLON_NEWS_URL"})
            environment.insert(name, base);
        // The browser's profile and caches go to a home of the test's own, not
        // beside the program and not into the user's.
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
        // Started elsewhere than its own directory: it must find its files by its own path.
        m_quillon.setWorkingDirectory(home);
        m_quillon.setProcessChannelMode(QProcess::MergedChannels);
        dieWithParent(m_quillon);
        m_startedMs = m_clock.elapsed();
        m_quillon.start(m_program, {});
        ASSERT_TRUE(m_quillon.waitForStarted(10000)) << m_quillon.errorString().toStdString();
    }

    // Every request so far, timed from Quillon's start; quotesOnly keeps /msq requests.
    QList<Arrival> arrivals(bool quotesOnly) {
        QList<Arrival> result;
        for (const RecordedRequest& request : m_service.server().requests()) {
            if (quotesOnly && !request.target.startsWith("/msq?"))
                continue;
            result.append({request.target, request.arrivedMs + m_serverClockStartMs - m_startedMs});
        }
        return result;
    }

    bool wasAskedFor(const QByteArray& target) {
        for (const Arrival& arrival : arrivals(false)) {
            if (arrival.target == target)
                return true;
        }
        return false;
    }

    qint64 sinceStartMs() const { return m_clock.elapsed() - m_startedMs; }

    void expectBothStartUpPagesRequested() {
        EXPECT_TRUE(waitUntil([&] { return wasAskedFor("/gonggao.htm"); }, 20000))
            << "the announcement strip never asked for its page";
        EXPECT_TRUE(waitUntil([&] { return wasAskedFor("/htm/fengxian.htm"); }, 20000))
            << "the market-risk box never asked for its page";
    }

    // The main window, found by its exact title and mapped on the screen.
    void expectMainWindowMapped() {
        const bool found = waitUntil(
            [&] {
                const QByteArray ids =
                    runTool("xdotool", {"search", "--name", "^QuillonV5\\.2      By Orlan$"});
                for (const QByteArray& id : ids.split('\n')) {
                    if (id.trimmed().isEmpty())
                        continue;
                    const QByteArray name = runTool("xdotool", {"getwindowname", id.trimmed()});
                    const QByteArray info = runTool("xwininfo", {"-id", id.trimmed()});
                    if (name == kCaption.toUtf8() + "\n" && info.contains("Map State: IsViewable"))
                        return true;
                }
                return false;
            },
            20000);
        EXPECT_TRUE(found) << "no mapped window titled \"" << kCaption.toStdString() << "\"";
    }

    // SIGTERM ends the program by itself, cleanly, and leaves the watch list as it was.
    void expectCleanExitOnTerminate() {
        ASSERT_EQ(m_quillon.state(), QProcess::Running) << "Quillon ended before it was asked to";
        QElapsedTimer exiting;
        exiting.start();
        m_quillon.terminate();
        ASSERT_TRUE(waitUntil([&] { return m_quillon.state() == QProcess::NotRunning; }, 5000))
            << "still running 5 s after SIGTERM";
        EXPECT_EQ(m_quillon.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(m_quillon.exitCode(), 0) << m_quillon.readAll().right(4000).constData();
        std::printf("Quillon ended %lld ms after SIGTERM\n", qint64(exiting.elapsed()));

        for (auto file = kWatchListFiles.cbegin(); file != kWatchListFiles.cend(); ++file) {
            QFile in(m_programDir.filePath(file.key()));
            ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file.key().toStdString();
            EXPECT_EQ(in.readAll().toStdString(), file.value().toStdString())
                << file.key().toStdString();
        }
        const QStringList left =
            QDir(m_programDir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name);
        EXPECT_EQ(left, (QStringList{"Quillon", "Setting.ini", "Setting2.ini", "Setting3.ini"}));
    }

    // trayer's panel window, once it is on the screen.
    QByteArray trayPanelId() const {
        const QByteArray tree = runTool("xwininfo", {"-root", "-tree"});
        static const QRegularExpression panel(R"((0x[0-9a-f]+) "panel": \("panel" "trayer"\))");
        const QRegularExpressionMatch match = panel.match(QString::fromUtf8(tree));
        return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
    }

    QMap<QString, QString> m_tools;
    QProcess m_xserver;
    QString m_display;
    QProcess m_trayer;
    QTemporaryDir m_programDir;
    QTemporaryDir m_homeDir;
    QString m_program;
    ServiceThread m_service;
    QElapsedTimer m_clock;
    qint64 m_serverClockStartMs = 0;
    qint64 m_startedMs = 0;
    QProcess m_quillon;
};

} // namespace

TEST_F(QuillonEndToEnd, RefreshesEveryEightSecondsInListOrderAndEndsCleanlyOnSigterm) {
    ASSERT_NO_FATAL_FAILURE(startQuillon());
    expectBothStartUpPagesRequested();
    expectMainWindowMapped();

    const auto quotes = [&] {
        return arrivals(true);
    };
    ASSERT_TRUE(waitUntil([&] { return quotes().size() >= 5 || sinceStartMs() > 14000; }, 16000));
    QList<Arrival> seen = quotes();
    ASSERT_GE(seen.size(), 5) << "the first tick did not come within 14 s";
    const QList<QByteArray> tick{"/msq?cn_600000", "/msq?cn_000858", "/msq?cn_300750",
                                 "/msq?zs_399001", "/msq?zs_000001"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(seen[i].target.toStdString(), tick[i].toStdString())
            << "request " << i << " of the first tick";
    // Nothing fetches quotes at start-up: the first tick is Timer1's, 8 s in.
    const qint64 firstTickMs = seen[0].ms;
    EXPECT_GE(firstTickMs, 7500);
    EXPECT_LE(firstTickMs, 11000);
    for (const QByteArray& page : {QByteArray("/gonggao.htm"), QByteArray("/htm/fengxian.htm")}) {
        const QList<Arrival> all = arrivals(false);
        const auto asked = std::find_if(all.cbegin(), all.cend(),
                                        [&](const Arrival& a) { return a.target == page; });
        ASSERT_NE(asked, all.cend()) << page.constData();
        EXPECT_LT(asked->ms, firstTickMs) << page.constData() << " came after the first tick";
    }

    ASSERT_TRUE(waitUntil([&] { return quotes().size() >= 10; }, 12000))
        << "the second tick did not come within 12 s of the first";
    seen = quotes();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(seen[5 + i].target.toStdString(), tick[i].toStdString())
            << "request " << i << " of the second tick";
    const qint64 periodMs = seen[5].ms - firstTickMs;
    EXPECT_GE(periodMs, 7000);
    EXPECT_LE(periodMs, 9500);
    std::printf("first tick %lld ms after start, second %lld ms after the first\n",
                qint64(firstTickMs), qint64(periodMs));

    expectCleanExitOnTerminate();
}

TEST_F(QuillonEndToEnd, WithATrayTheIconDocksAndTheProgramStillStartsAndEndsCleanly) {
    dieWithParent(m_trayer);
    m_trayer.setProcessEnvironment(toolEnvironment());
    m_trayer.setProcessChannelMode(QProcess::MergedChannels);
    m_trayer.start(m_tools["trayer"], {"--edge", "top", "--align", "right"});
    QByteArray panel;
    ASSERT_TRUE(waitUntil(
        [&] {
            panel = trayPanelId();
            return !panel.isEmpty();
        },
        10000))
        << "trayer's panel never appeared";

    ASSERT_NO_FATAL_FAILURE(startQuillon());
    expectBothStartUpPagesRequested();
    expectMainWindowMapped();
    EXPECT_TRUE(waitUntil(
        [&] {
            return runTool("xwininfo", {"-tree", "-id", QString::fromLatin1(panel)})
                .contains(R"(("Quillon" "Quillon"))");
        },
        15000))
        << "Quillon's tray icon never docked in the tray";
    EXPECT_EQ(m_trayer.state(), QProcess::Running) << m_trayer.readAll().constData();

    expectCleanExitOnTerminate();
}
