#include "gateway/feed.h"

#include "quote/change.h"
#include "quote/gbk.h"
#include "quote/market.h"

#include <QStringList>
#include <QTimeZone>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace gateway {

namespace {

constexpr Micros kMicrosPerUnit = 1'000'000;
// No share, fund or index of these markets stands near a million yuan or
// points. The bound keeps the change's arithmetic (basis points of the
// largest difference, doubled for rounding) far inside 64 bits.
constexpr int kMaxIntegerDigits = 6;
constexpr int kMaxDecimals = 6;
// Name, open, previous close, price, high, low, bid, ask, volume, amount, ten
// numbers of the bid side, ten of the ask side, date and time.
constexpr qsizetype kHqStrFields = 32;

// "20.080" as millionths; nothing for anything but plain digits with at most
// six decimals.
std::optional<Micros> parseMicros(QStringView text) {
    const qsizetype dot = text.indexOf(u'.');
    const QStringView whole = dot < 0 ? text : text.left(dot);
    const QStringView decimals = dot < 0 ? QStringView() : text.mid(dot + 1);
    if (whole.isEmpty() || whole.size() > kMaxIntegerDigits || decimals.size() > kMaxDecimals)
        return std::nullopt;
    Micros value = 0;
    for (const QChar c : whole) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    Micros scale = kMicrosPerUnit;
    for (const QChar c : decimals) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        scale /= 10;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value * scale;
}

QString quoted(const QString& value) {
    return u'\'' + value + u'\'';
}

FeedAnswer parseHqStr(QStringView body, QStringView symbol) {
    const QString start = u"var hq_str_"_s + symbol.toString() + u"=\""_s;
    const qsizetype at = body.indexOf(start);
    if (at < 0)
        return Garbled{body.contains(u"var hq_str_"_s) ? u"no record of the code asked for"_s
                                                       : u"not a list of hq_str records"_s};
    const qsizetype from = at + start.size();
    const qsizetype end = body.indexOf(u'"', from);
    if (end < 0)
        return Garbled{u"the record is cut short"_s};
    const QStringView record = body.mid(from, end - from);
    if (record.isEmpty())
        return NoSuchInstrument{};

    const QList<QStringView> fields = record.split(u',');
    if (fields.size() < kHqStrFields)
        return Garbled{
            u"%1 fields in the record, not %2 or more"_s.arg(fields.size()).arg(kHqStrFields)};
    FeedQuote quote;
    quote.name = fields[0].toString();
    Micros* const prices[] = {&quote.open, &quote.prevClose, &quote.price, &quote.high, &quote.low};
    for (int i = 0; i < 5; ++i) {
        const std::optional<Micros> value = parseMicros(fields[i + 1]);
        if (!value)
            return Garbled{u"field %1 is not a price"_s.arg(i + 1)};
        *prices[i] = *value;
    }
    quote.date = QDate::fromString(fields[kHqStrFields - 2].toString(), u"yyyy-MM-dd");
    quote.time = QTime::fromString(fields[kHqStrFields - 1].toString(), u"HH:mm:ss");
    return quote;
}

} // namespace

std::optional<Wanted> wantedFor(QStringView rawQuery) {
    if (rawQuery == u"zs_000001")
        return Wanted{u"sh000001"_s, true}; // the Shanghai Composite
    if (rawQuery == u"zs_399001")
        return Wanted{u"sz399001"_s, true}; // the Shenzhen Component
    if (!rawQuery.startsWith(u"cn_"))
        return std::nullopt;
    const QStringView code = rawQuery.mid(3);
    const std::u16string_view plain(code.utf16(), std::size_t(code.size()));
    const std::string_view prefix = quote::marketPrefix(quote::marketOf(plain));
    if (prefix.empty())
        return std::nullopt;
    return Wanted{QString::fromLatin1(prefix.data(), qsizetype(prefix.size())) + code.toString(),
                  false, quote::priceDecimals(plain)};
}

std::optional<FeedFormat> feedFormatNamed(QStringView name) {
    if (name == u"hq_str")
        return FeedFormat::HqStrList;
    return std::nullopt;
}

QByteArray upstreamTarget(FeedFormat format, const QString& symbol) {
    switch (format) {
    case FeedFormat::HqStrList:
        break;
    }
    return "/list=" + symbol.toLatin1();
}

FeedAnswer parseFeed(FeedFormat format, QStringView body, QStringView symbol) {
    switch (format) {
    case FeedFormat::HqStrList:
        break;
    }
    return parseHqStr(body, symbol);
}

QDateTime inBeijing(const QDateTime& at) {
    return at.toTimeZone(QTimeZone(8 * 3600));
}

QString formatPrice(Micros value, int decimals) {
    Micros unit = kMicrosPerUnit;
    for (int i = 0; i < decimals; ++i)
        unit /= 10;
    return quote::formatFixed(quote::roundedRatio(value, unit), decimals);
}

QByteArray quillonReply(const Wanted& wanted, const FeedQuote& quote) {
    const bool traded = quote.price > 0;
    const Micros price = traded ? quote.price : quote.prevClose;
    const Micros high = traded ? quote.high : quote.prevClose;
    const Micros low = traded ? quote.low : quote.prevClose;
    const int decimals = wanted.decimals;
    const QStringList fields = {
        wanted.symbol,
        wanted.symbol.mid(2),
        quote.name,
        formatPrice(price, decimals),
        quote::formatChange(price, quote.prevClose),
        formatPrice(quote.open, decimals),
        formatPrice(quote.prevClose, decimals),
        QString(),
        QString(),
        QString(),
        QString(),
        formatPrice(high, decimals),
        formatPrice(low, decimals),
    };
    QStringList out;
    out.reserve(fields.size());
    for (const QString& field : fields)
        out.append(quoted(field));
    return gbk::encode(out.join(u','));
}

} // namespace gateway
