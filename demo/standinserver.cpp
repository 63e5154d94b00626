#include "demo/standinserver.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace standin {

StandinServer::StandinServer(quint64 seed, int stepMs)
    : m_book(seed)
    , m_site(m_book)
    , m_http([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        respond(request, std::move(responder));
    }) {
    m_stepTimer.setInterval(std::max(1, stepMs));
    QObject::connect(&m_stepTimer, &QTimer::timeout, [this] { m_book.step(); });
}

quint16 StandinServer::listen(quint16 port) {
    const quint16 bound = m_http.listen(port);
    if (bound != 0)
        m_stepTimer.start();
    return bound;
}

void StandinServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QUrl url = request.url();
    const QString query = url.query(QUrl::FullyEncoded);
    const Reply reply = m_site.handle(url.path(), query, QDateTime::currentDateTime());
    responder.write(reply.body, {{"Content-Type", reply.contentType}},
                    static_cast<QHttpServerResponder::StatusCode>(reply.status));
}

} // namespace standin
