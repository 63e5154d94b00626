#include "tests/support/scriptedhttpserver.h"

#include <QHash>
#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>

namespace {

// A request head larger than this is not HTTP from our clients; drop the connection.
constexpr qsizetype kMaxHeadBytes = 64 * 1024;

// Clients ignore the reason phrase; the common ones keep a captured exchange readable.
QByteArray reasonPhrase(int status) {
    static const QHash<int, QByteArray> phrases = {
        {200, "OK"},        {400, "Bad Request"},           {403, "Forbidden"},
        {404, "Not Found"}, {500, "Internal Server Error"}, {503, "Service Unavailable"}};
    return phrases.value(status, "Status");
}

QByteArray findHeader(const HttpHeaders& headers, QByteArrayView name) {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value.isNull() ? QByteArray("") : value;
    }
    return {};
}

bool asksToClose(const HttpHeaders& headers) {
    return findHeader(headers, "Connection").compare("close", Qt::CaseInsensitive) == 0;
}

QByteArray responseHead(const ScriptedResponse& response, const QByteArray& framing) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    for (const auto& [key, value] : response.headers)
        head += key + ": " + value + "\r\n";
    return head + framing + "\r\n\r\n";
}

} // namespace

QByteArray RecordedRequest::header(QByteArrayView name) const {
    return findHeader(headers, name);
}

bool RecordedRequest::hasHeader(QByteArrayView name) const {
    return !header(name).isNull();
}

// One accepted connection. Requests that arrive while an earlier one on the
// same connection is still being answered wait in line (HTTP/1.1 answers in order).
struct ScriptedHttpServer::Connection : QObject {
    QTcpSocket* socket = nullptr;
    int number = 0;
    QByteArray buffer;              // bytes received and not yet parsed
    std::deque<int> waiting;        // log indexes of requests not yet answered
    int current = -1;               // log index of the request being answered; -1: none
    bool closeAfterCurrent = false; // either side sent "Connection: close"
};

ScriptedHttpServer::ScriptedHttpServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this)) {
    m_clock.start();
    m_handler = [](const RecordedRequest&) {
        return ScriptedResponse{};
    };
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::acceptConnections);
}

ScriptedHttpServer::~ScriptedHttpServer() = default;

bool ScriptedHttpServer::listen(quint16 port) {
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_clock.start();
    m_port = m_server->serverPort();
    return true;
}

QString ScriptedHttpServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:") + QString::number(port());
}

void ScriptedHttpServer::setHandler(Handler handler) {
    QMutexLocker lock(&m_mutex);
    m_handler = std::move(handler);
}

QList<RecordedRequest> ScriptedHttpServer::requests() const {
    QMutexLocker lock(&m_mutex);
    return m_log;
}

int ScriptedHttpServer::requestCount() const {
    QMutexLocker lock(&m_mutex);
    return int(m_log.size());
}

void ScriptedHttpServer::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        auto* connection = new Connection;
        connection->setParent(this);
        connection->socket = socket;
        connection->number = ++m_connectionCount;
        socket->setParent(connection);
        connect(socket, &QTcpSocket::readyRead, connection,
                [this, connection] { readRequests(connection); });
        connect(socket, &QTcpSocket::disconnected, connection,
                [this, connection] { connectionClosed(connection); });
    }
}

void ScriptedHttpServer::readRequests(Connection* connection) {
    connection->buffer += connection->socket->readAll();
    for (;;) {
        const qsizetype headEnd = connection->buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (connection->buffer.size() > kMaxHeadBytes)
                connection->socket->abort();
            break;
        }
        RecordedRequest request;
        const QList<QByteArray> lines = connection->buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        request.version = requestLine.value(2);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype bodyLength = request.header("Content-Length").toLongLong();
        if (connection->buffer.size() < headEnd + 4 + bodyLength)
            break; // wait for the rest of the body
        request.body = connection->buffer.mid(headEnd + 4, bodyLength);
        connection->buffer.remove(0, headEnd + 4 + bodyLength);

        request.connection = connection->number;
        request.arrivedMs = m_clock.elapsed();
        request.arrivedAt = QDateTime::currentDateTime();
        {
            QMutexLocker lock(&m_mutex);
            connection->waiting.push_back(int(m_log.size()));
            m_log.append(request);
        }
        emit requestReceived(request);
    }
    if (connection->current < 0)
        answerNext(connection);
}

void ScriptedHttpServer::answerNext(Connection* connection) {
    if (connection->waiting.empty())
        return;
    const int index = connection->waiting.front();
    connection->waiting.pop_front();
    connection->current = index;

    Handler handler;
    RecordedRequest request;
    {
        QMutexLocker lock(&m_mutex);
        handler = m_handler;
        request = m_log[index];
    }
    const ScriptedResponse response = handler ? handler(request) : ScriptedResponse{};
    connection->closeAfterCurrent = asksToClose(request.headers) || asksToClose(response.headers);
    if (response.delayMs > 0) {
        QTimer::singleShot(response.delayMs, connection, [this, connection, index, response] {
            sendResponse(connection, index, response);
        });
    } else {
        sendResponse(connection, index, response);
    }
}

void ScriptedHttpServer::sendResponse(Connection* connection, int index,
                                      const ScriptedResponse& response) {
    if (connection->current != index)
        return; // the connection closed while the answer was delayed
    QTcpSocket* socket = connection->socket;
    const QByteArray& body = response.body;

    switch (response.mode) {
    case ScriptedResponse::Mode::Hang:
        return;
    case ScriptedResponse::Mode::CloseWithoutReply:
        markAnswered(index);
        connection->current = -1;
        socket->abort();
        return;
    case ScriptedResponse::Mode::Normal:
        socket->write(responseHead(response, "Content-Length: " + QByteArray::number(body.size())));
        socket->write(body);
        noteBodyBytes(index, body.size());
        finishResponse(connection, index, connection->closeAfterCurrent);
        return;
    case ScriptedResponse::Mode::Truncated:
        socket->write(
            responseHead(response, "Content-Length: " + QByteArray::number(body.size() + 1024)));
        socket->write(body);
        noteBodyBytes(index, body.size());
        finishResponse(connection, index, true);
        return;
    case ScriptedResponse::Mode::Chunked:
        socket->write(responseHead(response, "Transfer-Encoding: chunked"));
        sendChunks(connection, index, response, 0);
        return;
    case ScriptedResponse::Mode::RawStream:
        socket->write(body);
        QTimer::singleShot(response.repeatForMs, connection, [this, connection, index] {
            if (connection->current != index)
                return;
            markAnswered(index);
            connection->current = -1;
            connection->socket->abort();
        });
        streamRaw(connection, index, response,
                  response.repeatChunk.isEmpty() ? 0 : response.repeatCount);
        return;
    }
}

void ScriptedHttpServer::streamRaw(Connection* connection, int index,
                                   const ScriptedResponse& response, int copiesLeft) {
    if (connection->current != index)
        return; // the client hung up, or the time ran out
    // Only a little ahead of the client: a flood then costs the test process
    // neither memory nor CPU beyond what the client under test reads.
    constexpr qint64 kAheadBytes = 256 * 1024;
    QTcpSocket* socket = connection->socket;
    qint64 written = 0;
    while (copiesLeft > 0 && socket->bytesToWrite() < kAheadBytes) {
        socket->write(response.repeatChunk);
        written += response.repeatChunk.size();
        --copiesLeft;
    }
    noteBodyBytes(index, written);
    if (copiesLeft == 0)
        return finishResponse(connection, index, true);
    connect(
        socket, &QTcpSocket::bytesWritten, connection,
        [this, connection, index, response, copiesLeft] {
            streamRaw(connection, index, response, copiesLeft);
        },
        Qt::SingleShotConnection);
}

void ScriptedHttpServer::sendChunks(Connection* connection, int index,
                                    const ScriptedResponse& response, qsizetype offset) {
    if (connection->current != index)
        return; // the client hung up between two chunks
    const qsizetype step = qMax(1, response.chunkBytes);
    while (offset < response.body.size()) {
        const QByteArray chunk = response.body.mid(offset, step);
        connection->socket->write(QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n");
        noteBodyBytes(index, chunk.size());
        offset += chunk.size();
        if (response.chunkIntervalMs > 0 && offset < response.body.size()) {
            QTimer::singleShot(response.chunkIntervalMs, connection,
                               [this, connection, index, response, offset] {
                                   sendChunks(connection, index, response, offset);
                               });
            return;
        }
    }
    connection->socket->write("0\r\n\r\n");
    finishResponse(connection, index, connection->closeAfterCurrent);
}

void ScriptedHttpServer::finishResponse(Connection* connection, int index, bool closeAfter) {
    markAnswered(index);
    connection->current = -1;
    if (closeAfter) {
        connection->waiting.clear();
        connection->socket->disconnectFromHost(); // sends what is buffered first
        return;
    }
    answerNext(connection);
}

void ScriptedHttpServer::connectionClosed(Connection* connection) {
    if (connection->current >= 0) {
        QMutexLocker lock(&m_mutex);
        m_log[connection->current].peerClosedEarly = true;
    }
    connection->current = -1;
    connection->waiting.clear();
    connection->deleteLater();
}

void ScriptedHttpServer::noteBodyBytes(int index, qint64 bytes) {
    QMutexLocker lock(&m_mutex);
    m_log[index].bodyBytesSent += bytes;
}

void ScriptedHttpServer::markAnswered(int index) {
    QMutexLocker lock(&m_mutex);
    m_log[index].answeredMs = m_clock.elapsed();
}

ResponsesByTarget::ResponsesByTarget(ScriptedHttpServer& server) {
    server.setHandler([this](const RecordedRequest& request) {
        return m_responses.value(request.target, ScriptedResponse{});
    });
}

void ResponsesByTarget::set(const QByteArray& target, QByteArray body, int delayMs) {
    ScriptedResponse& response = m_responses[target];
    response = ScriptedResponse{};
    response.body = std::move(body);
    response.delayMs = delayMs;
}
