#include "net/quotefetcher.h"

#include "net/netlog.h"
#include "quote/gbk.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

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

QuoteFetcher::QuoteFetcher(const QString& baseUrl, QObject* parent)
    : QObject(parent)
    , m_baseUrl(baseUrl)
    , m_deadline(new QTimer(this)) {
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no whole reply within %1 ms").arg(m_timeoutMs)); });
}

QuoteFetcher::~QuoteFetcher() {
    m_queue.clear();
    m_currentDone = nullptr;
    m_currentTextDone = nullptr;
    m_currentBytesDone = nullptr;
    dropConnection();
}

QUrl QuoteFetcher::urlFor(const std::string& target) const {
    return QUrl::fromEncoded(m_baseUrl.toUtf8() + QByteArray::fromStdString(target),
                             QUrl::StrictMode);
}

QString QuoteFetcher::redirectRefusal(const QUrl& from, const QUrl& to, int hop) {
    // Our header lines (a service's credentials) must not leave for another
    // host, nor travel unencrypted after an https service handed us on, and a
    // service must not point us at hosts on the user's own network.
    if (originOf(to) != originOf(from))
        return QLatin1String("redirect to another origin refused: ") + originOf(to);
    return hop > kMaxRedirects ? QStringLiteral("too many redirects") : QString();
}

void QuoteFetcher::fetch(const std::string& target, Callback done) {
    m_queue.push_back({target, std::move(done), nullptr, nullptr});
    startNext();
}

void QuoteFetcher::fetchStock(const QString& code, Callback done) {
    const QByteArray codeBytes = gbk::encode(code);
    fetch(quote::stockQuoteTarget(std::string_view(codeBytes.constData(), codeBytes.size())),
          std::move(done));
}

bool QuoteFetcher::setExtraHeaders(const QList<QByteArray>& lines) {
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

void QuoteFetcher::fetchText(const std::string& target, TextCallback done) {
    m_queue.push_back({target, nullptr, std::move(done), nullptr});
    startNext();
}

void QuoteFetcher::fetchBytes(const std::string& target, BytesCallback done) {
    m_queue.push_back({target, nullptr, nullptr, std::move(done)});
    startNext();
}

void QuoteFetcher::cancelAll() {
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
}

void QuoteFetcher::startNext() {
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
    // One deadline for the whole exchange: a service that drips a byte now
    // and then, or redirects in circles, must not hold the caller any longer
    // than a silent one.
    m_deadline->start(m_timeoutMs);
    send(urlFor(request.target));
}

void QuoteFetcher::send(const QUrl& url) {
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

    const QString origin = originOf(url);
    m_replyBytesSeen = false;
    m_onReusedConnection = m_socket && m_socketOrigin == origin &&
                           m_socket->state() == QAbstractSocket::ConnectedState &&
                           m_socket->bytesAvailable() == 0;
    if (m_onReusedConnection) {
        m_socket->write(requestFor(url, m_extraHeaders));
        return;
    }
    dropConnection();
    // Without a parent: a callback may delete this fetcher while the socket
    // is still emitting, so sockets only ever go through deleteLater().
    QTcpSocket* socket = https ? new QSslSocket : new QTcpSocket;
    m_socket = socket;
    m_socketOrigin = origin;
    socket->setReadBufferSize(kReadPieceBytes);
    connect(socket, &QTcpSocket::readyRead, this, &QuoteFetcher::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &QuoteFetcher::onConnectionLost);
    connect(socket, &QTcpSocket::errorOccurred, this, &QuoteFetcher::onConnectionLost);
    const auto sendRequest = [this, socket] {
        socket->write(requestFor(m_url, m_extraHeaders));
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
}

void QuoteFetcher::onReadyRead() {
    if (!m_response)
        return dropConnection(); // a kept-alive connection must stay silent between replies
    if (feedAvailable())
        onResponseEnded();
}

void QuoteFetcher::onConnectionLost() {
    if (!m_response)
        return dropConnection();
    // A kept-alive connection may be closed by the service (its idle time-out,
    // or a reply that ends it without saying so) while our next request is on
    // its way. Nothing of a reply came back, so the request was not answered
    // and goes once more on a fresh connection; once bytes of a reply came,
    // the service has acted on it and the fetch stands as it ends.
    if (m_onReusedConnection && !m_replyBytesSeen && m_socket->bytesAvailable() == 0) {
        dropConnection();
        return send(m_url);
    }
    const QString lost = describe(*m_socket);
    // What the service sent before it closed still counts: it may end the body.
    if (!feedAvailable())
        m_response->endOfStream();
    onResponseEnded(lost);
}

// Hands what the socket holds to the parser; true once the response has
// ended, complete or failed.
bool QuoteFetcher::feedAvailable() {
    while (m_socket->bytesAvailable() > 0) {
        const QByteArray piece = m_socket->read(kReadPieceBytes);
        m_replyBytesSeen = true;
        const auto state =
            m_response->feed(std::string_view(piece.constData(), std::size_t(piece.size())));
        decodeArrivedText();
        if (state != http::ResponseParser::State::NeedMore)
            return true;
    }
    return false;
}

void QuoteFetcher::decodeArrivedText() {
    const std::string& body = m_response->body();
    if (!m_textDecoder || body.size() == m_decodedBytes)
        return;
    m_text += m_textDecoder->decode(
        QByteArrayView(body.data() + m_decodedBytes, qsizetype(body.size() - m_decodedBytes)));
    m_decodedBytes = body.size();
}

void QuoteFetcher::onResponseEnded(const QString& connectionError) {
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
void QuoteFetcher::fail(const QString& why) {
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

void QuoteFetcher::dropConnection() {
    QTcpSocket* socket = std::exchange(m_socket, nullptr);
    m_socketOrigin.clear();
    if (!socket)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void QuoteFetcher::finishCurrent(const std::string* body, int status) {
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
    // The callback may queue further requests or cancel; it runs before the
    // next queued request starts so the caller sees strict request order.
    QPointer<QuoteFetcher> self(this);
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
