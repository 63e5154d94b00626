#pragma once

#include "net/httpresponseparser.h"
#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <optional>
#include <string>

class QTcpSocket;
class QTimer;

// One caller's connection to the quote service. Requests wait in a queue and go
// out one at a time, and each result is handed back in the order requested:
// the window never blocks, yet every caller sees the order of a synchronous
// fetch. A hung or hostile service becomes a failed fetch through a deadline
// on the whole exchange and caps on the reply's head and body.
//
// It speaks HTTP/1.1 itself, on the GUI thread, over one kept-alive
// connection: every byte is read by our own event handlers, so a deadline or
// a cancel always takes effect, and no limit depends on another thread.
class QuoteFetcher : public QObject {
    Q_OBJECT
public:
    using Result = std::optional<quote::Reply>; // nothing: the fetch failed
    using Callback = std::function<void(const Result&)>;
    using TextCallback = std::function<void(const std::optional<QString>&)>;
    using BytesCallback = std::function<void(const std::optional<QByteArray>&)>;

    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr qint64 kMaxReplyBytes = 64 * 1024; // a body, unless set otherwise
    static constexpr int kMaxHeadBytes = 16 * 1024;     // status line and headers of one reply
    static constexpr int kMaxInterimReplies = 4;        // "100 Continue" and the like
    static constexpr int kMaxRedirects = 5;

    // baseUrl is "scheme://host[:port]" without a trailing slash.
    explicit QuoteFetcher(const QString& baseUrl, QObject* parent = nullptr);
    ~QuoteFetcher() override;

    // Queues a GET of target (path and query, already encoded).
    void fetch(const std::string& target, Callback done);
    // Queues the quote of one stock; the code travels as typed, GBK-encoded.
    void fetchStock(const QString& code, Callback done);
    // Queues a GET of a page in GBK, handed back whole as text, not split into
    // fields. The text is decoded as it arrives, so a large page costs the
    // caller's thread no long pause at its end.
    void fetchText(const std::string& target, TextCallback done);
    // Queues a GET whose body is handed back as it came, byte for byte: an
    // image, or text in an encoding the caller reads itself.
    void fetchBytes(const std::string& target, BytesCallback done);

    // Header lines ("Name: value") sent with every request from the next one
    // on, for a service that wants to know who asks. False, and nothing
    // changes, when a line is not a header or holds a line break.
    bool setExtraHeaders(const QList<QByteArray>& lines);
    // The HTTP status of the reply whose callback is running; 0 when the fetch failed.
    int lastStatus() const { return m_lastStatus; }
    // Why the fetch whose callback is running failed; empty when it did not.
    const QString& lastFailure() const { return m_failure; }

    // Drops every queued request and aborts the one in flight (closing its
    // connection); their callbacks never run.
    void cancelAll();

    bool isIdle() const { return !m_busy && m_queue.empty(); }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    // Applies from the next request on.
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }
    QUrl urlFor(const std::string& target) const;
    // Why a redirect from `from` to `to`, the exchange's hop-th, is not
    // followed; empty when it is. Only one to the same scheme, host and port
    // is, and no more than kMaxRedirects in one exchange.
    static QString redirectRefusal(const QUrl& from, const QUrl& to, int hop);

private:
    struct Request {
        std::string target;
        Callback done;           // a quote reply,
        TextCallback textDone;   // or a page,
        BytesCallback bytesDone; // or else the body's bytes
    };

    void startNext();
    void send(const QUrl& url);
    void onReadyRead();
    void onConnectionLost();
    bool feedAvailable();
    void decodeArrivedText();
    void onResponseEnded(const QString& connectionError = {});
    void fail(const QString& why);
    void dropConnection();
    void finishCurrent(const std::string* body, int status = 0);

    QString m_baseUrl;
    QTimer* m_deadline; // the whole exchange's time limit, redirects included
    std::deque<Request> m_queue;
    Callback m_currentDone;
    TextCallback m_currentTextDone;
    BytesCallback m_currentBytesDone;
    bool m_busy = false;     // a request is out, or its failure is on its way
    bool m_starting = false; // inside send(): a failure now must wait a turn
    int m_exchange = 0;      // tells a late queued failure from the current exchange
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBodyBytes = kMaxReplyBytes;
    QByteArray m_extraHeaders; // complete lines, each with its CR LF
    int m_lastStatus = 0;
    QString m_failure;

    QUrl m_url; // where the current request went
    int m_redirects = 0;
    std::optional<http::ResponseParser> m_response;
    std::optional<gbk::Decoder> m_textDecoder; // of the current response, for a page
    QString m_text;                            // decoded so far
    std::size_t m_decodedBytes = 0;            // of the current response's body
    QTcpSocket* m_socket = nullptr;            // the connection, kept alive between requests
    QString m_socketOrigin;                    // scheme, host and port m_socket leads to
    bool m_onReusedConnection = false;         // the request went out on a kept-alive connection
    bool m_replyBytesSeen = false;             // of the current request's reply
};
