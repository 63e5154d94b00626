#include "desk/pagerules.h"

#include "shell/sitepages.h"

#include <QList>

namespace desk {

namespace {

constexpr int kPicksEnd = 31;
constexpr int kPicksLength = 23;

} // namespace

QUrl sitePageUrl(const QString& siteBaseUrl, const char* path) {
    return QUrl(siteBaseUrl + QString::fromLatin1(path));
}

QUrl chartPageUrl(const QString& chartBaseUrl, const QString& code) {
    // The code is one path segment whatever the list holds: "/", "?", "#" and
    // blanks are escaped, so the chart page asked for is always this code's.
    return QUrl(chartBaseUrl + QStringLiteral("/cn/") +
                QString::fromLatin1(QUrl::toPercentEncoding(code)) +
                QStringLiteral("/index_kp.shtml"));
}

BandPage bandPageOf(const QUrl& url, const QString& siteBaseUrl) {
    const QString reported = url.toString(QUrl::FullyEncoded);
    if (reported == sitePageUrl(siteBaseUrl, pages::kMarketRisk).toString(QUrl::FullyEncoded))
        return BandPage::MarketRisk;
    if (reported == sitePageUrl(siteBaseUrl, pages::kDailyPicks).toString(QUrl::FullyEncoded))
        return BandPage::DailyPicks;
    return BandPage::Other;
}

std::optional<QString> picksCaption(const QString& pageText, const QDate& today) {
    // The date is plain ASCII, so comparing code units compares characters.
    if (!pageText.startsWith(today.toString(QStringLiteral("MM-dd"))))
        return std::nullopt;
    // Where each of the first 31 characters starts, and where the last one ends.
    QList<qsizetype> starts;
    qsizetype at = 0;
    while (at < pageText.size() && starts.size() < kPicksEnd) {
        starts.append(at);
        const bool pair = pageText[at].isHighSurrogate() && at + 1 < pageText.size() &&
                          pageText[at + 1].isLowSurrogate();
        at += pair ? 2 : 1;
    }
    const qsizetype from = starts.size() > kPicksLength ? starts[starts.size() - kPicksLength] : 0;
    return pageText.mid(from, at - from);
}

} // namespace desk
