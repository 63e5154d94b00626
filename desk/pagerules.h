#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

#include <optional>

// What the main window's small browsers make of a finished load.
namespace desk {

// A stock's intraday chart page on the chart server.
QUrl chartPageUrl(const QString& chartBaseUrl, const QString& code);

enum class BandPage { MarketRisk, DailyPicks, Other };

// Which page a load that ended at url is. Only the very address we navigate
// to counts, to the character: a redirect elsewhere, even to the same path on
// another host, is some other page.
BandPage bandPageOf(const QUrl& url, const QString& siteBaseUrl);

// The day's picks from the daily-picks page's visible text: when the text
// starts with today's "MM-DD", the last 23 of its first 31 characters (for a
// long text characters 9 to 31, a text of 23 or fewer whole). Characters are
// whole code points, so a character outside the basic plane is never split.
// A page of another day gives nothing.
std::optional<QString> picksCaption(const QString& pageText, const QDate& today);

} // namespace desk
