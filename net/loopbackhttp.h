#pragma once

#include <QHttpServer>

#include <functional>

class QTextStream;

namespace http {

// The HTTP set-up the stand-in and the quote gateway share: the loopback
// address only, GETs only, one line per request on a log, and no routes, so
// every path, including those of the quote service that only differ in their
// query, is decided by one handler.
class LoopbackHttp {
public:
    using Handler = std::function<void(const QHttpServerRequest&, QHttpServerResponder&&)>;

    explicit LoopbackHttp(Handler handler);

    // Null keeps quiet.
    void setLog(QTextStream* log) { m_log = log; }

    // Binds 127.0.0.1 only. Port 0 takes any free port. Started by socket
    // activation (systemd's LISTEN_FDS), it serves the socket passed on
    // instead, which must be on a loopback address too. Returns the port
    // bound, or 0 when it could not be bound.
    quint16 listen(quint16 port);

private:
    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);

    QHttpServer m_http;
    Handler m_handler;
    QTextStream* m_log = nullptr;
};

} // namespace http
