#pragma once

#include "gateway/feed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <vector>

// The intraday chart page Quillon's chart window shows (979 x 772 px): the
// provider's minute-chart image, served from the gateway's own address so the
// window never reaches the internet itself, or else a drawing of the quotes
// the gateway fetched today. Nothing is drawn that the feed did not say.
namespace gateway {

// The last path segment of the chart page, and of the image it embeds, below
// "/cn/CODE/", CODE being what the user typed.
inline constexpr char kChartPageLeaf[] = "index_kp.shtml";
inline constexpr char kChartImageLeaf[] = "min.gif";

// Path of the minute chart of a symbol on the provider's image server.
QByteArray chartImageTarget(const QString& symbol);

// The MIME type of an image the chart window can show, by the bytes' own
// signature (GIF, PNG or JPEG); empty for anything else, such as the HTML
// error page a provider sends with status 200.
QByteArray imageType(QByteArrayView bytes);

// What the gateway saw of one instrument today, from the feed's records.
struct DaySeen {
    struct Point {
        QTime at; // Beijing time of the gateway's fetch
        Micros price;
    };
    QString name;
    int decimals = 2;
    // The day's figures as the latest record gives them.
    Micros prevClose = 0;
    Micros open = 0;
    Micros high = 0;
    Micros low = 0;
    std::vector<Point> points; // oldest first
    QTime lastRecordTime;      // the feed's own time of the latest point's record
};

// The prices the gateway fetched today, per instrument, bounded in both
// directions: a day thins out to every other point when it grows too long,
// and the instrument seen longest ago goes when too many are held. A new day
// in Beijing forgets the last one's.
class QuotesSeen {
public:
    static constexpr qsizetype kMaxPoints = 2000;
    static constexpr qsizetype kMaxInstruments = 256;

    // One good record of the feed, fetched at `now`.
    void record(const Wanted& wanted, const FeedQuote& quote, const QDateTime& now);
    // Null when nothing of the symbol was seen today.
    const DaySeen* today(const QString& symbol, const QDateTime& now) const;

private:
    QDate m_day; // in Beijing
    QHash<QString, DaySeen> m_seen;
};

// The day drawn as an SVG: the previous close dashed, the open, the high and
// the low, and the price at each of the gateway's fetches as one line.
QString chartSvg(const DaySeen& day);

// The chart page of an instrument: the image from the gateway's address when
// it has one, else the drawing, else a page that says there is no chart.
QString chartPage(const Wanted& wanted, bool withImage, const DaySeen* seen);
// The page for a code no market has, saying there is no chart; code as the
// path had it, percent-decoded.
QString noSuchCodePage(const QString& code);

} // namespace gateway
