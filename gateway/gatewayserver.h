#pragma once

#include "gateway/feed.h"
#include "gateway/quotegate.h"
#include "net/loopbackhttp.h"
#include "net/quotefetcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

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
class GatewayServer : public QObject {
    Q_OBJECT
public:
    struct Upstream {
        QString baseUrl; // scheme://host[:port]
        FeedFormat format = FeedFormat::HqStrList;
        QList<QByteArray> headers; // "Name: value", sent with every request
        int timeoutMs = 3000;
    };
    static constexpr qint64 kMaxUpstreamBytes = 16 * 1024; // one record is a few hundred
    // Instruments asked for upstream at once; beyond, a request gets the empty reply.
    static constexpr int kMaxOutstanding = 64;

    // False from headersValid() when a header line cannot be sent.
    GatewayServer(const Upstream& upstream, QTextStream* problems, QObject* parent = nullptr);

    bool headersValid() const { return m_headersValid; }
    void setLog(QTextStream* log) { m_http.setLog(log); }
    // 127.0.0.1 only; the port bound, or 0.
    quint16 listen(quint16 port) { return m_http.listen(port); }

private:
    struct Waiting {
        QPointer<QTcpSocket> socket; // gone when Quillon hung up meanwhile
        std::unique_ptr<QHttpServerResponder> responder;
    };

    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    void fetched(const Wanted& wanted, const std::optional<QString>& body, int status);
    // Says what went wrong, or that the feed answers well (an empty problem),
    // once: the same problem again and again stays unsaid.
    void report(const QString& problem, const QString& symbol);

    http::LoopbackHttp m_http;
    QuoteFetcher m_fetcher;
    FeedFormat m_format;
    bool m_headersValid;
    QElapsedTimer m_clock;
    QuoteGate m_gate;
    std::map<QString, std::vector<Waiting>> m_waiting; // by symbol, while its fetch is out
    QTextStream* m_problems;
    QString m_lastProblem; // empty: the feed answered well last time
};

} // namespace gateway
