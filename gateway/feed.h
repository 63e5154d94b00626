#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>
#include <variant>

// The gateway's decisions, apart from any network: which instrument of the
// feed a request of Quillon's means, what a feed's answer says, and how that
// is written in the reply format Quillon reads.
namespace gateway {

// One instrument as the feed names it: the market ("sh", "sz" or "bj") before
// the code; and how many decimals its prices are written with.
struct Wanted {
    QString symbol; // "sh600000"
    bool isIndex = false;
    int decimals = 2;
};

// What a query of Quillon's quote service ("cn_600000", "zs_000001",
// "zs_399001", still percent-encoded) asks the feed for; nothing when it asks
// for nothing the gateway knows, which gets the empty reply. A stock's market
// and decimals follow quote::marketOf and quote::priceDecimals; the indexes
// are named outright, with two decimals: "000001" alone is a Shenzhen stock.
std::optional<Wanted> wantedFor(QStringView rawQuery);

// Prices in millionths of a yuan (index levels in millionths of a point):
// the feed sends up to four decimals, and exact sums keep the change's
// rounding the same on every machine.
using Micros = qint64;

struct FeedQuote {
    QString name;
    Micros open = 0;
    Micros prevClose = 0;
    Micros price = 0; // 0: no trade yet today, or suspended
    Micros high = 0;
    Micros low = 0;
    // The trading day and time the record is of, as the feed writes them;
    // invalid when it writes them otherwise. Before the open the feed still
    // sends the last session's record.
    QDate date;
    QTime time;
};

// The feed has no such instrument: it answers with an empty record.
struct NoSuchInstrument {};
// Not the format the gateway reads: the feed changed it, or the reply was cut short.
struct Garbled {
    QString why;
};
using FeedAnswer = std::variant<FeedQuote, NoSuchInstrument, Garbled>;

// The upstream formats the gateway reads.
enum class FeedFormat {
    // Lines `var hq_str_sh600000="name,open,previous close,price,high,low,...";`
    // asked for with GET /list=sh600000.
    HqStrList,
};

std::optional<FeedFormat> feedFormatNamed(QStringView name);
// Path and query of the request for one instrument.
QByteArray upstreamTarget(FeedFormat format, const QString& symbol);
// The record of `symbol` in a whole (decoded) body of the feed.
FeedAnswer parseFeed(FeedFormat format, QStringView body, QStringView symbol);

// The reply Quillon reads, GBK-encoded: quoted values separated by ",",
// 0 market and code, 1 code, 2 name, 3 price (index level), 4 change,
// 5 open, 6 previous close, 7 to 10 empty, 11 high, 12 low; every price with
// the instrument's own decimals, rounded half away from zero. A stock that has
// not traded today (suspended, or before the first trade) has a price of 0 in
// the feed; it is shown at its previous close with a change of 0.00%, and its
// high as that close too, so that neither a -100% fall nor a stop-loss alert
// on a price of 0 reaches the user.
QByteArray quillonReply(const Wanted& wanted, const FeedQuote& quote);

// The markets' own clock. China has kept one offset from UTC all year since
// 1991, so Beijing time needs no time-zone database, which a machine may lack.
QDateTime inBeijing(const QDateTime& at);

// A price (>= 0) with `decimals` places, rounded half away from zero, as in the reply.
QString formatPrice(Micros value, int decimals);

} // namespace gateway
