#include "gateway/gatewayserver.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTextStream>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace gateway {

namespace {

void write(QHttpServerResponder& responder, const QByteArray& body) {
    responder.write(body, {{"Content-Type", "text/plain; charset=gbk"}});
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
    , m_fetcher(upstream.baseUrl)
    , m_format(upstream.format)
    , m_headersValid(m_fetcher.setExtraHeaders(upstream.headers))
    , m_gate([this] { return m_clock.elapsed(); })
    , m_problems(problems) {
    m_clock.start();
    m_fetcher.setTimeout(upstream.timeoutMs);
    m_fetcher.setMaxBodyBytes(kMaxUpstreamBytes);
}

void GatewayServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QUrl url = request.url();
    if (url.path() != u"/msq"_s) {
        responder.write(QHttpServerResponder::StatusCode::NotFound);
        return;
    }
    // Like the service Quillon was made for: a request for nothing it
    // knows gets an empty body with status 200.
    const std::optional<Wanted> wanted = wantedFor(url.query(QUrl::FullyEncoded));
    if (!wanted ||
        (m_waiting.size() >= std::size_t(kMaxOutstanding) && !m_waiting.count(wanted->symbol)))
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
        QPointer<QTcpSocket> socket = responder.socket();
        m_waiting[wanted->symbol].push_back(
            {socket, std::make_unique<QHttpServerResponder>(std::move(responder))});
        return;
    }
}

void GatewayServer::fetched(const Wanted& wanted, const std::optional<QString>& body, int status) {
    QByteArray reply;
    const QString& symbol = wanted.symbol;
    if (!body) {
        // Still inside the fetcher's callback, so its reason is this fetch's.
        report(u"the feed did not answer: "_s + m_fetcher.lastFailure(), symbol);
    } else if (status != 200 || looksLikeHtml(*body)) {
        report(u"the feed refused us: HTTP %1%2"_s.arg(status).arg(
                   looksLikeHtml(*body) ? u", an HTML page"_s : QString()),
               symbol);
    } else {
        const FeedAnswer answer = parseFeed(m_format, *body, symbol);
        if (const auto* quote = std::get_if<FeedQuote>(&answer)) {
            reply = quillonReply(wanted, *quote);
            report({}, symbol);
        } else if (const auto* garbled = std::get_if<Garbled>(&answer)) {
            report(u"the feed's reply is not in the format we read: "_s + garbled->why, symbol);
        } else {
            report({}, symbol); // the feed knows no such code: a good answer all the same
        }
    }

    m_gate.settle(symbol, reply);
    const std::vector<Waiting> waiting = std::move(m_waiting[symbol]);
    m_waiting.erase(symbol);
    for (const Waiting& request : waiting)
        if (request.socket)
            write(*request.responder, reply);
}

void GatewayServer::report(const QString& problem, const QString& symbol) {
    if (problem == m_lastProblem)
        return;
    m_lastProblem = problem;
    if (m_problems)
        *m_problems << "quillon-gateway: "
                    << (problem.isEmpty() ? u"the feed answers again"_s : problem) << " (asked for "
                    << symbol << ")" << Qt::endl;
}

} // namespace gateway
