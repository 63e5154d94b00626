// How long the window's event loop stands still while the hot-sector tracker
// fetches a large news page from a slow service, beside the same page fetched
// the way a synchronous OpenURL call fetches it. A measurement, not a test:
// it prints what it saw and exits 0 whether or not the target is met.
#include "app/appstartup.h"
#include "bench/benchfigures.h"
#include "bench/blockingrefresh.h"
#include "bench/eventloopprobe.h"
#include "bench/servicethread.h"
#include "demo/marketpages.h"
#include "desk/hotsectorscan.h"
#include "desk/jujiao.h"
#include "net/httpclient.h"
#include "quote/gbk.h"
#include "services/sitepages.h"
#include "widgets/formgeometry.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kPageBytes = 2 * 1024 * 1024;
constexpr int kEntries = 200;
constexpr int kServiceDelayMs = 500;
constexpr int kDefaultRuns = 3;
constexpr double kStallTargetMs = 16.0;
constexpr int kRunDeadlineMs = 60000;

enum class Variant { Quillon, Blocking };

const char* variantName(Variant variant) {
    return variant == Variant::Quillon ? "Quillon (async)" : "blocking fetch";
}

// The stand-in's entries, kEntries of them, each followed by as much of a
// portal's script and advert markup as it takes to make the page 2 MiB of GBK.
QByteArray makePage() {
    const QList<standin::NewsEntry> news = standin::hotSectorNews(QDateTime::currentDateTime());
    const QByteArray filler =
        "<script>ad.push({slot:'side',w:300,h:250,src:'/ad/banner.js?r=0.31415926'});</script>\n";
    QByteArray page;
    for (int i = 0; i < kEntries; ++i) {
        const standin::NewsEntry& entry = news[i % news.size()];
        page += gbk::encode(u"<li><span>"_s + entry.time.toString(u"MM-dd HH:mm") +
                            u"</span><a href=\""_s + standin::newsLink(entry.time.date(), i) +
                            entry.headline + u"\" target=\"_blank\">"_s + entry.headline +
                            u"</a></li>\n"_s);
        while (page.size() < kPageBytes * (i + 1) / kEntries)
            page += filler;
    }
    page.truncate(kPageBytes);
    return page;
}

struct Measurement {
    bool finished = false;
    double fetchMs = 0;
    EventLoopProbe::Stalls stalls;
    int lines = 0;
};

// The tracker's list as a blocking fetch would fill it.
void blockingRefresh(BlockingHttpClient& client, QListWidget& list) {
    const std::optional<QByteArray> body = client.get(pages::kNews);
    const auto lines = desk::hotsector::scan(body ? gbk::decode(*body) : QString());
    QStringList texts;
    for (const desk::hotsector::Line& line : lines)
        texts.append(line.text);
    list.clear();
    list.addItems(texts);
    QFont bold = list.font();
    bold.setBold(true);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].marked)
            list.item(int(i))->setFont(bold);
}

Measurement measure(Variant variant, ScriptedHttpServer& server, EventLoopProbe& probe) {
    // The window is built and shown before the measurement starts: what is
    // measured is the fetch, from its request to a filled list.
    HttpClient http; // before the tracker, whose queue leaves it as it goes
    std::unique_ptr<Jujiao> tracker;
    std::unique_ptr<QListWidget> plainList;
    QListWidget* list = nullptr;
    qint64 startNs = -1;
    qint64 endNs = -1;
    const qint64 requestNs = probe.nowNs();
    if (variant == Variant::Quillon) {
        tracker = std::make_unique<Jujiao>(&http, nullptr); // no main window to keep beside
        tracker->setAttribute(Qt::WA_DeleteOnClose, false);
        tracker->show();
        list = tracker->findChild<QListWidget*>(QStringLiteral("List1"));
        QObject::connect(tracker.get(), &Jujiao::refreshed, &probe, [&] { endNs = probe.nowNs(); });
    } else {
        plainList = std::make_unique<QListWidget>();
        plainList->setFont(form::songTi(12));
        plainList->resize(381, 292);
        plainList->show();
        list = plainList.get();
    }
    std::unique_ptr<BlockingHttpClient> client;
    probe.run(
        [&] {
            startNs = probe.nowNs();
            if (variant == Variant::Blocking) {
                client = std::make_unique<BlockingHttpClient>(
                    QStringLiteral("127.0.0.1"), server.port(), Jujiao::kTimeoutMs,
                    http::ResponseLimits{.maxBodyBytes = std::size_t(Jujiao::kMaxPageBytes)});
                blockingRefresh(*client, *list);
                endNs = probe.nowNs();
            }
        },
        endNs, kRunDeadlineMs);

    Measurement result;
    result.finished = startNs >= 0 && endNs >= 0;
    if (result.finished) {
        result.fetchMs = double(endNs - (variant == Variant::Quillon ? requestNs : startNs)) / 1e6;
        result.stalls = probe.stallsDuring(startNs, endNs);
    }
    result.lines = list->count();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    prepareOffscreenBenchmark();
    QApplication app(argc, argv);
    applyApplicationDefaults(QStringLiteral("quillon-bench-jujiao"));
    const int runs = benchmarkRuns(kDefaultRuns);
    if (runs == 0)
        return 1;

    ServiceThread service(QStringLiteral("news service"));
    if (!service.listen())
        return 1;
    ScriptedHttpServer& server = service.server();
    const QByteArray page = makePage();
    server.setHandler(
        [page](const RecordedRequest&) { return ScriptedResponse(page, kServiceDelayMs); });
    qputenv("QUILLON_NEWS_URL", server.baseUrl().toUtf8());

    std::printf("Hot-sector tracker: a %.1f MiB GBK news page with %d entries, answered after "
                "%d ms\nby a service on its own thread at %s; %d runs of each variant, "
                "interleaved.\n\n",
                double(page.size()) / (1024 * 1024), kEntries, kServiceDelayMs,
                qPrintable(server.baseUrl()), runs);
    std::printf("%-4s %-16s %10s %14s %11s %7s\n", "run", "variant", "fetch ms", "max stall ms",
                "p99 stall", "lines");

    EventLoopProbe probe;
    // A first window loads the fonts and the platform's pieces once, outside any run.
    measure(Variant::Quillon, server, probe);
    std::vector<double> stalls[2], fetches[2];
    double worst[2] = {0, 0};
    bool complete = true;
    for (int run = 1; run <= runs; ++run) {
        const Variant order[2] = {run % 2 ? Variant::Quillon : Variant::Blocking,
                                  run % 2 ? Variant::Blocking : Variant::Quillon};
        for (const Variant variant : order) {
            const Measurement m = measure(variant, server, probe);
            const int v = int(variant);
            complete = complete && m.finished && m.lines == kEntries;
            if (!m.finished) {
                std::printf("%-4d %-16s did not finish within %d s\n", run, variantName(variant),
                            kRunDeadlineMs / 1000);
                continue;
            }
            stalls[v].push_back(m.stalls.longestMs);
            fetches[v].push_back(m.fetchMs);
            worst[v] = std::max(worst[v], m.stalls.longestMs);
            std::printf("%-4d %-16s %10.1f %14.2f %11.2f %7d\n", run, variantName(variant),
                        m.fetchMs, m.stalls.longestMs, m.stalls.p99Ms, m.lines);
            std::fflush(stdout);
        }
    }

    const int q = int(Variant::Quillon), b = int(Variant::Blocking);
    const double stallQ = bench::median(stalls[q]), stallB = bench::median(stalls[b]);
    std::printf("\nMedians of %d runs      %16s %16s %10s\n", runs, variantName(Variant::Quillon),
                variantName(Variant::Blocking), "ratio");
    std::printf(
        "  fetch to filled list, ms %14.1f %16.1f %10.3f\n", bench::median(fetches[q]),
        bench::median(fetches[b]),
        bench::median(fetches[b]) > 0 ? bench::median(fetches[q]) / bench::median(fetches[b]) : 0);
    std::printf("  longest stall, ms        %14.2f %16.2f %10.4f\n", stallQ, stallB,
                stallB > 0 ? stallQ / stallB : 0);
    std::printf("Stall: the longest gap between two fires of a %d ms precise timer on the GUI "
                "thread\nwhile the page was fetched, decoded, scanned and listed, less %d ms.\n",
                EventLoopProbe::kIntervalMs, EventLoopProbe::kIntervalMs);
    std::printf("\nTarget: no stall over %.0f ms, every run with all %d lines: worst %.2f ms "
                "(blocking: %.0f ms)  -> %s\n",
                kStallTargetMs, kEntries, worst[q], worst[b],
                complete && worst[q] <= kStallTargetMs ? "met" : "NOT met");
    return 0;
}
