#pragma once

#include "gateway/chartpages.h"
#include "gateway/feed.h"
#include "gateway/quotegate.h"
#include "net/httpclient.h"
#include "net/loopbackhttp.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QTextStream;

namespace gateway {

// Quillon's quote service on loopback, answered from an upstream feed: each
// request of Quillon's becomes at most one request to the feed (through the
// QuoteGate), over one kept-alive connection with a deadline and a size cap.
// Whatever goes wrong upstream becomes the empty reply, so Quillon keeps the
// row's previous values, and one line on `problems` says what went wrong
// whenever that changes.
//
// The provider's other pages Quillon shows beside a price come from here too,
// each upstream with a fetcher and a gate of its own: the chart page
// (/cn/CODE/index_kp.shtml) with the minute-chart image it embeds
// (/cn/CODE/min.gif), or a drawing of the quotes fetched today, and the
// hot-sector news page (/news/cbkjj.html) from the live-news feed.
class GatewayServer : public QObject {
    Q_OBJECT
public:
    struct Upstream {
        QString baseUrl; // scheme://host[:port]
        FeedFormat format = FeedFormat::HqStrList;
        QList<QByteArray> headers; // "Name: value", sent with every request
        int timeoutMs = 3000;
        QString chartBaseUrl; // the minute-chart images' server
        QString newsBaseUrl;  // the live-news feed's
    };
    using Now = std::function<QDateTime()>;
    static constexpr qint64 kMaxUpstreamBytes = 16 * 1024; // one record is a few hundred
    static constexpr qint64 kMaxImageBytes = 512 * 1024;   // a minute chart is some 20 KiB
    // Instruments asked for upstream at once; beyond, a request gets the empty reply.
    static constexpr int kMaxOutstanding = 64;
    // A chart image and the news page are asked for at most once a minute:
    // the tracker asks every five, and two Quillons must not double the load.
    static constexpr qint64 kPagePeriodMs = 60 * 1000;
    static constexpr qsizetype kMaxCharts = 64;

    // False from headersValid() when a header line cannot be sent.
    GatewayServer(const Upstream& upstream, QTextStream* problems, QObject* parent = nullptr);

    bool headersValid() const { return m_headersValid; }
    void setLog(QTextStream* log) { m_http.setLog(log); }
    // The clock that says which day it is in Beijing; the system's by default.
    void setClock(Now now) { m_now = std::move(now); }
    // 127.0.0.1 only; the port bound, or 0.
    quint16 listen(quint16 port) { return m_http.listen(port); }

private:
    // Requests held while the upstream fetch they wait for is out, by what
    // they asked for, and answered together when it ends.
    class WaitingRoom {
    public:
        // Fetches out at once; a request for one already out always joins it.
        bool hasRoomFor(const QString& key) const {
            return m_byKey.size() < std::size_t(kMaxOutstanding) || m_byKey.count(key);
        }
        std::size_t waitingFor(const QString& key) const {
            const auto found = m_byKey.find(key);
            return found == m_byKey.end() ? 0 : found->second.size();
        }
        void wait(const QString& key, QHttpServerResponder&& responder);
        // Answers every request waiting for key whose client is still there.
        void release(const QString& key, const std::function<void(QHttpServerResponder&)>& answer);

    private:
        struct Waiting {
            QPointer<QTcpSocket> socket; // gone when Quillon hung up meanwhile
            std::unique_ptr<QHttpServerResponder> responder;
        };
        std::map<QString, std::vector<Waiting>> m_byKey;
    };

    // What was said last of one upstream; empty: it answered well last time.
    struct Said {
        const char* upstream; // "the feed"
        QString problem;
    };

    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    void respondQuote(const QUrl& url, QHttpServerResponder&& responder);
    void respondChart(const QString& code, bool image, QHttpServerResponder&& responder);
    void respondNews(QHttpServerResponder&& responder);
    void fetched(const Wanted& wanted, const std::optional<QString>& body, int status);
    void chartFetched(const Wanted& wanted, const std::optional<QByteArray>& image);
    void newsFetched(const std::optional<QByteArray>& body);
    void writeChartPage(QHttpServerResponder& responder, const Wanted& wanted);
    // Says what went wrong, or that the upstream answers well (an empty
    // problem), once: the same problem again and again stays unsaid.
    void report(Said& said, const QString& problem, const QString& asked);

    http::LoopbackHttp m_http;
    HttpClient m_client; // the upstream's connections, one per origin, before its queues
    HttpQueue m_fetcher;
    HttpQueue m_chartFetcher;
    HttpQueue m_newsFetcher;
    FeedFormat m_format;
    bool m_headersValid;
    QElapsedTimer m_clock;
    QuoteGate m_gate;
    QuoteGate m_charts; // the images by symbol; empty for a fetch that gave none
    QuoteGate m_news;   // the built page, GBK-encoded
    QuotesSeen m_seen;
    Now m_now = [] {
        return QDateTime::currentDateTimeUtc();
    };
    WaitingRoom m_waiting; // by symbol
    WaitingRoom m_waitingCharts;
    WaitingRoom m_waitingNews;
    QTextStream* m_problems;
    Said m_feedSaid{"the feed", {}};
    Said m_chartSaid{"the chart server", {}};
    Said m_newsSaid{"the news feed", {}};
};

} // namespace gateway
