#pragma once

#include "net/httpresponseparser.h"
#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

class HttpQueue;
class QTcpSocket;
class QTimer;

// A program's one HTTP/1.1 client: one kept-alive connection per origin
// (scheme, host, port), shared by every caller of the program. A service sees
// one connection from us however many windows ask it, and a kept connection
// is reused by whoever asks next instead of idling beside a fresh one.
//
// It speaks HTTP/1.1 itself, on the GUI thread: every byte is read by our own
// event handlers, so a deadline or a cancel always takes effect, and no limit
// depends on another thread. Callers talk to it through an HttpQueue each; the
// client must be created before them and is best destroyed after them (a
// queue that outlives it fails what it still has, a turn later).
class HttpClient : public QObject {
    Q_OBJECT
public:
    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

private:
    friend class HttpQueue;

    // An origin's connection and whose request is on it. One request at a
    // time: the others' queues wait their turn, first come, first served.
    struct Origin {
        QTcpSocket* socket = nullptr;
        HttpQueue* holder = nullptr;
        std::deque<HttpQueue*> waiting;
    };

    // True when queue may send now; otherwise it is told by onTurn() later.
    bool takeTurn(HttpQueue* queue, const QString& origin);
    // Gives up queue's turn or its place in the line, and passes the turn on.
    void leave(HttpQueue* queue);
    QTcpSocket* socketFor(const QString& origin) const;
    QTcpSocket* connectTo(const QString& origin, const QUrl& url);
    void dropConnection(const QString& origin);

    std::map<QString, Origin> m_origins;
};

// One caller's line of requests on the program's HttpClient. Requests wait in
// the line and go out one at a time, and each result is handed back in the
// order requested: the window never blocks, yet every caller sees the order
// of a synchronous fetch. A callback never runs inside the call that queued
// its request. A hung or hostile service becomes a failed fetch through a
// deadline on the whole exchange and caps on the reply's head and body.
//
// Requests of different queues to one origin take turns on its connection.
// A request's deadline starts when it gets its turn, on the wire, so another
// caller's slow reply does not eat its time; since every exchange on the wire
// ends by its own deadline and each queue has one request out at a time, a
// request waits at most the deadlines of the queues ahead of it on its origin
// and then its own.
class HttpQueue : public QObject {
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
    HttpQueue(HttpClient* client, const QString& baseUrl, QObject* parent = nullptr);
    ~HttpQueue() override;

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

    // Drops every queued request and aborts the one on the wire (closing its
    // connection; other queues' requests to that origin go out on a fresh
    // one); their callbacks never run.
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
    friend class HttpClient;

    struct Request {
        std::string target;
        Callback done;           // a quote reply,
        TextCallback textDone;   // or a page,
        BytesCallback bytesDone; // or else the body's bytes
    };

    void startNext();
    void onTurn();
    void send(const QUrl& url);
    void writeRequest();
    void onReadyRead();
    void onConnectionLost();
    void onClientGone();
    bool feedAvailable();
    void decodeArrivedText();
    void onResponseEnded(const QString& connectionError = {});
    void fail(const QString& why);
    void dropConnection();
    void finishCurrent(const std::string* body, int status = 0);
    QTcpSocket* socket() const;

    QPointer<HttpClient> m_client;
    QString m_baseUrl;
    QTimer* m_deadline; // the whole exchange's time limit, redirects included
    std::deque<Request> m_queue;
    Callback m_currentDone;
    TextCallback m_currentTextDone;
    BytesCallback m_currentBytesDone;
    bool m_busy = false;     // a request is waiting its turn, out, or its failure is on its way
    bool m_starting = false; // inside send(): a failure now must wait a turn
    int m_exchange = 0;      // tells a late queued failure from the current exchange
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBodyBytes = kMaxReplyBytes;
    QByteArray m_extraHeaders; // complete lines, each with its CR LF
    int m_lastStatus = 0;
    QString m_failure;

    QUrl m_url;       // where the current request goes
    QString m_origin; // its scheme, host and port, whose connection it takes turns on
    int m_redirects = 0;
    std::optional<http::ResponseParser> m_response;
    std::optional<gbk::Decoder> m_textDecoder; // of the current response, for a page
    QString m_text;                            // decoded so far
    std::size_t m_decodedBytes = 0;            // of the current response's body
    bool m_onReusedConnection = false;         // the request went out on a kept-alive connection
    bool m_replyBytesSeen = false;             // of the current request's reply
};
