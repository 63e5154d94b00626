#include "tests/support/scriptedhttpserver.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>

namespace {

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
    // Clients ignore the reason phrase.
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Scripted\r\n";
    for (const auto& [key, value] : response.headers)
        head += key + ": " + value + "\r\n";
    return head + framing + "\r\n\r\n";
}

} // namespace

QByteArray RecordedRequest::header(QByteArrayView name) const {
    return findHeader(headers, name);
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
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::acceptConnections);
}

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

// Our clients only send GETs, so a request ends with its head.
void ScriptedHttpServer::readRequests(Connection* connection) {
    connection->buffer += connection->socket->readAll();
    for (qsizetype headEnd; (headEnd = connection->buffer.indexOf("\r\n\r\n")) >= 0;) {
        RecordedRequest request;
        const QList<QByteArray> lines = connection->buffer.left(headEnd).split('\n');
        connection->buffer.remove(0, headEnd + 4);
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        request.connection = connection->number;
        request.arrivedMs = m_clock.elapsed();
        QMutexLocker lock(&m_mutex);
        connection->waiting.push_back(int(m_log.size()));
        m_log.append(request);
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
    QTimer::singleShot(response.delayMs, connection, [this, connection, index, response] {
        sendResponse(connection, index, response);
    });
}

void ScriptedHttpServer::sendResponse(Connection* connection, int index,
                                      const ScriptedResponse& response) {
    if (connection->current != index)
        return; // the connection closed while the answer was delayed
    QTcpSocket* socket = connection->socket;
    const QByteArray& body = response.body;

    switch (response.mode) {
    case ScriptedResponse::Mode::CloseWithoutReply:
        connection->waiting.clear(); // so that finishing starts nothing more
        finishResponse(connection, index, false);
        socket->abort();
        return;
    case ScriptedResponse::Mode::Normal:
        socket->write(responseHead(response, "Content-Length: " + QByteArray::number(body.size())));
        socket->write(body);
        return finishResponse(connection, index, connection->closeAfterCurrent);
    case ScriptedResponse::Mode::RawStream:
        socket->write(body);
        return streamRaw(connection, index, response, response.repeatCount);
    }
}

void ScriptedHttpServer::streamRaw(Connection* connection, int index,
                                   const ScriptedResponse& response, int copiesLeft) {
    if (connection->current != index)
        return; // the client hung up
    // Only a little ahead of the client: a flood then costs the test process
    // neither memory nor CPU beyond what the client under test reads.
    constexpr qint64 kAheadBytes = 256 * 1024;
    QTcpSocket* socket = connection->socket;
    do {
        if (copiesLeft == 0)
            return finishResponse(connection, index, true);
        socket->write(response.repeatChunk);
        --copiesLeft;
    } while (response.repeatIntervalMs == 0 && socket->bytesToWrite() < kAheadBytes);
    if (response.repeatIntervalMs > 0) {
        QTimer::singleShot(response.repeatIntervalMs, connection,
                           [this, connection, index, response, copiesLeft] {
                               streamRaw(connection, index, response, copiesLeft);
                           });
        return;
    }
    connect(
        socket, &QTcpSocket::bytesWritten, connection,
        [this, connection, index, response, copiesLeft] {
            streamRaw(connection, index, response, copiesLeft);
        },
        Qt::SingleShotConnection);
}

void ScriptedHttpServer::finishResponse(Connection* connection, int index, bool closeAfter) {
    {
        QMutexLocker lock(&m_mutex);
        m_log[index].answeredMs = m_clock.elapsed();
    }
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
