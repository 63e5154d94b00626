// quillon-standin: one local server for every outside service that Quillon
// and Tarvex talk to, so both can run without the internet.

#include "demo/standinserver.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::optional<quint64> unsignedValue(const QCommandLineParser& parser, const QString& name,
                                     quint64 max) {
    bool ok = false;
    const quint64 value = parser.value(name).toULongLong(&ok);
    if (!ok || value > max)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quillon-standin"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Stands in for the quote service, the maker's site, the chart server and the "
        "news page on http://127.0.0.1."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {u"port"_s, u"Port to listen on (default " QUILLON_STANDIN_PORT ")."_s, u"N"_s,
         QStringLiteral(QUILLON_STANDIN_PORT)},
        {u"seed"_s, u"Seed of the price walk (default: from the clock)."_s, u"N"_s},
        {u"step-ms"_s, u"Milliseconds between two steps of the walk (default 3000)."_s, u"N"_s,
         u"3000"_s},
        {u"quiet"_s, u"Do not print a line per request."_s},
        {u"risk"_s,
         u"Market-risk grade to show: 高, 中, 低 or auto (default auto: from the index)."_s,
         u"GRADE"_s, u"auto"_s},
        {u"picks-day"_s, u"Date of the daily-picks page: today or yesterday (default today)."_s,
         u"DAY"_s, u"today"_s},
    });
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto port = unsignedValue(parser, u"port"_s, 65535);
    const auto stepMs = unsignedValue(parser, u"step-ms"_s, 24ull * 3600 * 1000);
    const auto seed = parser.isSet(u"seed"_s)
                          ? unsignedValue(parser, u"seed"_s, ~quint64(0))
                          : std::optional<quint64>(QDateTime::currentMSecsSinceEpoch());
    if (!port || !stepMs || *stepMs == 0 || !seed) {
        err << "quillon-standin: --port, --seed and --step-ms take whole numbers "
               "(--step-ms at least 1)"
            << Qt::endl;
        return 2;
    }

    standin::StandinServer server(*seed, int(*stepMs));
    if (!server.site().setRiskGrade(parser.value(u"risk"_s)) ||
        !server.site().setPicksDay(parser.value(u"picks-day"_s))) {
        err << "quillon-standin: --risk takes 高, 中, 低 or auto; --picks-day today or yesterday"
            << Qt::endl;
        return 2;
    }
    if (!parser.isSet(u"quiet"_s))
        server.setLog(&out);
    const quint16 bound = server.listen(quint16(*port));
    if (bound == 0) {
        err << "quillon-standin: cannot listen on 127.0.0.1:" << *port << Qt::endl;
        return 1;
    }
    out << "listening on http://127.0.0.1:" << bound << Qt::endl;
    out << "seed " << *seed << ", one step every " << *stepMs << " ms" << Qt::endl;
    out << "switch the risk grade with /standin/risk?grade=高|中|低|auto and the picks page's "
           "date with /standin/picks?day=today|yesterday; /standin/rumour?next changes the "
           "rumour page's head"
        << Qt::endl;
    return app.exec();
}
