#include "net/loopbackhttp.h"

#include <QCoreApplication>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTextStream>
#include <QTime>
#include <QUrl>

#include <optional>

using namespace Qt::StringLiterals;

namespace http {

namespace {

QString methodName(QHttpServerRequest::Method method) {
    using Method = QHttpServerRequest::Method;
    switch (method) {
    case Method::Get:
        return u"GET"_s;
    case Method::Head:
        return u"HEAD"_s;
    case Method::Post:
        return u"POST"_s;
    case Method::Put:
        return u"PUT"_s;
    case Method::Delete:
        return u"DELETE"_s;
    default:
        return u"OTHER"_s;
    }
}

// The listening socket a service manager passed on: the first of LISTEN_FDS,
// which always starts at 3, when LISTEN_PID names this process. The variables
// go, so that no child takes them for its own.
std::optional<qintptr> activationSocket() {
    constexpr qintptr kFirstPassedSocket = 3;
    const bool forUs =
        qEnvironmentVariableIntValue("LISTEN_PID") == QCoreApplication::applicationPid();
    const bool passed = forUs && qEnvironmentVariableIntValue("LISTEN_FDS") >= 1;
    qunsetenv("LISTEN_PID");
    qunsetenv("LISTEN_FDS");
    qunsetenv("LISTEN_FDNAMES");
    return passed ? std::optional(kFirstPassedSocket) : std::nullopt;
}

} // namespace

quint16 LoopbackHttp::listen(quint16 port) {
    const std::optional<qintptr> passed = activationSocket();
    if (!passed)
        return m_http.listen(QHostAddress::LocalHost, port);
    auto* server = new QTcpServer(&m_http);
    if (!server->setSocketDescriptor(*passed) || !server->isListening() ||
        !server->serverAddress().isLoopback()) {
        delete server;
        return 0;
    }
    m_http.bind(server);
    return server->serverPort();
}

LoopbackHttp::LoopbackHttp(Handler handler)
    : m_handler(std::move(handler)) {
    m_http.setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            respond(request, std::move(responder));
        });
}

void LoopbackHttp::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    if (m_log) {
        const QUrl url = request.url();
        *m_log << QTime::currentTime().toString(u"HH:mm:ss.zzz") << u' '
               << methodName(request.method()) << u' ' << url.path(QUrl::FullyEncoded)
               << (url.hasQuery() ? u"?"_s + url.query(QUrl::FullyEncoded) : QString()) << Qt::endl;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QHttpServerResponder::StatusCode::MethodNotAllowed);
        return;
    }
    m_handler(request, std::move(responder));
}

} // namespace http
