#pragma once

#include "demo/quotebook.h"
#include "demo/site.h"
#include "net/loopbackhttp.h"

#include <QTimer>

class QTextStream;

namespace standin {

// The HTTP side: listens on the loopback address, hands every GET to the
// Site and moves the quote book one step every `stepMs` milliseconds.
class StandinServer {
public:
    StandinServer(quint64 seed, int stepMs);

    // One line per request goes to `log`; null keeps quiet.
    void setLog(QTextStream* log) { m_http.setLog(log); }

    // Binds 127.0.0.1 only. Port 0 takes any free port. Returns the port
    // bound, or 0 when it could not be bound.
    quint16 listen(quint16 port);

    const QuoteBook& book() const { return m_book; }
    Site& site() { return m_site; }

private:
    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);

    QuoteBook m_book;
    Site m_site;
    http::LoopbackHttp m_http;
    QTimer m_stepTimer;
};

} // namespace standin
