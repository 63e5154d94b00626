#include "site/siteserver.h"

#include "quote/quotereply.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace site {

namespace {

void writePage(QHttpServerResponder& responder, const QByteArray& page) {
    // The pages say their own character set, as a publisher wrote them.
    responder.write(page, {{"Content-Type", "text/html"}, {"Cache-Control", "no-cache"}});
}

} // namespace

SiteServer::SiteServer(ContentFolders folders, const QString& quoteBaseUrl, QObject* parent)
    : QObject(parent)
    , m_folders(std::move(folders))
    , m_http([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        respond(request, std::move(responder));
    })
    , m_indexFetcher(&m_client, quoteBaseUrl)
    , m_now([] { return QDateTime::currentDateTime(); }) {
    m_indexFetcher.setTimeout(kIndexTimeoutMs);
}

void SiteServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QUrl url = request.url();
    const std::optional<QString> file = fileFor(url.path(), url.query(QUrl::FullyEncoded));
    const std::optional<QByteArray> content = file ? m_folders.read(*file) : std::nullopt;
    if (!content)
        return responder.write(QHttpServerResponder::StatusCode::NotFound);
    if (*file != QLatin1String(kRiskFile))
        return writePage(responder, withToday(*content, m_now().date()));

    const QString word = riskWord(*content);
    if (word != QLatin1String(kAutoGrade))
        return writePage(responder, riskPage(word));
    if (m_gradeAge.isValid() && m_gradeAge.elapsed() < kGradeKeptMs && m_waitingForGrade.empty())
        return writePage(responder, riskPage(m_grade));
    QPointer<QTcpSocket> socket = responder.socket();
    m_waitingForGrade.push_back(
        {socket, std::make_unique<QHttpServerResponder>(std::move(responder))});
    if (m_waitingForGrade.size() == 1)
        m_indexFetcher.fetch(
            std::string(quote::kShanghaiIndexTarget), [this](const HttpQueue::Result& reply) {
                // An error page's figures are no index.
                gradeArrived(m_indexFetcher.lastStatus() == 200 ? reply : std::nullopt);
            });
}

void SiteServer::gradeArrived(const HttpQueue::Result& reply) {
    m_grade = reply ? gradeFromIndexReply(reply->field(quote::kIndexLevelField),
                                          reply->field(quote::kIndexPreviousCloseField))
                    : QString();
    m_gradeAge.start();
    const std::vector<Waiting> waiting = std::move(m_waitingForGrade);
    m_waitingForGrade.clear();
    for (const Waiting& request : waiting)
        if (request.socket)
            writePage(*request.responder, riskPage(m_grade));
}

} // namespace site
