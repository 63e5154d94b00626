// How Quillon's refresh tick compares with a tick made of blocking fetches, as
// a synchronous OpenURL call makes it: the tick's duration and how long the
// window's event loop stood still meanwhile. A measurement, not a test: it
// prints what it saw and exits 0 whether or not the targets are met.
#include "app/appstartup.h"
#include "bench/benchfigures.h"
#include "bench/blockingrefresh.h"
#include "bench/eventloopprobe.h"
#include "bench/servicethread.h"
#include "desk/deskrules.h"
#include "desk/refreshcycle.h"
#include "desk/watchlistmodel.h"
#include "desk/watchlistview.h"
#include "net/httpclient.h"
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 200;
constexpr int kServiceDelayMs = 20;
constexpr int kDefaultRuns = 3;
constexpr double kStallTargetMs = 16.0;
constexpr double kTickTolerance = 0.10;
constexpr int kTimeoutMs = 5000; // per request, as the quote client's own
constexpr int kRunDeadlineMs = 120000;

enum class Variant { Quillon, Blocking };

const char* variantName(Variant variant) {
    return variant == Variant::Quillon ? "Quillon (async)" : "blocking fetch";
}

QString stockCode(int row) {
    return QString::number(600000 + row);
}

// What the quote service answers, and what each row must show afterwards.
struct Scenario {
    QHash<QByteArray, QByteArray> replies; // request target -> GBK body
    std::vector<watchlist::Row> rows;
    QStringList expectedNames;
    QStringList expectedPrices;
    QList<QByteArray> expectedTargets; // one tick's requests, in order
};

Scenario makeScenario() {
    Scenario scenario;
    for (int i = 0; i < kRows; ++i) {
        const QString code = stockCode(i);
        const QString name = QStringLiteral("测试股份%1").arg(i);
        const QByteArray price = QByteArray::number(10.0 + i * 0.01, 'f', 2);
        // Every third stock falls, so both row colourings are exercised.
        const QByteArray change = i % 3 == 0 ? "-1.25%" : "0.80%";
        const QByteArray target = "/msq?cn_" + code.toLatin1();
        scenario.replies.insert(target, "'sh','" + code.toLatin1() + "','" + gbk::encode(name) +
                                            "','" + price + "','" + change +
                                            "','o','p','b','a','v','m','" + price + "'");
        scenario.rows.push_back({code, QString::fromLatin1(price), QStringLiteral("9.00")});
        scenario.expectedNames.append(name);
        scenario.expectedPrices.append(QString::fromLatin1(price));
        scenario.expectedTargets.append(target);
    }
    scenario.replies.insert("/msq?zs_399001", "'sz','399001','深证成指','9876.54','-0.52%'");
    scenario.replies.insert("/msq?zs_000001", "'sh','000001','上证指数','3012.34','0.31%'");
    scenario.expectedTargets.append("/msq?zs_399001");
    scenario.expectedTargets.append("/msq?zs_000001");
    return scenario;
}

// The part of Quillon's window that a tick writes into, shown so that every
// cell change costs the repaint it costs in the program.
struct Desk {
    QWidget window;
    QLabel* shanghai;
    QLabel* shenzhen;
    desk::WatchListModel* list;
    WatchListView* view;

    explicit Desk(const Scenario& scenario)
        : shanghai(new QLabel(QStringLiteral("上证指数"), &window))
        , shenzhen(new QLabel(QStringLiteral("深证成指"), &window))
        , list(new desk::WatchListModel(&window))
        , view(new WatchListView(&window)) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(shanghai);
        layout->addWidget(shenzhen);
        layout->addWidget(view);
        view->setModel(list);
        list->append(scenario.rows, {.name = QStringLiteral("待命")});
        window.resize(420, 320);
        window.show();
    }

    int rowsFilled(const Scenario& scenario) const {
        int filled = 0;
        for (int i = 0; i < list->rowCount() && i < kRows; ++i) {
            const desk::WatchListModel::Entry* row = list->find(list->idAt(i));
            filled +=
                row->name == scenario.expectedNames[i] && row->price == scenario.expectedPrices[i];
        }
        return filled;
    }
};

struct Measurement {
    bool finished = false;
    double tickMs = 0;
    EventLoopProbe::Stalls stalls;
    int requests = 0;
    bool inOrder = false;
    int rowsFilled = 0;
    int connections = 0;
};

Measurement measure(Variant variant, ScriptedHttpServer& server, const Scenario& scenario,
                    EventLoopProbe& probe) {
    Desk desk(scenario);
    EventLoopProbe::spin(100); // first paint and layout are not part of a tick

    const int requestsBefore = server.requestCount();
    const int connectionsBefore = server.connectionCount();
    qint64 startNs = -1;
    qint64 endNs = -1;
    std::unique_ptr<RefreshCycle> cycle;
    std::unique_ptr<BlockingHttpClient> client;
    std::function<void()> begin;
    if (variant == Variant::Quillon) {
        // Two queues on one client as in the main window: one for the rows, one for the indexes.
        auto* http = new HttpClient(&desk.window);
        auto* rowFetcher = new HttpQueue(http, server.baseUrl(), &desk.window);
        auto* indexFetcher = new HttpQueue(http, server.baseUrl(), &desk.window);
        rowFetcher->setTimeout(kTimeoutMs);
        indexFetcher->setTimeout(kTimeoutMs);
        cycle = std::make_unique<RefreshCycle>(desk.list, desk.shanghai, desk.shenzhen, rowFetcher,
                                               indexFetcher);
        cycle->setClock([] { return QTime(14, 0); }); // outside the morning reload minutes
        QObject::connect(cycle.get(), &RefreshCycle::tickFinished, &probe,
                         [&] { endNs = probe.nowNs(); });
        begin = [&] {
            startNs = probe.nowNs();
            cycle->tick();
        };
    } else {
        client = std::make_unique<BlockingHttpClient>(QStringLiteral("127.0.0.1"), server.port(),
                                                      kTimeoutMs);
        begin = [&] {
            startNs = probe.nowNs();
            blockingRefreshTick(*client, *desk.list, *desk.shanghai, *desk.shenzhen);
            endNs = probe.nowNs();
        };
    }
    probe.run(begin, endNs, kRunDeadlineMs);

    Measurement result;
    result.finished = startNs >= 0 && endNs >= 0;
    if (result.finished) {
        result.tickMs = double(endNs - startNs) / 1e6;
        result.stalls = probe.stallsDuring(startNs, endNs);
    }
    const QList<RecordedRequest> log = server.requests().mid(requestsBefore);
    result.requests = int(log.size());
    QList<QByteArray> targets;
    for (const RecordedRequest& request : log)
        targets.append(request.target);
    result.inOrder = targets == scenario.expectedTargets;
    result.rowsFilled = desk.rowsFilled(scenario);
    result.connections = server.connectionCount() - connectionsBefore;
    return result;
}

double ratio(double numerator, double denominator) {
    return denominator > 0 ? numerator / denominator : 0;
}

const char* verdict(bool met) {
    return met ? "met" : "NOT met";
}

} // namespace

int main(int argc, char** argv) {
    prepareOffscreenBenchmark();
    QApplication app(argc, argv);
    applyApplicationDefaults(QStringLiteral("quillon-bench-refresh"));
    const int runs = benchmarkRuns(kDefaultRuns);
    if (runs == 0)
        return 1;

    const Scenario scenario = makeScenario();
    ServiceThread service(QStringLiteral("quote service"));
    if (!service.listen())
        return 1;
    ScriptedHttpServer& server = service.server();
    server.setHandler([replies = scenario.replies](const RecordedRequest& request) {
        ScriptedResponse response;
        response.delayMs = kServiceDelayMs;
        const auto found = replies.constFind(request.target);
        if (found != replies.cend())
            response.body = *found;
        else
            response.status = 404;
        return response;
    });

    const int requestsPerTick = kRows + 2;
    const double idealTickMs = double(kRows) * kServiceDelayMs;
    std::printf("Refresh tick: %d watch-list rows, %d requests per tick, each answered after %d "
                "ms\nby a quote service on its own thread at %s; %d runs of each variant, "
                "interleaved.\n\n",
                kRows, requestsPerTick, kServiceDelayMs, qPrintable(server.baseUrl()), runs);
    std::printf("%-4s %-16s %9s %14s %11s %9s %9s %12s %12s\n", "run", "variant", "tick ms",
                "max stall ms", "p99 stall", "requests", "in order", "rows filled", "connections");

    EventLoopProbe probe;
    std::vector<Measurement> quillon;
    std::vector<Measurement> blocking;
    for (int run = 1; run <= runs; ++run) {
        // Alternate which variant goes first, so neither always meets a warmer machine.
        const Variant order[2] = {run % 2 ? Variant::Quillon : Variant::Blocking,
                                  run % 2 ? Variant::Blocking : Variant::Quillon};
        for (const Variant variant : order) {
            const Measurement m = measure(variant, server, scenario, probe);
            (variant == Variant::Quillon ? quillon : blocking).push_back(m);
            if (!m.finished) {
                std::printf("%-4d %-16s did not finish within %d s\n", run, variantName(variant),
                            kRunDeadlineMs / 1000);
                continue;
            }
            std::printf("%-4d %-16s %9.1f %14.2f %11.2f %9d %9s %12d %12d\n", run,
                        variantName(variant), m.tickMs, m.stalls.longestMs, m.stalls.p99Ms,
                        m.requests, m.inOrder ? "yes" : "NO", m.rowsFilled, m.connections);
            std::fflush(stdout);
        }
    }

    struct Summary {
        double tickMs;
        double stallMs;
        double p99Ms;
        double worstStallMs;
        double connections;
        bool allComplete; // every run finished, in order, with every row filled
    };
    const auto summarise = [&](const std::vector<Measurement>& ms) {
        std::vector<double> ticks, stalls, p99s, connections;
        Summary s{0, 0, 0, 0, 0, !ms.empty()};
        for (const Measurement& m : ms) {
            s.allComplete = s.allComplete && m.finished && m.inOrder && m.rowsFilled == kRows;
            if (!m.finished)
                continue;
            ticks.push_back(m.tickMs);
            stalls.push_back(m.stalls.longestMs);
            p99s.push_back(m.stalls.p99Ms);
            connections.push_back(m.connections);
            s.worstStallMs = std::max(s.worstStallMs, m.stalls.longestMs);
        }
        s.tickMs = bench::median(ticks);
        s.stallMs = bench::median(stalls);
        s.p99Ms = bench::median(p99s);
        s.connections = bench::median(connections);
        return s;
    };
    const Summary a = summarise(quillon);
    const Summary b = summarise(blocking);

    std::printf("\nMedians of %d runs\n", runs);
    std::printf("%-16s %9s %14s %11s %16s %12s\n", "variant", "tick ms", "max stall ms",
                "p99 stall", "worst stall ms", "connections");
    for (const auto& [name, s] : {std::pair{"Quillon (async)", a}, {"blocking fetch", b}})
        std::printf("%-16s %9.1f %14.2f %11.2f %16.2f %12.0f\n", name, s.tickMs, s.stallMs, s.p99Ms,
                    s.worstStallMs, s.connections);

    std::printf("Stall: the longest gap between two fires of a %d ms precise timer on the GUI "
                "thread\nduring the tick, less %d ms; p99 over every gap within the tick (a "
                "blocking tick\nleaves one gap, so its p99 is that gap).\n",
                EventLoopProbe::kIntervalMs, EventLoopProbe::kIntervalMs);

    std::printf("\nRatios (medians)\n");
    std::printf("  async stall / blocking stall      %8.4f\n", ratio(a.stallMs, b.stallMs));
    std::printf("  async tick / blocking tick        %8.3f\n", ratio(a.tickMs, b.tickMs));
    std::printf("  async tick / (%d x %d ms)        %8.3f\n", kRows, kServiceDelayMs,
                ratio(a.tickMs, idealTickMs));
    std::printf("  overhead per request, async       %8.2f ms\n",
                (a.tickMs - requestsPerTick * kServiceDelayMs) / requestsPerTick);
    std::printf("  overhead per request, blocking    %8.2f ms\n",
                (b.tickMs - requestsPerTick * kServiceDelayMs) / requestsPerTick);

    const bool stallMet = a.allComplete && a.worstStallMs <= kStallTargetMs;
    const double tickLimitMs = idealTickMs * (1 + kTickTolerance);
    const bool tickMet = a.allComplete && a.tickMs <= tickLimitMs;
    // One connection per fetcher for the whole tick: every request after the first reuses it.
    const bool reuseMet = a.allComplete && a.connections <= 2;
    std::printf("\nTargets for Quillon's tick\n");
    std::printf("  every run complete (all requests in order, all %d rows filled): %s\n", kRows,
                a.allComplete ? "yes" : "NO");
    std::printf("  no stall over %.0f ms: worst %.2f ms over %d runs (blocking: %.0f ms)  -> %s\n",
                kStallTargetMs, a.worstStallMs, runs, b.worstStallMs, verdict(stallMet));
    std::printf("  tick within %.0f%% of %d x %d ms = %.0f ms (<= %.0f ms): %.1f ms  -> %s\n",
                kTickTolerance * 100, kRows, kServiceDelayMs, idealTickMs, tickLimitMs, a.tickMs,
                verdict(tickMet));
    std::printf("  connections kept alive: %.0f per tick for %d requests over 2 fetchers "
                "(blocking: %.0f)  -> %s\n",
                a.connections, requestsPerTick, b.connections, verdict(reuseMet));
    return 0;
}
