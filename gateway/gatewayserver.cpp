#include "gateway/gatewayserver.h"

#include "gateway/newsfeed.h"
#include "quote/gbk.h"
#include "services/sitepages.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTextStream>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace gateway {

namespace {

const QString kNewsKey = u"news"_s; // the news page's one entry in its gate

void write(QHttpServerResponder& responder, const QByteArray& body) {
    responder.write(body, {{"Content-Type", "text/plain; charset=gbk"}});
}

void writeNews(QHttpServerResponder& responder, const QByteArray& page) {
    responder.write(page, {{"Content-Type", "text/html; charset=gbk"}});
}

bool looksLikeHtml(const QString& body) {
    const QString head = body.left(512).trimmed().toLower();
    return head.startsWith(u'<') || head.contains(u"<html"_s);
}

} // namespace

GatewayServer::GatewayServer(const Upstream& upstream, QTextStream* problems, QObject* parent)
    : QObject(parent)
    , m_http([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        respond(request, std::move(responder));
    })
    , m_fetcher(&m_client, upstream.baseUrl)
    , m_chartFetcher(&m_client, upstream.chartBaseUrl)
    , m_newsFetcher(&m_client, upstream.newsBaseUrl)
    , m_format(upstream.format)
    , m_headersValid(m_fetcher.setExtraHeaders(upstream.headers) &&
                     m_chartFetcher.setExtraHeaders(upstream.headers) &&
                     m_newsFetcher.setExtraHeaders(upstream.headers))
    , m_gate([this] { return m_clock.elapsed(); })
    , m_charts([this] { return m_clock.elapsed(); }, kPagePeriodMs, kMaxCharts)
    , m_news([this] { return m_clock.elapsed(); }, kPagePeriodMs, 1)
    , m_problems(problems) {
    m_clock.start();
    for (HttpQueue* fetcher : {&m_fetcher, &m_chartFetcher, &m_newsFetcher})
        fetcher->setTimeout(upstream.timeoutMs);
    m_fetcher.setMaxBodyBytes(kMaxUpstreamBytes);
    m_chartFetcher.setMaxBodyBytes(kMaxImageBytes);
    m_newsFetcher.setMaxBodyBytes(news::kMaxFeedBytes);
}

void GatewayServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QUrl url = request.url();
    const QString path = url.path(QUrl::FullyEncoded);
    if (path == u"/msq"_s)
        return respondQuote(url, std::move(responder));
    if (path == QLatin1String(pages::kNews))
        return respondNews(std::move(responder));
    const QStringList parts = path.split(u'/'); // "", "cn", the code, the page
    if (parts.size() == 4 && parts[0].isEmpty() && parts[1] == u"cn"_s &&
        (parts[3] == QLatin1String(kChartPageLeaf) || parts[3] == QLatin1String(kChartImageLeaf)))
        return respondChart(parts[2], parts[3] == QLatin1String(kChartImageLeaf),
                            std::move(responder));
    responder.write(QHttpServerResponder::StatusCode::NotFound);
}

void GatewayServer::respondQuote(const QUrl& url, QHttpServerResponder&& responder) {
    // Like the service Quillon was made for: a request for nothing it
    // knows gets an empty body with status 200.
    const std::optional<Wanted> wanted = wantedFor(url.query(QUrl::FullyEncoded));
    if (!wanted || !m_waiting.hasRoomFor(wanted->symbol))
        return write(responder, {});

    switch (m_gate.ask(wanted->symbol)) {
    case QuoteGate::Step::Serve:
        return write(responder, m_gate.answer(wanted->symbol));
    case QuoteGate::Step::Fetch:
        m_fetcher.fetchText(upstreamTarget(m_format, wanted->symbol).toStdString(),
                            [this, wanted = *wanted](const std::optional<QString>& body) {
                                fetched(wanted, body, m_fetcher.lastStatus());
                            });
        [[fallthrough]];
    case QuoteGate::Step::Join:
        return m_waiting.wait(wanted->symbol, std::move(responder));
    }
}

void GatewayServer::fetched(const Wanted& wanted, const std::optional<QString>& body, int status) {
    QByteArray reply;
    const QString& symbol = wanted.symbol;
    if (!body) {
        // Still inside the fetcher's callback, so its reason is this fetch's.
        report(m_feedSaid, u" did not answer: "_s + m_fetcher.lastFailure(), symbol);
    } else if (status != 200 || looksLikeHtml(*body)) {
        report(m_feedSaid,
               u" refused us: HTTP %1%2"_s.arg(status).arg(
                   looksLikeHtml(*body) ? u", an HTML page"_s : QString()),
               symbol);
    } else {
        const FeedAnswer answer = parseFeed(m_format, *body, symbol);
        if (const auto* quote = std::get_if<FeedQuote>(&answer)) {
            reply = quillonReply(wanted, *quote);
            m_seen.record(wanted, *quote, m_now());
            report(m_feedSaid, {}, symbol);
        } else if (const auto* garbled = std::get_if<Garbled>(&answer)) {
            report(m_feedSaid, u"'s reply is not in the format we read: "_s + garbled->why, symbol);
        } else {
            report(m_feedSaid, {},
                   symbol); // the feed knows no such code: a good answer all the same
        }
    }

    m_gate.settle(symbol, reply);
    m_waiting.release(symbol, [&](QHttpServerResponder& responder) { write(responder, reply); });
}

// The page waits for the image's fetch, so that it can say whether there is
// an image; the image itself is only ever answered from what is held.
void GatewayServer::respondChart(const QString& code, bool image,
                                 QHttpServerResponder&& responder) {
    const std::optional<Wanted> wanted = wantedFor(u"cn_"_s + code);
    if (!wanted) {
        if (image)
            return responder.write(QHttpServerResponder::StatusCode::NotFound);
        return responder.write(noSuchCodePage(QUrl::fromPercentEncoding(code.toUtf8())).toUtf8(),
                               {{"Content-Type", "text/html; charset=utf-8"}});
    }
    const QString& symbol = wanted->symbol;
    if (image) {
        const QByteArray* held = m_charts.held(symbol);
        const QByteArray type = held ? imageType(*held) : QByteArray();
        if (type.isEmpty())
            return responder.write(QHttpServerResponder::StatusCode::NotFound);
        return responder.write(*held, {{"Content-Type", type}, {"Cache-Control", "no-cache"}});
    }
    if (!m_waitingCharts.hasRoomFor(symbol))
        return writeChartPage(responder, *wanted);

    switch (m_charts.ask(symbol)) {
    case QuoteGate::Step::Serve:
        return writeChartPage(responder, *wanted);
    case QuoteGate::Step::Fetch:
        m_chartFetcher.fetchBytes(chartImageTarget(symbol).toStdString(),
                                  [this, wanted = *wanted](const std::optional<QByteArray>& bytes) {
                                      chartFetched(wanted, bytes);
                                  });
        [[fallthrough]];
    case QuoteGate::Step::Join:
        return m_waitingCharts.wait(symbol, std::move(responder));
    }
}

void GatewayServer::chartFetched(const Wanted& wanted, const std::optional<QByteArray>& bytes) {
    const QString& symbol = wanted.symbol;
    const int status = m_chartFetcher.lastStatus();
    QByteArray image;
    if (!bytes) {
        report(m_chartSaid, u" did not answer: "_s + m_chartFetcher.lastFailure(), symbol);
    } else if (status != 200) {
        report(m_chartSaid, u" refused us: HTTP %1"_s.arg(status), symbol);
    } else if (imageType(*bytes).isEmpty()) {
        report(m_chartSaid, u"'s reply is not a GIF, PNG or JPEG image"_s, symbol);
    } else {
        image = *bytes;
        report(m_chartSaid, {}, symbol);
    }

    m_charts.settle(symbol, image);
    m_waitingCharts.release(
        symbol, [&](QHttpServerResponder& responder) { writeChartPage(responder, wanted); });
}

void GatewayServer::writeChartPage(QHttpServerResponder& responder, const Wanted& wanted) {
    const QByteArray* held = m_charts.held(wanted.symbol);
    const bool image = held && !imageType(*held).isEmpty();
    responder.write(chartPage(wanted, image, m_seen.today(wanted.symbol, m_now())).toUtf8(),
                    {{"Content-Type", "text/html; charset=utf-8"}});
}

void GatewayServer::respondNews(QHttpServerResponder&& responder) {
    switch (m_news.ask(kNewsKey)) {
    case QuoteGate::Step::Serve:
        return writeNews(responder, m_news.answer(kNewsKey));
    case QuoteGate::Step::Fetch:
        m_newsFetcher.fetchBytes(news::kFeedTarget, [this](const std::optional<QByteArray>& body) {
            newsFetched(body);
        });
        break;
    case QuoteGate::Step::Join:
        if (m_waitingNews.waitingFor(kNewsKey) >= std::size_t(kMaxOutstanding))
            return writeNews(responder, gbk::encode(news::page({})));
        break;
    }
    m_waitingNews.wait(kNewsKey, std::move(responder));
}

// Whatever goes wrong, the page has no items: the tracker then lists nothing,
// which is the truth.
void GatewayServer::newsFetched(const std::optional<QByteArray>& body) {
    const QString asked = u"the news"_s;
    const int status = m_newsFetcher.lastStatus();
    std::vector<news::Item> items;
    if (!body) {
        report(m_newsSaid, u" did not answer: "_s + m_newsFetcher.lastFailure(), asked);
    } else if (status != 200) {
        report(m_newsSaid, u" refused us: HTTP %1"_s.arg(status), asked);
    } else {
        news::Answer answer = news::todaysItems(*body, m_now());
        if (const auto* garbled = std::get_if<Garbled>(&answer)) {
            report(m_newsSaid, u"'s reply is not in the format we read: "_s + garbled->why, asked);
        } else {
            items = std::move(std::get<std::vector<news::Item>>(answer));
            report(m_newsSaid, {}, asked);
        }
    }

    const QByteArray page = gbk::encode(news::page(items));
    m_news.settle(kNewsKey, page);
    m_waitingNews.release(kNewsKey,
                          [&](QHttpServerResponder& responder) { writeNews(responder, page); });
}

void GatewayServer::WaitingRoom::wait(const QString& key, QHttpServerResponder&& responder) {
    QPointer<QTcpSocket> socket = responder.socket();
    m_byKey[key].push_back({socket, std::make_unique<QHttpServerResponder>(std::move(responder))});
}

void GatewayServer::WaitingRoom::release(const QString& key,
                                         const std::function<void(QHttpServerResponder&)>& answer) {
    const auto found = m_byKey.find(key);
    if (found == m_byKey.end())
        return;
    // Taken out first: an answer may let a new request in for the same key.
    const std::vector<Waiting> waiting = std::move(found->second);
    m_byKey.erase(found);
    for (const Waiting& request : waiting)
        if (request.socket)
            answer(*request.responder);
}

void GatewayServer::report(Said& said, const QString& problem, const QString& asked) {
    if (problem == said.problem)
        return;
    said.problem = problem;
    if (m_problems)
        *m_problems << "quillon-gateway: " << said.upstream
                    << (problem.isEmpty() ? u" answers again"_s : problem) << " (asked for "
                    << asked << ")" << Qt::endl;
}

} // namespace gateway
