#include "bench/blockingrefresh.h"

#include "desk/deskrules.h"
#include "desk/quotecells.h"
#include "desk/watchlistmodel.h"
#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <QLabel>

namespace {

void showIndex(BlockingHttpClient& client, QLabel& label, const QString& name,
               std::string_view target) {
    std::optional<quote::Reply> reply;
    if (const auto body = client.get(QByteArray(target.data(), qsizetype(target.size()))))
        reply = quote::Reply(gbk::decode(*body).toStdU16String());
    desk::showIndex(&label, name, reply);
}

} // namespace

BlockingHttpClient::BlockingHttpClient(QString host, quint16 port, int timeoutMs,
                                       http::ResponseLimits limits)
    : m_host(std::move(host))
    , m_port(port)
    , m_timeoutMs(timeoutMs)
    , m_limits(limits) {
}

std::optional<QByteArray> BlockingHttpClient::get(const QByteArray& target) {
    if (!ensureConnected())
        return std::nullopt;
    m_socket.write("GET " + target + " HTTP/1.1\r\nHost: " + m_host.toLatin1() + ':' +
                   QByteArray::number(m_port) + "\r\nConnection: keep-alive\r\n\r\n");
    if (!m_socket.waitForBytesWritten(m_timeoutMs)) {
        m_socket.abort();
        return std::nullopt;
    }
    std::optional<QByteArray> body = readResponse();
    if (!body)
        m_socket.abort(); // whatever is left of a broken answer must not pass for the next one
    return body;
}

bool BlockingHttpClient::ensureConnected() {
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        return true;
    m_socket.abort();
    m_socket.connectToHost(m_host, m_port);
    return m_socket.waitForConnected(m_timeoutMs);
}

std::optional<QByteArray> BlockingHttpClient::readResponse() {
    using State = http::ResponseParser::State;
    http::ResponseParser response(m_limits);
    while (response.state() == State::NeedMore) {
        if (m_socket.bytesAvailable() > 0 || m_socket.waitForReadyRead(m_timeoutMs)) {
            const QByteArray piece = m_socket.readAll();
            response.feed(std::string_view(piece.constData(), std::size_t(piece.size())));
        } else if (m_socket.state() == QAbstractSocket::ConnectedState) {
            return std::nullopt; // nothing more within the time-out
        } else {
            response.endOfStream();
        }
    }
    if (response.state() == State::Failed)
        return std::nullopt;
    if (!response.keepAlive())
        m_socket.disconnectFromHost();
    return QByteArray::fromStdString(response.body());
}

void blockingRefreshTick(BlockingHttpClient& client, desk::WatchListModel& list, QLabel& shanghai,
                         QLabel& shenzhen) {
    for (const desk::WatchListModel::RowId id : list.rowIds()) {
        const QByteArray code = gbk::encode(list.find(id)->saved.code);
        const std::string target =
            quote::stockQuoteTarget(std::string_view(code.constData(), std::size_t(code.size())));
        if (const auto body = client.get(QByteArray::fromStdString(target)))
            desk::showQuote(list, id, quote::Reply(gbk::decode(*body).toStdU16String()));
    }
    showIndex(client, shenzhen, QStringLiteral("深证成指"), quote::kShenzhenIndexTarget);
    showIndex(client, shanghai, QStringLiteral("上证指数"), quote::kShanghaiIndexTarget);
}
