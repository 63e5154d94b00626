#pragma once

#include "quote/quotereply.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <optional>
#include <string>

class QNetworkAccessManager;
class QTimer;

// One caller's connection to the quote service. Requests wait in a queue and go
// out one at a time, and each result is handed back in the order requested:
// the window never blocks, yet every caller sees the order of a synchronous
// fetch. A hung or hostile service becomes a failed fetch through a deadline
// and a cap on the reply's size.
class QuoteFetcher : public QObject {
    Q_OBJECT
public:
    using Result = std::optional<quote::Reply>; // nothing: the fetch failed
    using Callback = std::function<void(const Result&)>;

    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr qint64 kMaxReplyBytes = 64 * 1024;

    // baseUrl is "scheme://host[:port]" without a trailing slash.
    explicit QuoteFetcher(const QString& baseUrl, QObject* parent = nullptr);
    ~QuoteFetcher() override;

    // Queues a GET of target (path and query, already encoded).
    void fetch(const std::string& target, Callback done);
    // Queues the quote of one stock; the code travels as typed, GBK-encoded.
    void fetchStock(const QString& code, Callback done);

    // Drops every queued request and aborts the one in flight; their callbacks never run.
    void cancelAll();

    bool isIdle() const { return !m_inFlight && !m_failingSoon && m_queue.empty(); }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    QUrl urlFor(const std::string& target) const;

private:
    struct Request {
        std::string target;
        Callback done;
    };

    void startNext();
    void onReadyRead();
    void onFinished();
    void finishCurrent(const Result& result);

    QString m_baseUrl;
    QNetworkAccessManager* m_network;
    QTimer* m_deadline; // the whole transfer's time limit
    std::deque<Request> m_queue;
    QPointer<QNetworkReply> m_inFlight;
    Callback m_currentDone;
    QByteArray m_body;
    bool m_overflowed = false;
    bool m_failingSoon = false; // a request that cannot be sent fails on the next turn
    int m_timeoutMs = kDefaultTimeoutMs;
};
