#include "tests/support/scriptedhttpserver.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>

// One accepted connection. Requests that arrive while an earlier one on the
// same connection is still being answered wait in line (HTTP/1.1 answers in order).
struct ScriptedHttpServer::Connection : QObject {
    QTcpSocket* socket = nullptr;
    int number = 0;
    QByteArray buffer;       // bytes received and not yet parsed
    std::deque<int> waiting; // log indexes of requests not yet answered
    int current = -1;        // log index of the request being answered; -1: none
};

ScriptedHttpServer::ScriptedHttpServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto* connection = new Connection;
            connection->setParent(this);
            connection->socket = socket;
            connection->number = ++m_connectionCount;
            socket->setParent(connection);
            // Our clients only send GETs, so a request ends with its head.
            connect(socket, &QTcpSocket::readyRead, connection, [this, connection] {
                connection->buffer += connection->socket->readAll();
                for (qsizetype headEnd; (headEnd = connection->buffer.indexOf("\r\n\r\n")) >= 0;) {
                    RecordedRequest request;
                    request.head = connection->buffer.left(headEnd);
                    connection->buffer.remove(0, headEnd + 4);
                    request.target = request.head.split(' ').value(1); // of the request line
                    request.connection = connection->number;
                    request.arrivedMs = m_clock.elapsed();
                    QMutexLocker lock(&m_mutex);
                    connection->waiting.push_back(int(m_log.size()));
                    m_log.append(request);
                }
                if (connection->current < 0)
                    answerNext(connection);
            });
            connect(socket, &QTcpSocket::disconnected, connection, [this, connection] {
                if (connection->current >= 0) {
                    QMutexLocker lock(&m_mutex);
                    m_log[connection->current].peerClosedEarly = true;
                }
                connection->current = -1;
                connection->waiting.clear();
                connection->deleteLater();
            });
        }
    });
}

bool ScriptedHttpServer::listen(quint16 port) {
    const bool listening = m_server->listen(QHostAddress::LocalHost, port);
    m_clock.start();
    m_port = m_server->serverPort();
    return listening;
}

void ScriptedHttpServer::answerNext(Connection* connection) {
    if (connection->waiting.empty())
        return;
    const int index = connection->current = connection->waiting.front();
    connection->waiting.pop_front();
    const auto [handler, request] = [&] {
        QMutexLocker lock(&m_mutex);
        return std::pair(m_handler, m_log[index]);
    }();
    const ScriptedResponse response = handler ? handler(request) : ScriptedResponse();
    QTimer::singleShot(response.delayMs, connection, [this, connection, index, response] {
        if (connection->current != index)
            return; // the connection closed while the answer was delayed
        QTcpSocket* socket = connection->socket;
        switch (response.mode) {
        case ScriptedResponse::Mode::CloseWithoutReply:
            connection->waiting.clear(); // so that finishing starts nothing more
            finishResponse(connection, index, false);
            socket->abort();
            return;
        case ScriptedResponse::Mode::RawStream:
            socket->write(response.body);
            return streamRaw(connection, index, response, response.repeatCount);
        case ScriptedResponse::Mode::Normal:
            // Clients ignore the reason phrase.
            QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Scripted\r\n";
            for (const auto& [key, value] : response.headers)
                head += key + ": " + value + "\r\n";
            socket->write(head + "Content-Length: " + QByteArray::number(response.body.size()) +
                          "\r\n\r\n" + response.body);
            return finishResponse(connection, index,
                                  response.headers.contains({"Connection", "close"}));
        }
    });
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
        if (copiesLeft-- == 0)
            return finishResponse(connection, index, true);
        socket->write(response.repeatChunk);
    } while (response.repeatIntervalMs == 0 && socket->bytesToWrite() < kAheadBytes);
    const auto next = [this, connection, index, response, copiesLeft] {
        streamRaw(connection, index, response, copiesLeft);
    };
    if (response.repeatIntervalMs > 0)
        QTimer::singleShot(response.repeatIntervalMs, connection, next);
    else
        connect(socket, &QTcpSocket::bytesWritten, connection, next, Qt::SingleShotConnection);
}

void ScriptedHttpServer::finishResponse(Connection* connection, int index, bool closeAfter) {
    {
        QMutexLocker lock(&m_mutex);
        m_log[index].answeredMs = m_clock.elapsed();
    }
    connection->current = -1;
    if (!closeAfter)
        return answerNext(connection);
    connection->waiting.clear();
    connection->socket->disconnectFromHost(); // sends what is buffered first
}
