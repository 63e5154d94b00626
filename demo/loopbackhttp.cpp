#include "demo/loopbackhttp.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTextStream>
#include <QTime>
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

} // namespace standin
