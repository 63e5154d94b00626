#include "shell/services.h"

#include <QtGlobal>

namespace services {

QString baseUrlFrom(const QByteArray& environmentValue) {
    QString url = QString::fromUtf8(environmentValue).trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url.isEmpty() ? QString::fromLatin1(kStandInBaseUrl) : url;
}

QString quoteBaseUrl() {
    return baseUrlFrom(qgetenv("QUILLON_QUOTE_URL"));
}
QString siteBaseUrl() {
    return baseUrlFrom(qgetenv("QUILLON_SITE_URL"));
}
QString chartBaseUrl() {
    return baseUrlFrom(qgetenv("QUILLON_CHART_URL"));
}
QString newsBaseUrl() {
    return baseUrlFrom(qgetenv("QUILLON_NEWS_URL"));
}

QString contactUrl() {
    const QString url = QString::fromUtf8(qgetenv("QUILLON_CONTACT_URL")).trimmed();
    return url.isEmpty() ? siteBaseUrl() + QLatin1String(kContactPath) : url;
}

} // namespace services
