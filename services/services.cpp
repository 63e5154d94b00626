#include "services/services.h"

#include "services/sitepages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtGlobal>

namespace services {
namespace {

bool installed() {
    static const bool runsFromInstallFolder = runsInstalled(
        QCoreApplication::applicationDirPath(), QStringLiteral(QUILLON_INSTALLED_BINDIR));
    return runsFromInstallFolder;
}

QString fromEnvironment(const char* variable, Service service) {
    return baseUrlFrom(qgetenv(variable), defaultBaseUrl(service, installed()));
}

} // namespace

QString baseUrlFrom(const QByteArray& environmentValue, const QString& fallback) {
    QString url = QString::fromUtf8(environmentValue).trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url.isEmpty() ? fallback : url;
}

QString defaultBaseUrl(Service service, bool installed) {
    // The chart and the news page are the quote provider's, so an installed
    // program asks them of the gateway, the one place that talks to the provider.
    const char* url = !installed                 ? kStandInBaseUrl
                      : service == Service::Site ? kPagesBaseUrl
                                                 : kGatewayBaseUrl;
    return QString::fromLatin1(url);
}

bool runsInstalled(const QString& programDirectory, const QString& installedDirectory) {
    const QString program = QFileInfo(programDirectory).canonicalFilePath();
    return !program.isEmpty() && program == QFileInfo(installedDirectory).canonicalFilePath();
}

QString quoteBaseUrl() {
    return fromEnvironment("QUILLON_QUOTE_URL", Service::Quote);
}
QString siteBaseUrl() {
    return fromEnvironment("QUILLON_SITE_URL", Service::Site);
}
QString chartBaseUrl() {
    return fromEnvironment("QUILLON_CHART_URL", Service::Chart);
}
QString newsBaseUrl() {
    return fromEnvironment("QUILLON_NEWS_URL", Service::News);
}

QString contactUrl() {
    const QString url = QString::fromUtf8(qgetenv("QUILLON_CONTACT_URL")).trimmed();
    return url.isEmpty() ? siteBaseUrl() + QLatin1String(pages::kContact) : url;
}

QUrl sitePageUrl(const QString& siteBaseUrl, const char* path) {
    return QUrl(siteBaseUrl + QString::fromLatin1(path));
}

QUrl sitePage(const char* path) {
    return sitePageUrl(siteBaseUrl(), path);
}

} // namespace services
