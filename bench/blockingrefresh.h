#pragma once

#include "net/httpresponseparser.h"

#include <QByteArray>
#include <QString>
#include <QTcpSocket>

#include <optional>

class QLabel;
namespace desk {
class WatchListModel;
}

// A synchronous GET over one kept-alive connection, the way a browser control's
// OpenURL call fetches: the calling thread, and with it its event loop, waits
// until the whole body is in or the time-out has passed. It reads replies as
// Quillon's own fetcher does, within the same limits unless given others.
class BlockingHttpClient {
public:
    BlockingHttpClient(QString host, quint16 port, int timeoutMs, http::ResponseLimits limits = {});

    // The body of a GET of target, or nothing when the transfer failed.
    std::optional<QByteArray> get(const QByteArray& target);

private:
    bool ensureConnected();
    std::optional<QByteArray> readResponse();

    QString m_host;
    quint16 m_port;
    int m_timeoutMs;
    http::ResponseLimits m_limits;
    QTcpSocket m_socket;
};

// The refresh tick done with blocking fetches: every row in order, then the
// Shenzhen and the Shanghai index, writing the same cells and colours as
// Quillon's own tick, without ever returning to the event loop in between.
void blockingRefreshTick(BlockingHttpClient& client, desk::WatchListModel& list, QLabel& shanghai,
                         QLabel& shenzhen);
