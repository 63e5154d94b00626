#pragma once

#include "net/httpclient.h"
#include "net/loopbackhttp.h"
#include "site/sitecontent.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <vector>

class QTextStream;

namespace site {

// quillon-site: the maker's pages on loopback from the content folders. A
// risk page left to `auto` waits for the Shanghai Composite from the quote
// service (one fetch at a time, its answer kept a few seconds) and gives no
// grade when the service has none: never one that was not earned.
class SiteServer : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    static constexpr int kIndexTimeoutMs = 3000;
    static constexpr qint64 kGradeKeptMs = 5000;

    SiteServer(ContentFolders folders, const QString& quoteBaseUrl, QObject* parent = nullptr);

    void setClock(Clock clock) { m_now = std::move(clock); }
    void setLog(QTextStream* log) { m_http.setLog(log); }
    // 127.0.0.1 only (or the socket systemd passes on); the port bound, or 0.
    quint16 listen(quint16 port) { return m_http.listen(port); }

private:
    struct Waiting {
        QPointer<QTcpSocket> socket; // gone when the browser hung up meanwhile
        std::unique_ptr<QHttpServerResponder> responder;
    };

    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    void gradeArrived(const HttpQueue::Result& reply);

    ContentFolders m_folders;
    http::LoopbackHttp m_http;
    HttpClient m_client; // before its queue, which leaves it as it goes
    HttpQueue m_indexFetcher;
    Clock m_now;
    std::vector<Waiting> m_waitingForGrade;
    QString m_grade;
    QElapsedTimer m_gradeAge; // invalid until a grade was asked for
};

} // namespace site
