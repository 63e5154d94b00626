// quillon-site: the maker's pages for Quillon and Tarvex on loopback, from
// the publisher's files in the content folders.

#include "services/services.h"
#include "site/siteserver.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quillon-site"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Serves the maker's pages that Quillon and Tarvex show on http://127.0.0.1, from the "
        "files of the content folders: " QUILLON_SITE_SHIPPED_DIR ", then " QUILLON_SITE_SYSTEM_DIR
        ", then $XDG_DATA_HOME/quillon/site, a later folder's file before an earlier one's."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {u"port"_s, u"Port to listen on (default " QUILLON_SITE_PORT ")."_s, u"N"_s,
         QStringLiteral(QUILLON_SITE_PORT)},
        {u"content"_s,
         u"A content folder, instead of the three above (repeatable; later ones first)."_s,
         u"DIR"_s},
        {u"quote-url"_s,
         u"The quote service the risk grade auto is read from (default $QUILLON_QUOTE_URL, else "
         "the gateway's address)."_s,
         u"URL"_s},
        {u"quiet"_s, u"Do not print a line per request."_s},
    });
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool portOk = false;
    const uint port = parser.value(u"port"_s).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "quillon-site: --port takes a whole number up to 65535" << Qt::endl;
        return 2;
    }
    // Blank means unset, as for the variable: the gateway, never the stand-in.
    const QString quoteUrl =
        services::baseUrlFrom(parser.isSet(u"quote-url"_s) ? parser.value(u"quote-url"_s).toUtf8()
                                                           : qgetenv("QUILLON_QUOTE_URL"),
                              QString::fromLatin1(services::kGatewayBaseUrl));
    const site::ContentFolders folders(parser.isSet(u"content"_s)
                                           ? parser.values(u"content"_s)
                                           : site::ContentFolders::installed());

    site::SiteServer server(folders, quoteUrl);
    if (!parser.isSet(u"quiet"_s))
        server.setLog(&out);
    const quint16 bound = server.listen(quint16(port));
    if (bound == 0) {
        err << "quillon-site: cannot listen on 127.0.0.1:" << port << Qt::endl;
        return 1;
    }
    out << "listening on http://127.0.0.1:" << bound << ", pages from "
        << folders.folders().join(u", "_s) << Qt::endl;
    return app.exec();
}
