// What a quiet Quillon costs in CPU: a list of 50 rows whose quotes come back
// filled, with prices that move each tick as a live market's do, against 50
// rows whose replies are all empty, the window shown and hidden in the tray.
// Filled rows should cost little more than empty ones: updates should be
// cheap, not only rare.
//
// The four configurations run at once, each Quillon on an Xvfb of its own
// under openbox with trayer's tray, and are read over the same windows of
// time: whatever else the machine does then weighs on all four alike, which
// running them one after the other could not promise on a shared machine.
// A measurement, not a test: it prints what it saw and exits 0 whether or not
// the target is met.
#include "bench/benchfigures.h"
#include "demo/standinserver.h"
#include "net/loopbackhttp.h"
#include "quote/gbk.h"
#include "quote/market.h"
#include "version.h"
#include "watchlist/watchlistfiles.h"

#include "tests/support/testdisplay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include <unistd.h>

using namespace Qt::StringLiterals;

using testdisplay::TestDisplay;
using testdisplay::waitUntil;

namespace {

constexpr int kRows = 50;
constexpr double kTargetRatio = 1.2;
constexpr int kDefaultSeconds = 60;
constexpr int kDefaultRounds = 3;
// Past the two ticks that make a Quillon ready its web engine goes on
// starting for a while; measured sooner, that start is what is seen.
constexpr int kDefaultSettleSeconds = 30;
// Four programs with their web engines starting at once on two shared cores.
constexpr int kStartDeadlineMs = 180000;
// Quillon asks every 8 s; a market that moves each second changes almost
// every price between two of its ticks.
constexpr int kMarketStepMs = 1000;

struct Configuration {
    const char* name;
    bool filled;
    bool inTray;
};

const Configuration kConfigurations[] = {
    {"filled, shown", true, false},
    {"empty, shown", false, false},
    {"filled, in the tray", true, true},
    {"empty, in the tray", false, true},
};

// CPU a process has spent so far, all its threads', those that ended too:
// precisely from its CPU clock, and as /proc/PID/stat counts it (utime +
// stime, in clock ticks of 10 ms), which is how it was measured by hand. At
// some 60 ms a minute the ticks alone would leave the ratio a sixth uncertain.
struct CpuTime {
    double clockMs = 0;
    double statMs = 0;
};

std::optional<CpuTime> cpuTime(qint64 pid) {
    clockid_t clock{};
    timespec spent{};
    if (::clock_getcpuclockid(pid_t(pid), &clock) != 0 || ::clock_gettime(clock, &spent) != 0)
        return std::nullopt;
    QFile file(u"/proc/%1/stat"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The command may hold blanks and parentheses; after its closing one come
    // the state (field 3) and the rest, utime and stime being fields 14 and 15.
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const double msPerTick = 1000.0 / double(::sysconf(_SC_CLK_TCK));
    return CpuTime{double(spent.tv_sec) * 1e3 + double(spent.tv_nsec) / 1e6,
                   double(fields[11].toLongLong() + fields[12].toLongLong()) * msPerTick};
}

// The watch list: the stand-in's stocks, then Shanghai codes it does not
// list, as many as make kRows.
QStringList watchListCodes(const standin::QuoteBook& book) {
    QStringList codes;
    for (const standin::Instrument& stock : book.stocks())
        codes.append(stock.code);
    for (int extra = 0; codes.size() < kRows; ++extra)
        codes.append(u"603%1"_s.arg(extra, 3, 10, QChar(u'0')));
    return codes.mid(0, kRows);
}

// One Quillon's quote service, on a port of its own so that its requests show
// that program's ticks. Filled, row i gets the reply of the stand-in's stock
// i (round again past its last) under the row's own code, at the price the
// stand-in's walk has reached; empty, every row gets the service's answer for
// a code it does not know, a 200 with an empty body. The two indexes are
// filled for both, so that only the rows tell the configurations apart.
class QuoteService {
public:
    QuoteService(const standin::QuoteBook& book, const QStringList& codes, bool filled)
        : m_book(book)
        , m_codes(codes)
        , m_filled(filled)
        , m_http([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            ++m_requests;
            responder.write(body(request.url().query(QUrl::FullyEncoded)),
                            {{"Content-Type", "text/plain; charset=gbk"}});
        }) {}

    quint16 listen() { return m_http.listen(0); }
    int requests() const { return m_requests; }

private:
    QByteArray body(const QString& query) const {
        const QString code = query.mid(3);
        if (query.startsWith(u"zs_"_s)) {
            const standin::Instrument* index = m_book.index(code);
            return index ? gbk::encode(standin::quoteLine(*index, QDateTime::currentDateTime()))
                         : QByteArray();
        }
        const qsizetype row = m_codes.indexOf(code);
        if (!m_filled || !query.startsWith(u"cn_"_s) || row < 0)
            return {};
        const auto& stocks = m_book.stocks();
        standin::Instrument stock = stocks[std::size_t(row) % stocks.size()];
        stock.code = code;
        const std::string_view market = quote::marketPrefix(quote::marketOf(code.toStdU16String()));
        stock.market = QString::fromLatin1(market.data(), qsizetype(market.size()));
        return gbk::encode(standin::quoteLine(stock, QDateTime::currentDateTime()));
    }

    const standin::QuoteBook& m_book;
    QStringList m_codes;
    bool m_filled;
    http::LoopbackHttp m_http;
    int m_requests = 0;
};

// One configuration: its desktop, its quote service and its Quillon.
class Desk {
public:
    Desk(const Configuration& configuration, const standin::QuoteBook& book,
         const QStringList& codes)
        : m_configuration(configuration)
        , m_codes(codes)
        , m_service(book, codes, configuration.filled) {}
    ~Desk() { testdisplay::stop(m_quillon); }

    const Configuration& configuration() const { return m_configuration; }
    const QString& displayName() const { return m_display.name(); }
    qint64 pid() const { return m_quillon.processId(); }
    int requests() const { return m_service.requests(); }
    bool running() const { return m_quillon.state() == QProcess::Running; }
    QString logPath() const { return m_home.filePath(u"quillon.log"_s); }

    // The desktop as a user's has it, the tray before Quillon so that its
    // icon docks; the list as the three files Quillon reads from the user's
    // configuration folder; Quillon copied to a folder of its own, where no
    // list or portable marker beside the built program can stand in for that.
    std::string start(const QString& quillon, const QString& siteUrl) {
        for (const auto& step : {std::function([&] {
                                     return m_display.start({1024, 768});
                                 }),
                                 std::function([&] { return m_display.startWindowManager(); }),
                                 std::function([&] { return m_display.startTray(); })})
            if (std::string failed = step(); !failed.empty())
                return failed;
        const quint16 port = m_service.listen();
        if (port == 0)
            return "the quote service could not listen on 127.0.0.1";

        const QString program = m_programDir.filePath(u"Quillon"_s);
        const QDir listFolder(m_home.filePath(u"config/Quillon"_s));
        if (!QFile::copy(quillon, program) ||
            !QFile::setPermissions(program, QFile::permissions(quillon)) ||
            !listFolder.mkpath(u"."_s))
            return "could not lay out Quillon's folders in " + m_home.path().toStdString();
        QByteArray codeLines, emptyLines;
        for (const QString& code : m_codes) {
            codeLines += watchlist::encodeLine(code);
            emptyLines += watchlist::encodeLine({}); // no alert prices: the alerts are off
        }
        for (const auto& [name, lines] : {std::pair(watchlist::kCodeFile, codeLines),
                                          std::pair(watchlist::kTakeProfitFile, emptyLines),
                                          std::pair(watchlist::kStopLossFile, emptyLines)}) {
            QFile file(listFolder.filePath(QLatin1String(name)));
            if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size())
                return "could not write " + file.fileName().toStdString();
        }

        // A home of its own for the web engine's profile and caches; quotes
        // from this desk's service, everything else from the stand-in.
        QProcessEnvironment environment = m_display.environment();
        environment.remove(u"QT_SCALE_FACTOR"_s);
        environment.remove(u"QT_SCREEN_SCALE_FACTORS"_s);
        const QString home = m_home.path();
        for (const auto& [name, value] :
             {std::pair(u"QT_QPA_PLATFORM"_s, u"xcb"_s),
              {u"QT_ENABLE_HIGHDPI_SCALING"_s, u"0"_s},
              {u"HOME"_s, home},
              {u"XDG_RUNTIME_DIR"_s, home},
              {u"XDG_CONFIG_HOME"_s, home + u"/config"_s},
              {u"XDG_DATA_HOME"_s, home + u"/data"_s},
              {u"XDG_CACHE_HOME"_s, home + u"/cache"_s},
              {u"QUILLON_QUOTE_URL"_s, u"http://127.0.0.1:%1"_s.arg(port)},
              {u"QUILLON_SITE_URL"_s, siteUrl},
              {u"QUILLON_CHART_URL"_s, siteUrl},
              {u"QUILLON_NEWS_URL"_s, siteUrl}})
            environment.insert(name, value);
        m_quillon.setProcessEnvironment(environment);
        m_quillon.setWorkingDirectory(home);
        // Chromium's lines would drown the table; they are kept for a program that fails.
        m_quillon.setStandardOutputFile(QProcess::nullDevice());
        m_quillon.setStandardErrorFile(logPath());
        testdisplay::dieWithParent(m_quillon);
        m_quillon.start(program, {});
        return m_quillon.waitForStarted(10000)
                   ? std::string()
                   : "Quillon did not start: " + m_quillon.errorString().toStdString();
    }

    // Two ticks answered (each asks every row and both indexes) and the main
    // window on the screen: the web views have started and the list is full.
    bool ready() const {
        return m_service.requests() >= 2 * (kRows + 2) && !mainWindow().isEmpty();
    }

    // The close box, as a user closes the window into the tray: once the icon
    // has docked in trayer's panel, and then until the window has left the screen.
    std::string hideToTray() {
        if (!waitUntil(
                [&] {
                    return m_display
                        .run(u"xwininfo"_s, {u"-tree"_s, u"-id"_s, m_display.trayPanel()})
                        .contains("\"Quillon\"");
                },
                30000))
            return "Quillon's icon never docked in the tray";
        const QString window = mainWindow();
        m_display.sendCloseRequest(window);
        if (!waitUntil([&] { return mainWindow().isEmpty(); }, 15000))
            return "the close box left the window on the screen";
        return running() ? std::string() : "the close box ended Quillon";
    }

private:
    // The main window, mapped, known by its caption (the tray icon's window
    // is called "Quillon"); empty when none is. xdotool takes a window that
    // meets any one condition unless told --all.
    QString mainWindow() const {
        return QString::fromLatin1(
                   m_display.run(u"xdotool"_s, {u"search"_s, u"--all"_s, u"--onlyvisible"_s,
                                                u"--pid"_s, QString::number(pid()), u"--name"_s,
                                                QStringLiteral("^QuillonV" QUILLON_VERSION " ")}))
            .section(u'\n', 0, 0);
    }

    const Configuration& m_configuration;
    QStringList m_codes;
    TestDisplay m_display;
    QuoteService m_service;
    QTemporaryDir m_programDir;
    QTemporaryDir m_home;
    QProcess m_quillon;
};

void pause(int ms) {
    waitUntil([] { return false; }, ms);
}

// CPU per minute in ms, and in % of a core.
QString figures(double cpuMs, double seconds) {
    const double perMinute = cpuMs * 60 / seconds;
    return u"%1 %2"_s.arg(perMinute, 8, 'f', 1).arg(perMinute / 600, 7, 'f', 3);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int seconds = bench::positiveOption(arguments, u"--seconds"_s, kDefaultSeconds);
    const int rounds = bench::positiveOption(arguments, u"--rounds"_s, kDefaultRounds);
    const int settleSeconds =
        bench::positiveOption(arguments, u"--settle"_s, kDefaultSettleSeconds);
    if (!gbk::available()) {
        std::fprintf(stderr, "this Qt has no GBK codec; the replies could not be encoded\n");
        return 1;
    }

    // The stand-in serves the maker's pages, the charts and the news to every
    // Quillon, and its walk is the market the filled replies show.
    standin::StandinServer standin(quint64(QDateTime::currentMSecsSinceEpoch()), kMarketStepMs);
    const quint16 standinPort = standin.listen(0);
    if (standinPort == 0) {
        std::fprintf(stderr, "the stand-in could not listen on 127.0.0.1\n");
        return 1;
    }
    const QStringList codes = watchListCodes(standin.book());
    const QString quillon = QCoreApplication::applicationDirPath() + u"/Quillon"_s;

    std::vector<std::unique_ptr<Desk>> desks;
    for (const Configuration& configuration : kConfigurations) {
        desks.push_back(std::make_unique<Desk>(configuration, standin.book(), codes));
        if (const std::string failed =
                desks.back()->start(quillon, u"http://127.0.0.1:%1"_s.arg(standinPort));
            !failed.empty()) {
            std::fprintf(stderr, "%s: %s\n", configuration.name, failed.c_str());
            return 1;
        }
    }
    for (const auto& desk : desks) {
        const bool ready =
            waitUntil([&] { return !desk->running() || desk->ready(); }, kStartDeadlineMs);
        if (!ready || !desk->running()) {
            std::fprintf(
                stderr, "%s: Quillon %s; its output is in %s\n", desk->configuration().name,
                desk->running() ? "did not come up in time" : "ended", qPrintable(desk->logPath()));
            return 1;
        }
        if (desk->configuration().inTray)
            if (const std::string failed = desk->hideToTray(); !failed.empty()) {
                std::fprintf(stderr, "%s: %s\n", desk->configuration().name, failed.c_str());
                return 1;
            }
    }
    // What starting and hiding to the tray set going ends before anything is counted.
    pause(settleSeconds * 1000);

    std::printf("CPU of Quillon's own process with %d rows, each configuration on an Xvfb of its\n"
                "own under openbox with trayer's tray, all four at once; %d windows of %d s after\n"
                "%d s settled. Filled replies move every %d ms; empty ones are the service's 200\n"
                "with an empty body; both indexes are filled for all.\n\n",
                kRows, rounds, seconds, settleSeconds, kMarketStepMs);
    std::printf("%-6s %-20s %-8s %8s %7s  %-17s %9s\n", "window", "configuration", "display",
                "ms/min", "% core", "/proc stat ms/min", "requests");

    constexpr int kCount = int(std::size(kConfigurations));
    double clockTotal[kCount] = {}, statTotal[kCount] = {};
    std::vector<double> windowClockMs[kCount];
    int requestsTotal[kCount] = {};
    for (int round = 1; round <= rounds; ++round) {
        std::optional<CpuTime> before[kCount];
        int requestsBefore[kCount];
        for (int i = 0; i < kCount; ++i) {
            before[i] = cpuTime(desks[i]->pid());
            requestsBefore[i] = desks[i]->requests();
        }
        pause(seconds * 1000);
        for (int i = 0; i < kCount; ++i) {
            const std::optional<CpuTime> after = cpuTime(desks[i]->pid());
            if (!before[i] || !after || !desks[i]->running()) {
                std::fprintf(stderr, "%s: Quillon ended; its output is in %s\n",
                             kConfigurations[i].name, qPrintable(desks[i]->logPath()));
                return 1;
            }
            const double clockMs = after->clockMs - before[i]->clockMs;
            const double statMs = after->statMs - before[i]->statMs;
            const int requests = desks[i]->requests() - requestsBefore[i];
            clockTotal[i] += clockMs;
            statTotal[i] += statMs;
            requestsTotal[i] += requests;
            windowClockMs[i].push_back(clockMs);
            // The requests show that each Quillon ticked as often as the others.
            std::printf("%-6d %-20s %-8s %s  %17.0f %9d\n", round, kConfigurations[i].name,
                        qPrintable(desks[i]->displayName()), qPrintable(figures(clockMs, seconds)),
                        statMs * 60 / seconds, requests);
        }
        std::fflush(stdout);
    }

    const double total = double(rounds * seconds);
    std::printf("\nOver all %d s       %8s %7s  %17s\n", rounds * seconds, "ms/min", "% core",
                "/proc stat ms/min");
    for (int i = 0; i < kCount; ++i)
        std::printf("  %-20s %s  %17.1f\n", kConfigurations[i].name,
                    qPrintable(figures(clockTotal[i], total)), statTotal[i] * 60 / total);

    std::printf("\nTarget: filled rows at most %.1f times the CPU of empty rows\n", kTargetRatio);
    for (const auto& [where, filled, empty] : {std::tuple("shown", 0, 1), {"in the tray", 2, 3}}) {
        const double ratio = clockTotal[empty] > 0 ? clockTotal[filled] / clockTotal[empty] : 0;
        const double statRatio = statTotal[empty] > 0 ? statTotal[filled] / statTotal[empty] : 0;
        // How far single windows stray from it says how much the figure can be trusted.
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round)
            if (windowClockMs[empty][round] > 0)
                ratios.push_back(windowClockMs[filled][round] / windowClockMs[empty][round]);
        const auto [least, most] = std::minmax_element(ratios.begin(), ratios.end());
        std::printf("  %-12s filled/empty %.2f -> %s   (windows %.2f to %.2f; /proc stat %.2f)\n",
                    where, ratio, ratio > 0 && ratio <= kTargetRatio ? "met" : "NOT met",
                    ratios.empty() ? 0 : *least, ratios.empty() ? 0 : *most, statRatio);
        // The ratio depends on what an idle Quillon costs on this machine; the
        // difference is what the filled rows' updates cost themselves.
        const double ticks = double(requestsTotal[filled]) / (kRows + 2);
        std::printf("  %-12s filled costs %.1f ms/min more, %.2f ms more a tick of %d rows\n", "",
                    (clockTotal[filled] - clockTotal[empty]) * 60 / total,
                    ticks > 0 ? (clockTotal[filled] - clockTotal[empty]) / ticks : 0, kRows);
    }
    return 0;
}
