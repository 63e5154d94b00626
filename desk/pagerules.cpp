#include "desk/pagerules.h"

#include "widgets/characters.h"

#include "services/services.h"
#include "services/sitepages.h"

#include <QList>

namespace desk {

namespace {

constexpr int kPicksEnd = 31;
constexpr int kPicksLength = 23;

} // namespace

QUrl chartPageUrl(const QString& chartBaseUrl, const QString& code) {
    // The code is one path segment whatever the list holds: "/", "?", "#" and
    // blanks are escaped, so the chart page asked for is always this code's.
    return QUrl(chartBaseUrl + QStringLiteral("/cn/") +
                QString::fromLatin1(QUrl::toPercentEncoding(code)) +
                QStringLiteral("/index_kp.shtml"));
}

BandPage bandPageOf(const QUrl& url, const QString& siteBaseUrl) {
    // An invalid address reads as empty, as do the page addresses made from
    // an invalid site address: it is no page of ours, however they compare.
    if (!url.isValid())
        return BandPage::Other;
    const QString reported = url.toString(QUrl::FullyEncoded);
    if (reported ==
        services::sitePageUrl(siteBaseUrl, pages::kMarketRisk).toString(QUrl::FullyEncoded))
        return BandPage::MarketRisk;
    if (reported ==
        services::sitePageUrl(siteBaseUrl, pages::kDailyPicks).toString(QUrl::FullyEncoded))
        return BandPage::DailyPicks;
    return BandPage::Other;
}

std::optional<QString> picksCaption(const QString& pageText, const QDate& today) {
    // The date is plain ASCII, so comparing code units compares characters.
    if (!pageText.startsWith(today.toString(QStringLiteral("MM-dd"))))
        return std::nullopt;
    // The last 23 of the first 31 characters, or of all there are.
    const qsizetype end = characters::after(pageText, kPicksEnd).value_or(pageText.size());
    const qsizetype from = characters::before(pageText, end, 0, kPicksLength);
    return pageText.mid(from, end - from);
}

} // namespace desk
