#include "demo/standinserver.h"

#include "quote/gbk.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTextStream>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace standin {

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

} // namespace

StandinServer::StandinServer(quint64 seed, int stepMs)
    : m_book(seed)
    , m_site(m_book) {
    // No routes: every request falls through to one handler, so all paths,
    // including those of the quote service that only differ in their query,
    // are decided in one place.
    m_http.setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            respond(request, std::move(responder));
        });
    m_stepTimer.setInterval(std::max(1, stepMs));
    QObject::connect(&m_stepTimer, &QTimer::timeout, [this] { m_book.step(); });
}

quint16 StandinServer::listen(quint16 port) {
    const quint16 bound = m_http.listen(QHostAddress::LocalHost, port);
    if (bound != 0)
        m_stepTimer.start();
    return bound;
}

void StandinServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QUrl url = request.url();
    const QString query = url.query(QUrl::FullyEncoded);
    if (m_log) {
        *m_log << QTime::currentTime().toString(u"HH:mm:ss.zzz") << u' '
               << methodName(request.method()) << u' ' << url.path(QUrl::FullyEncoded)
               << (url.hasQuery() ? u"?"_s + query : QString()) << Qt::endl;
    }

    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QHttpServerResponder::StatusCode::MethodNotAllowed);
        return;
    }
    const Reply reply = m_site.handle(url.path(), query, QDateTime::currentDateTime());
    responder.write(reply.body, {{"Content-Type", reply.contentType}},
                    static_cast<QHttpServerResponder::StatusCode>(reply.status));
}

} // namespace standin
