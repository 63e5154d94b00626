#include "quote/quotefetcher.h"

#include "quote/gbk.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

QuoteFetcher::QuoteFetcher(const QString& baseUrl, QObject* parent)
    : QObject(parent)
    , m_baseUrl(baseUrl)
    , m_network(new QNetworkAccessManager(this))
    , m_deadline(new QTimer(this)) {
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (m_inFlight)
            m_inFlight->abort();
    });
}

QuoteFetcher::~QuoteFetcher() {
    m_queue.clear();
    m_currentDone = nullptr;
    if (m_inFlight) {
        m_inFlight->disconnect(this);
        m_inFlight->abort();
    }
}

QUrl QuoteFetcher::urlFor(const std::string& target) const {
    return QUrl::fromEncoded(m_baseUrl.toUtf8() + QByteArray::fromStdString(target),
                             QUrl::StrictMode);
}

void QuoteFetcher::fetch(const std::string& target, Callback done) {
    m_queue.push_back({target, std::move(done)});
    if (!m_inFlight && !m_failingSoon)
        startNext();
}

void QuoteFetcher::fetchStock(const QString& code, Callback done) {
    const QByteArray codeBytes = gbk::encode(code);
    fetch(quote::stockQuoteTarget(std::string_view(codeBytes.constData(), codeBytes.size())),
          std::move(done));
}

void QuoteFetcher::cancelAll() {
    m_deadline->stop();
    m_queue.clear();
    m_currentDone = nullptr;
    if (m_inFlight) {
        QNetworkReply* reply = m_inFlight;
        m_inFlight = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void QuoteFetcher::startNext() {
    while (!m_queue.empty() && !m_inFlight && !m_failingSoon) {
        Request request = std::move(m_queue.front());
        m_queue.pop_front();

        const QUrl url = urlFor(request.target);
        if (!url.isValid()) {
            // A base URL that cannot form a request fails like an unreachable
            // host, and later, like one: a caller that queues its next request
            // from the callback must not recurse through a long list.
            m_currentDone = std::move(request.done);
            m_failingSoon = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_failingSoon = false;
                    finishCurrent(std::nullopt);
                },
                Qt::QueuedConnection);
            return;
        }
        QNetworkRequest networkRequest(url);
        networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                    QNetworkRequest::AlwaysNetwork);
        m_body.clear();
        m_overflowed = false;
        m_currentDone = std::move(request.done);
        m_inFlight = m_network->get(networkRequest);
        connect(m_inFlight, &QNetworkReply::readyRead, this, &QuoteFetcher::onReadyRead);
        connect(m_inFlight, &QNetworkReply::finished, this, &QuoteFetcher::onFinished);
        // One deadline for the whole transfer: a service that drips a byte now
        // and then must not hold the caller any longer than a silent one.
        m_deadline->start(m_timeoutMs);
    }
}

void QuoteFetcher::onReadyRead() {
    if (!m_inFlight || m_overflowed)
        return;
    // Qt would otherwise buffer the whole body, however large; we count as it comes.
    m_body += m_inFlight->readAll();
    if (m_body.size() > kMaxReplyBytes) {
        m_overflowed = true;
        m_inFlight->abort();
    }
}

void QuoteFetcher::onFinished() {
    QNetworkReply* reply = m_inFlight;
    if (!reply)
        return;
    m_deadline->stop();
    if (!m_overflowed && reply->isOpen())
        m_body += reply->readAll();

    Result result;
    const QNetworkReply::NetworkError error = reply->error();
    const bool httpAnswered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    // An HTTP error page is still a body, as the service sent it (Qt reports
    // its status as an error); only a transfer that broke, timed out, came
    // malformed or grew too large is a failed fetch.
    const bool transferBroke =
        (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
        error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
    if (httpAnswered && !transferBroke && !m_overflowed && m_body.size() <= kMaxReplyBytes)
        result = quote::Reply(gbk::decode(m_body).toStdU16String());

    m_inFlight = nullptr;
    reply->deleteLater();
    finishCurrent(result);
}

void QuoteFetcher::finishCurrent(const Result& result) {
    Callback done = std::move(m_currentDone);
    m_currentDone = nullptr;
    m_body.clear();
    // The callback may queue further requests or cancel; it runs before the
    // next queued request starts so the caller sees strict request order.
    QPointer<QuoteFetcher> self(this);
    if (done)
        done(result);
    if (self && !m_inFlight && !m_failingSoon)
        startNext();
}
