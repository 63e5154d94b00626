#include "bench/blockingrefresh.h"

#include "desk/deskrules.h"
#include "desk/quotecells.h"
#include "desk/watchlistview.h"
#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <QLabel>

namespace {

std::optional<QByteArray> headerValue(const QList<QByteArray>& headLines, QByteArrayView name) {
    for (const QByteArray& line : headLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return std::nullopt;
}

void showIndex(BlockingHttpClient& client, QLabel& label, const QString& name,
               std::string_view target) {
    std::optional<quote::Reply> reply;
    if (const auto body = client.get(QByteArray(target.data(), qsizetype(target.size()))))
        reply = quote::Reply(gbk::decode(*body).toStdU16String());
    desk::showIndex(&label, name, reply);
}

} // namespace

BlockingHttpClient::BlockingHttpClient(QString host, quint16 port, int timeoutMs)
    : m_host(std::move(host))
    , m_port(port)
    , m_timeoutMs(timeoutMs) {
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
    m_buffer.clear();
    m_socket.connectToHost(m_host, m_port);
    return m_socket.waitForConnected(m_timeoutMs);
}

bool BlockingHttpClient::waitForMore() {
    if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(m_timeoutMs))
        return false;
    m_buffer += m_socket.readAll();
    return true;
}

std::optional<QByteArray> BlockingHttpClient::readResponse() {
    qsizetype headEnd = -1;
    while ((headEnd = m_buffer.indexOf("\r\n\r\n")) < 0) {
        if (!waitForMore())
            return std::nullopt;
    }
    const QList<QByteArray> headLines = m_buffer.left(headEnd).split('\n');
    if (!headLines.value(0).startsWith("HTTP/1."))
        return std::nullopt;
    // Our service frames every answer with Content-Length; anything else counts as a failure.
    const auto length = headerValue(headLines, "Content-Length");
    bool lengthOk = false;
    const qsizetype bodyBytes = length ? length->toLongLong(&lengthOk) : 0;
    if (!lengthOk || bodyBytes < 0)
        return std::nullopt;
    while (m_buffer.size() < headEnd + 4 + bodyBytes) {
        if (!waitForMore())
            return std::nullopt;
    }
    QByteArray body = m_buffer.mid(headEnd + 4, bodyBytes);
    m_buffer.remove(0, headEnd + 4 + bodyBytes);
    const auto connection = headerValue(headLines, "Connection");
    if (connection && connection->compare("close", Qt::CaseInsensitive) == 0)
        m_socket.disconnectFromHost();
    return body;
}

void blockingRefreshTick(BlockingHttpClient& client, WatchListView& list, QLabel& shanghai,
                         QLabel& shenzhen) {
    for (const WatchListView::RowId id : list.rowIds()) {
        QTreeWidgetItem* item = list.itemFor(id);
        if (!item)
            continue;
        const QByteArray code = gbk::encode(item->text(desk::CodeColumn));
        const std::string target =
            quote::stockQuoteTarget(std::string_view(code.constData(), std::size_t(code.size())));
        if (const auto body = client.get(QByteArray::fromStdString(target)))
            desk::showQuote(item, quote::Reply(gbk::decode(*body).toStdU16String()));
    }
    showIndex(client, shenzhen, QStringLiteral("深证成指"), quote::kShenzhenIndexTarget);
    showIndex(client, shanghai, QStringLiteral("上证指数"), quote::kShanghaiIndexTarget);
}
