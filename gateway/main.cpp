// quillon-gateway: Quillon's quote service on loopback, answered from a
// public quote feed, so that Quillon shows real quotes; and the provider's
// chart and news pages beside them, from its image server and live-news feed.

#include "gateway/gatewayserver.h"
#include "gateway/newsfeed.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quillon-gateway"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    // The gateway tells of a failed fetch itself, once per change of the
    // feed's state; the fetcher's own line for every try would repeat it.
    // QT_LOGGING_RULES still turns it back on.
    QLoggingCategory::setFilterRules(u"quillon.net.warning=false"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Serves Quillon's quote requests (/msq?cn_CODE, /msq?zs_000001, /msq?zs_399001) on "
        "http://127.0.0.1 from an upstream quote feed; the intraday chart page "
        "(/cn/CODE/index_kp.shtml) with the provider's minute chart (/cn/CODE/min.gif), or "
        "else a drawing of the quotes fetched today; and the hot-sector news page "
        "(/news/cbkjj.html) from today's items of the provider's live-news feed."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {u"port"_s, u"Port to listen on (default " QUILLON_GATEWAY_PORT ")."_s, u"N"_s,
         QStringLiteral(QUILLON_GATEWAY_PORT)},
        {u"upstream"_s, u"Base URL of the feed (default http://hq.sinajs.cn)."_s, u"URL"_s,
         u"http://hq.sinajs.cn"_s},
        {u"format"_s,
         u"The feed's format: hq_str (default), GET /list=sh600000 answered by "
         "var hq_str_sh600000=\"name,open,previous close,price,high,low,...\";"_s,
         u"NAME"_s, u"hq_str"_s},
        {u"header"_s,
         u"A header line to send every upstream besides the default ones (repeatable)."_s,
         u"\"NAME: VALUE\""_s},
        {u"referer"_s,
         u"The Referer the feed asks for, sent to every upstream (default "
         "https://finance.sina.com.cn/; empty: none)."_s,
         u"URL"_s, u"https://finance.sina.com.cn/"_s},
        {u"chart-upstream"_s,
         u"Base URL of the minute-chart images, GET /newchart/min/n/sh600000.gif "
         "(default http://image.sinajs.cn)."_s,
         u"URL"_s, u"http://image.sinajs.cn"_s},
        {u"news-upstream"_s,
         u"Base URL of the live-news feed, GET "_s + QLatin1String(gateway::news::kFeedTarget) +
             u" (default https://zhibo.sina.com.cn)."_s,
         u"URL"_s, u"https://zhibo.sina.com.cn"_s},
        {u"timeout-ms"_s, u"Time an upstream has for one answer (default 3000)."_s, u"N"_s,
         u"3000"_s},
        {u"quiet"_s, u"Do not print a line per request."_s},
    });
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool portOk = false, timeoutOk = false;
    const uint port = parser.value(u"port"_s).toUInt(&portOk);
    const int timeoutMs = parser.value(u"timeout-ms"_s).toInt(&timeoutOk);
    const auto format = gateway::feedFormatNamed(parser.value(u"format"_s));
    if (!portOk || port > 65535 || !timeoutOk || timeoutMs < 1 || !format) {
        err << "quillon-gateway: --port and --timeout-ms take whole numbers (--timeout-ms at "
               "least 1); --format takes hq_str"
            << Qt::endl;
        return 2;
    }

    const auto baseUrl = [&](const QString& option) {
        QString url = parser.value(option);
        while (url.endsWith(u'/'))
            url.chop(1);
        return url;
    };
    gateway::GatewayServer::Upstream upstream;
    upstream.baseUrl = baseUrl(u"upstream"_s);
    upstream.chartBaseUrl = baseUrl(u"chart-upstream"_s);
    upstream.newsBaseUrl = baseUrl(u"news-upstream"_s);
    upstream.format = *format;
    upstream.timeoutMs = timeoutMs;
    upstream.headers = {"User-Agent: quillon-gateway"};
    if (const QString referer = parser.value(u"referer"_s); !referer.isEmpty())
        upstream.headers.append("Referer: " + referer.toUtf8());
    for (const QString& header : parser.values(u"header"_s))
        upstream.headers.append(header.toUtf8());

    gateway::GatewayServer server(upstream, &err);
    if (!server.headersValid()) {
        err << "quillon-gateway: a header must read \"NAME: VALUE\" on one line" << Qt::endl;
        return 2;
    }
    if (!parser.isSet(u"quiet"_s))
        server.setLog(&out);
    const quint16 bound = server.listen(quint16(port));
    if (bound == 0) {
        err << "quillon-gateway: cannot listen on 127.0.0.1:" << port << Qt::endl;
        return 1;
    }
    out << "listening on http://127.0.0.1:" << bound << ", asking " << upstream.baseUrl << ", "
        << upstream.chartBaseUrl << " and " << upstream.newsBaseUrl << Qt::endl;
    out << "point Quillon at it with QUILLON_QUOTE_URL, QUILLON_CHART_URL and QUILLON_NEWS_URL="
           "http://127.0.0.1:"
        << bound << Qt::endl;
    return app.exec();
}
