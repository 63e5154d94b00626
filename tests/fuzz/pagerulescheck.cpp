#include "desk/pagerules.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "tests/fuzz/fuzzcheck.h"

#include <QList>

// The input is up to three UTF-8 texts separated by NUL bytes: a daily-picks
// page's text, a site base address as the environment may give it, and a
// code from the watch list.
//   The picks are the last 23 of the first 31 characters of a page of today,
// counted in whole characters, and nothing of another day.
//   The risk and picks pages we navigate to are known as themselves on any
// base that makes them valid addresses; an invalid address is neither.
//   A chart page's address holds the code as one path segment, whatever it is.
void fuzz::pageRules(std::string_view input) {
    const QList<QByteArray> parts = QByteArray(input.data(), qsizetype(input.size())).split('\0');
    const QString text = QString::fromUtf8(parts.value(0));
    const QString base = QString::fromUtf8(parts.value(1));
    const QString code = QString::fromUtf8(parts.mid(2).join('\0'));

    const QDate today(2024, 5, 17);
    const std::optional<QString> caption = desk::picksCaption(text, today);
    require(caption.has_value() == text.startsWith(u"05-17"), "picks read from another day");
    if (caption) {
        const QList<uint> first = text.toUcs4().mid(0, 31);
        require(caption->toUcs4() == first.mid(std::max<qsizetype>(0, first.size() - 23)),
                "picks other than the last 23 of the first 31 characters");
    }

    for (const auto& [path, band] : {std::pair(pages::kMarketRisk, desk::BandPage::MarketRisk),
                                     std::pair(pages::kDailyPicks, desk::BandPage::DailyPicks)}) {
        const QUrl page = services::sitePageUrl(base, path);
        require(desk::bandPageOf(page, base) == (page.isValid() ? band : desk::BandPage::Other),
                "a band page not known as itself, or an invalid address taken for it");
    }

    const QUrl chart = desk::chartPageUrl(QStringLiteral("http://127.0.0.1:18930"), code);
    const QStringList segments = chart.path(QUrl::FullyEncoded).split(u'/');
    require(chart.isValid() && !chart.hasQuery() && !chart.hasFragment() && segments.size() == 4 &&
                segments.value(3) == u"index_kp.shtml" &&
                QUrl::fromPercentEncoding(segments.value(2).toLatin1()) == code,
            "a chart address that is not this code's");
}
