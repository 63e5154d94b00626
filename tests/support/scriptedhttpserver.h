#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

#include <atomic>
#include <functional>

class QTcpServer;

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// One request as it came over the wire, and what became of its answer.
struct RecordedRequest {
    int connection = 0;           // 1 for the first accepted connection, and so on
    QByteArray head;              // request line and header lines exactly as sent
    QByteArray target;            // path and query exactly as sent, still percent-encoded
    qint64 arrivedMs = -1;        // since the server started listening
    qint64 answeredMs = -1;       // last byte of the answer handed to the socket; -1: not answered
    bool peerClosedEarly = false; // the client hung up before the whole answer went out
};

struct ScriptedResponse {
    enum class Mode {
        Normal,            // status, headers, Content-Length, body
        CloseWithoutReply, // closes the connection at once
        // The body as raw bytes (no status line or headers of ours), then
        // repeatCount copies of repeatChunk, one every repeatIntervalMs or,
        // without an interval, a little ahead of what the client reads; then
        // the connection closes, unless the client hung up first.
        RawStream,
    };

    explicit ScriptedResponse(QByteArray bodyBytes = {}, int delay = 0)
        : body(std::move(bodyBytes))
        , delayMs(delay) {}
    // Raw bytes, then copies of chunk: a little ahead of the client, or one every intervalMs.
    static ScriptedResponse rawStream(QByteArray prefix, QByteArray chunk, int copies,
                                      int intervalMs = 0) {
        ScriptedResponse response(std::move(prefix));
        response.mode = Mode::RawStream;
        response.repeatChunk = std::move(chunk);
        response.repeatCount = copies;
        response.repeatIntervalMs = intervalMs;
        return response;
    }

    int status = 200;
    HttpHeaders headers; // extra headers; "Connection: close" closes after the answer
    QByteArray body;
    int delayMs = 0; // before the first byte of the answer
    Mode mode = Mode::Normal;
    QByteArray repeatChunk; // RawStream
    int repeatCount = 0;
    int repeatIntervalMs = 0;
};

// An HTTP/1.1 server on 127.0.0.1 whose answers a test scripts. Requests on one
// connection are answered in order, one after the other, and the connection
// stays open unless the answer closes it. Everything runs on the event loop
// of the thread the server lives in; the handler, the request log and the
// counters may be used from any thread.
class ScriptedHttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<ScriptedResponse(const RecordedRequest&)>;

    explicit ScriptedHttpServer(QObject* parent = nullptr);

    bool listen(quint16 port = 0);
    quint16 port() const { return m_port.load(); }
    QString baseUrl() const {
        return QStringLiteral("http://127.0.0.1:") + QString::number(port());
    }

    // Called on the server's thread, without the log's lock held, once per
    // request when its turn to be answered comes.
    void setHandler(Handler handler) {
        QMutexLocker lock(&m_mutex);
        m_handler = std::move(handler);
    }

    QList<RecordedRequest> requests() const {
        QMutexLocker lock(&m_mutex);
        return m_log;
    }
    int requestCount() const { return int(requests().size()); }
    int connectionCount() const { return m_connectionCount.load(); }

private:
    struct Connection;

    void answerNext(Connection* connection);
    void streamRaw(Connection* connection, int index, const ScriptedResponse& response,
                   int copiesLeft);
    void finishResponse(Connection* connection, int index, bool closeAfter);

    QTcpServer* m_server;
    QElapsedTimer m_clock;
    std::atomic<quint16> m_port{0};
    std::atomic<int> m_connectionCount{0};

    mutable QMutex m_mutex; // guards m_handler and m_log
    Handler m_handler;
    QList<RecordedRequest> m_log;
};

// Answers each request target with the response set for it, and any other
// target with an empty 200, as a service does for a code it does not know.
class ResponsesByTarget {
public:
    explicit ResponsesByTarget(ScriptedHttpServer& server) {
        server.setHandler(
            [this](const RecordedRequest& request) { return m_responses.value(request.target); });
    }

    ScriptedResponse& operator[](const QByteArray& target) { return m_responses[target]; }
    void set(const QByteArray& target, QByteArray body, int delayMs = 0) {
        m_responses[target] = ScriptedResponse(std::move(body), delayMs);
    }

private:
    QHash<QByteArray, ScriptedResponse> m_responses;
};
