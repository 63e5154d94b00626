#include "net/httpclient.h"

#include "net/netlog.h"
#include "quote/gbk.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Reading in small pieces keeps what the socket buffers, and so what a
// flood can cost, bounded; the parser stops a flood within a piece or two.
constexpr qint64 kReadPieceBytes = 16 * 1024;

bool isHttps(const QUrl& url) {
    return url.scheme() == QLatin1String("https");
}

bool isHttpOrHttps(const QUrl& url) {
    return url.scheme() == QLatin1String("http") || isHttps(url);
}

QString describe(const QTcpSocket& socket) {
    return QLatin1String("connection failed: ") + socket.errorString();
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QString originOf(const QUrl& url) {
    return url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') +
           QString::number(url.port(isHttps(url) ? 443 : 80));
}

QByteArray requestFor(const QUrl& url, const QByteArray& extraHeaders) {
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    const QByteArray host =
        url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1();
    // Identity only: a compressed body would not be the GBK text we split.
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nConnection: keep-alive\r\nAccept-Encoding: identity\r\nAccept: */*\r\n" +
           extraHeaders + "\r\n";
}

} // namespace

HttpClient::HttpClient(QObject* parent)
    : QObject(parent) {
}

HttpClient::~HttpClient() {
    std::vector<HttpQueue*> queues;
    for (auto& [origin, connection] : m_origins) {
        if (connection.holder)
            queues.push_back(connection.holder);
        queues.insert(queues.end(), connection.waiting.begin(), connection.waiting.end());
        dropConnection(origin);
    }
    m_origins.clear();
    for (HttpQueue* queue : queues)
        queue->onClientGone();
}

bool HttpClient::takeTurn(HttpQueue* queue, const QString& origin) {
    Origin& connection = m_origins[origin];
    if (!connection.holder) {
        connection.holder = queue;
        return true;
    }
    connection.waiting.push_back(queue);
    return false;
}

void HttpClient::leave(HttpQueue* queue) {
    const auto found = m_origins.find(queue->m_origin);
    if (found == m_origins.end())
        return;
    Origin& connection = found->second;
    std::erase(connection.waiting, queue);
    if (connection.holder != queue)
        return;
    connection.holder = nullptr;
    if (connection.waiting.empty())
        return;
    // The next one sends at once, on the kept connection if it is still
    // good; a failure of its own comes a turn later, so nothing runs back
    // into the queue that is leaving.
    connection.holder = connection.waiting.front();
    connection.waiting.pop_front();
    connection.holder->onTurn();
}

QTcpSocket* HttpClient::socketFor(const QString& origin) const {
    const auto found = m_origins.find(origin);
    return found == m_origins.end() ? nullptr : found->second.socket;
}

QTcpSocket* HttpClient::connectTo(const QString& origin, const QUrl& url) {
    dropConnection(origin);
    const bool https = isHttps(url);
    // Without a parent: a callback may delete its queue, or this client,
    // while the socket is still emitting, so sockets only ever go through
    // deleteLater().
    QTcpSocket* socket = https ? new QSslSocket : new QTcpSocket;
    m_origins[origin].socket = socket;
    socket->setReadBufferSize(kReadPieceBytes);
    // Whatever the connection says goes to the request on it; between
    // requests it must stay silent, and a word from it then ends it.
    connect(socket, &QTcpSocket::readyRead, this, [this, origin] {
        if (HttpQueue* holder = m_origins[origin].holder)
            holder->onReadyRead();
        else
            dropConnection(origin);
    });
    const auto lost = [this, origin] {
        if (HttpQueue* holder = m_origins[origin].holder)
            holder->onConnectionLost();
        else
            dropConnection(origin);
    };
    connect(socket, &QTcpSocket::disconnected, this, lost);
    connect(socket, &QTcpSocket::errorOccurred, this, lost);
    const auto sendRequest = [this, origin] {
        if (HttpQueue* holder = m_origins[origin].holder)
            holder->writeRequest();
    };
    const quint16 port = quint16(url.port(https ? 443 : 80));
    if (https) {
        auto* sslSocket = static_cast<QSslSocket*>(socket);
        connect(sslSocket, &QSslSocket::encrypted, this, sendRequest);
        sslSocket->connectToHostEncrypted(url.host(), port);
    } else {
        connect(socket, &QTcpSocket::connected, this, sendRequest);
        socket->connectToHost(url.host(), port);
    }
    return socket;
}

void HttpClient::dropConnection(const QString& origin) {
    const auto found = m_origins.find(origin);
    if (found == m_origins.end())
        return;
    QTcpSocket* socket = std::exchange(found->second.socket, nullptr);
    if (!socket)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

HttpQueue::HttpQueue(HttpClient* client, const QString& baseUrl, QObject* parent)
    : QObject(parent)
    , m_client(client)
    , m_baseUrl(baseUrl)
    , m_deadline(new QTimer(this)) {
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no whole reply within %1 ms").arg(m_timeoutMs)); });
}

HttpQueue::~HttpQueue() {
    m_queue.clear();
    m_currentDone = nullptr;
    m_currentTextDone = nullptr;
    m_currentBytesDone = nullptr;
    if (m_busy)
        dropConnection(); // the service sees the request abandoned
    if (m_client)
        m_client->leave(this);
}

QTcpSocket* HttpQueue::socket() const {
    return m_client ? m_client->socketFor(m_origin) : nullptr;
}

void HttpQueue::onClientGone() {
    m_client = nullptr;
    if (!m_busy)
        return;
    const QScopedValueRollback<bool> starting(m_starting, true);
    fail(QStringLiteral("the program's HTTP client is gone"));
}

QUrl HttpQueue::urlFor(const std::string& target) const {
    return QUrl::fromEncoded(m_baseUrl.toUtf8() + QByteArray::fromStdString(target),
                             QUrl::StrictMode);
}

QString HttpQueue::redirectRefusal(const QUrl& from, const QUrl& to, int hop) {
    // Our header lines (a service's credentials) must not leave for another
    // host, nor travel unencrypted after an https service handed us on, and a
    // service must not point us at hosts on the user's own network.
    if (originOf(to) != originOf(from))
        return QLatin1String("redirect to another origin refused: ") + originOf(to);
    return hop > kMaxRedirects ? QStringLiteral("too many redirects") : QString();
}

void HttpQueue::fetch(const std::string& target, Callback done) {
    m_queue.push_back({target, std::move(done), nullptr, nullptr});
    startNext();
}

void HttpQueue::fetchStock(const QString& code, Callback done) {
    const QByteArray codeBytes = gbk::encode(code);
    fetch(quote::stockQuoteTarget(std::string_view(codeBytes.constData(), codeBytes.size())),
          std::move(done));
}

bool HttpQueue::setExtraHeaders(const QList<QByteArray>& lines) {
    QByteArray headers;
    for (const QByteArray& line : lines) {
        // A line break or a control character would let a header end the
        // request head early or smuggle in another request.
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || std::any_of(line.begin(), line.end(), [](char c) {
                return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f;
            }))
            return false;
        headers += line + "\r\n";
    }
    m_extraHeaders = headers;
    return true;
}

void HttpQueue::fetchText(const std::string& target, TextCallback done) {
    m_queue.push_back({target, nullptr, std::move(done), nullptr});
    startNext();
}

void HttpQueue::fetchBytes(const std::string& target, BytesCallback done) {
    m_queue.push_back({target, nullptr, nullptr, std::move(done)});
    startNext();
}

void HttpQueue::cancelAll() {
    m_queue.clear();
    m_currentDone = nullptr;
    m_currentTextDone = nullptr;
    m_currentBytesDone = nullptr;
    if (!m_busy)
        return; // a kept-alive connection with nothing on it stays for the next request
    m_busy = false;
    ++m_exchange;
    m_deadline->stop();
    m_response.reset();
    dropConnection(); // the service sees the request abandoned
    if (m_client)
        m_client->leave(this);
}

void HttpQueue::startNext() {
    if (m_busy || m_queue.empty())
        return;
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    m_busy = true;
    ++m_exchange;
    m_currentDone = std::move(request.done);
    m_currentTextDone = std::move(request.textDone);
    m_currentBytesDone = std::move(request.bytesDone);
    m_redirects = 0;
    m_url = urlFor(request.target);
    m_origin = originOf(m_url);
    if (!m_client || m_client->takeTurn(this, m_origin))
        onTurn();
}

void HttpQueue::onTurn() {
    // One deadline for the whole exchange: a service that drips a byte now
    // and then, or redirects in circles, must not hold the caller any longer
    // than a silent one.
    m_deadline->start(m_timeoutMs);
    send(m_url);
}

void HttpQueue::send(const QUrl& url) {
    m_url = url;
    m_response.emplace(http::ResponseLimits{std::size_t(kMaxHeadBytes), kMaxInterimReplies,
                                            std::size_t(m_maxBodyBytes)});
    m_text.clear();
    m_decodedBytes = 0;
    if (m_currentTextDone)
        m_textDecoder.emplace();
    // Whatever fails from here on fails a turn later: fetch() must not call
    // back into a caller still setting up, and a caller that queues its next
    // request from the callback must not recurse through a long list.
    const QScopedValueRollback<bool> starting(m_starting, true);
    const bool https = isHttps(url);
    if (!url.isValid() || url.host().isEmpty() || !isHttpOrHttps(url))
        return fail(QLatin1String("not an http or https address: ") + url.toDisplayString());
    if (https && !QSslSocket::supportsSsl())
        return fail(QStringLiteral("no TLS library for https"));

    if (!m_client)
        return fail(QStringLiteral("the program's HTTP client is gone"));

    m_replyBytesSeen = false;
    QTcpSocket* kept = socket();
    m_onReusedConnection =
        kept && kept->state() == QAbstractSocket::ConnectedState && kept->bytesAvailable() == 0;
    if (m_onReusedConnection)
        writeRequest();
    else
        m_client->connectTo(m_origin, url);
}

void HttpQueue::writeRequest() {
    socket()->write(requestFor(m_url, m_extraHeaders));
}

void HttpQueue::onReadyRead() {
    if (!m_response)
        return dropConnection(); // a kept-alive connection must stay silent between replies
    if (feedAvailable())
        onResponseEnded();
}

void HttpQueue::onConnectionLost() {
    if (!m_response)
        return dropConnection();
    // A kept-alive connection may be closed by the service (its idle time-out,
    // or a reply that ends it without saying so) while our next request is on
    // its way. Nothing of a reply came back, so the request was not answered
    // and goes once more on a fresh connection; once bytes of a reply came,
    // the service has acted on it and the fetch stands as it ends.
    if (m_onReusedConnection && !m_replyBytesSeen && socket()->bytesAvailable() == 0) {
        dropConnection();
        return send(m_url);
    }
    const QString lost = describe(*socket());
    // What the service sent before it closed still counts: it may end the body.
    if (!feedAvailable())
        m_response->endOfStream();
    onResponseEnded(lost);
}

// Hands what the socket holds to the parser; true once the response has
// ended, complete or failed.
bool HttpQueue::feedAvailable() {
    QTcpSocket* connection = socket();
    while (connection->bytesAvailable() > 0) {
        const QByteArray piece = connection->read(kReadPieceBytes);
        m_replyBytesSeen = true;
        const auto state =
            m_response->feed(std::string_view(piece.constData(), std::size_t(piece.size())));
        decodeArrivedText();
        if (state != http::ResponseParser::State::NeedMore)
            return true;
    }
    return false;
}

void HttpQueue::decodeArrivedText() {
    const std::string& body = m_response->body();
    if (!m_textDecoder || body.size() == m_decodedBytes)
        return;
    m_text += m_textDecoder->decode(
        QByteArrayView(body.data() + m_decodedBytes, qsizetype(body.size() - m_decodedBytes)));
    m_decodedBytes = body.size();
}

void HttpQueue::onResponseEnded(const QString& connectionError) {
    if (m_response->state() == http::ResponseParser::State::Failed)
        return fail(m_replyBytesSeen || connectionError.isEmpty()
                        ? QLatin1String("unreadable reply: ") + QLatin1String(m_response->failure())
                        : connectionError);
    const http::ResponseParser response = std::move(*m_response);
    m_response.reset();
    if (!response.keepAlive())
        dropConnection();

    if (isRedirect(response.status()) && !response.location().empty()) {
        const QUrl next =
            m_url.resolved(QUrl::fromEncoded(QByteArray::fromStdString(response.location())));
        // A redirect elsewhere than http(s) is a reply like any other.
        if (isHttpOrHttps(next)) {
            const QString refusal = redirectRefusal(m_url, next, ++m_redirects);
            return refusal.isEmpty() ? send(next) : fail(refusal);
        }
    }
    // An HTTP error page is still a body, as the service sent it: whatever
    // the status, the reply is split like any other.
    finishCurrent(&response.body(), response.status());
}

// Ends the current exchange as a failed fetch. The connection goes with it:
// what a misbehaving service sends next must not reach the next request.
// A request sent again on a fresh connection has not failed, so each failed
// fetch leaves one line in the log.
void HttpQueue::fail(const QString& why) {
    m_failure = why;
    qCWarning(lcNet).noquote() << "fetch of" << m_url.toDisplayString() << "failed:" << why;
    dropConnection();
    m_deadline->stop();
    m_response.reset();
    if (!m_starting)
        return finishCurrent(nullptr);
    QMetaObject::invokeMethod(
        this,
        [this, exchange = m_exchange] {
            if (m_busy && exchange == m_exchange)
                finishCurrent(nullptr);
        },
        Qt::QueuedConnection);
}

// Only the queue whose request is on the connection may end it.
void HttpQueue::dropConnection() {
    if (!m_client)
        return;
    const auto found = m_client->m_origins.find(m_origin);
    if (found != m_client->m_origins.end() && found->second.holder == this)
        m_client->dropConnection(m_origin);
}

void HttpQueue::finishCurrent(const std::string* body, int status) {
    Callback done = std::move(m_currentDone);
    TextCallback textDone = std::move(m_currentTextDone);
    BytesCallback bytesDone = std::move(m_currentBytesDone);
    m_currentDone = nullptr;
    m_currentTextDone = nullptr;
    m_currentBytesDone = nullptr;
    std::optional<QString> text;
    if (body && m_textDecoder) {
        m_text += m_textDecoder->finish();
        text = std::exchange(m_text, QString());
    }
    m_textDecoder.reset();
    m_busy = false;
    ++m_exchange;
    m_deadline->stop();
    m_lastStatus = body ? status : 0;
    if (body)
        m_failure.clear();
    m_response.reset();
    // Other queues' requests to this origin go first; this queue's next one
    // waits behind them.
    if (m_client)
        m_client->leave(this);
    // The callback may queue further requests or cancel; it runs before the
    // next queued request starts so the caller sees strict request order.
    QPointer<HttpQueue> self(this);
    if (done)
        done(body ? Result(quote::Reply(
                        gbk::decode(QByteArrayView(body->data(), qsizetype(body->size())))
                            .toStdU16String()))
                  : std::nullopt);
    else if (textDone)
        textDone(text);
    else if (bytesDone)
        bytesDone(body
                      ? std::optional<QByteArray>(QByteArray(body->data(), qsizetype(body->size())))
                      : std::nullopt);
    if (self)
        startNext();
}
