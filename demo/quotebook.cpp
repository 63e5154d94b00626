#include "demo/quotebook.h"

#include "quote/change.h"
#include "quote/market.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace standin {

namespace {

struct Listing {
    const char16_t* code;
    const char16_t* name;
    double price; // rough level in yuan; each run scatters it a little
};

// Real codes with their real short names. 昇 lies outside GB2312, and the
// blanks in "新 希 望" are how the service really sends that name: both make
// sure the client takes names as GBK text and keeps them as they come.
const Listing kListings[] = {
    {u"600000", u"浦发银行", 8.50},   {u"600519", u"贵州茅台", 1680.00},
    {u"000001", u"平安银行", 11.20},  {u"000858", u"五粮液", 145.00},
    {u"300750", u"宁德时代", 190.00}, {u"601318", u"中国平安", 45.00},
    {u"600036", u"招商银行", 33.00},  {u"000002", u"万科A", 9.80},
    {u"002415", u"海康威视", 32.00},  {u"600276", u"恒瑞医药", 45.00},
    {u"601012", u"隆基绿能", 22.00},  {u"000333", u"美的集团", 62.00},
    {u"600887", u"伊利股份", 28.00},  {u"002594", u"比亚迪", 240.00},
    {u"601166", u"兴业银行", 16.50},  {u"000651", u"格力电器", 36.00},
    {u"600030", u"中信证券", 21.00},  {u"600900", u"长江电力", 23.00},
    {u"601398", u"工商银行", 4.90},   {u"000725", u"京东方A", 4.10},
    {u"000063", u"中兴通讯", 28.00},  {u"300059", u"东方财富", 14.50},
    {u"600309", u"万华化学", 85.00},  {u"002475", u"立讯精密", 30.00},
    {u"688981", u"中芯国际", 52.00},  {u"601857", u"中国石油", 7.80},
    {u"000568", u"泸州老窖", 180.00}, {u"002304", u"洋河股份", 110.00},
    {u"600585", u"海螺水泥", 25.00},  {u"000538", u"云南白药", 55.00},
    {u"000860", u"顺鑫农业", 22.00},  {u"002268", u"卫士通", 26.00},
    {u"002752", u"昇兴股份", 5.60},   {u"000876", u"新 希 望", 9.50},
    {u"601888", u"中国中免", 80.00},  {u"600048", u"保利发展", 10.50},
    {u"000625", u"长安汽车", 14.00},  {u"601088", u"中国神华", 33.00},
};

// Pull towards the day's anchor per step: keeps most walks inside a few
// percent of the previous close instead of drifting onto the daily limit.
constexpr double kReversion = 0.02;
// Share of a stock's step that follows the market; the rest is its own.
constexpr double kMarketWeight = 0.6;
constexpr double kOwnWeight = 0.8;

QString marketOf(const QString& code) {
    const std::string_view prefix = quote::marketPrefix(quote::marketOf(code.toStdU16String()));
    return QString::fromLatin1(prefix.data(), qsizetype(prefix.size()));
}

QString quoted(const QString& value) {
    return u'\'' + value + u'\'';
}

} // namespace

qint64 limitUp(qint64 prevClose) {
    return quote::roundedRatio(prevClose * 110, 100);
}

qint64 limitDown(qint64 prevClose) {
    return quote::roundedRatio(prevClose * 90, 100);
}

QString formatHundredths(qint64 value) {
    return quote::formatFixed(value, 2);
}

QString quoteLine(const Instrument& instrument, const QDateTime& now) {
    const Instrument& s = instrument;
    QString bid = u"0.00"_s;
    QString ask = u"0.00"_s;
    QString up = u"0.00"_s;
    QString down = u"0.00"_s;
    if (!s.isIndex) {
        // At the limit one side of the book is empty; the price stands there.
        bid = formatHundredths(std::max(s.price - 1, limitDown(s.prevClose)));
        ask = formatHundredths(std::min(s.price + 1, limitUp(s.prevClose)));
        up = formatHundredths(limitUp(s.prevClose));
        down = formatHundredths(limitDown(s.prevClose));
    }
    const QStringList fields = {
        s.market + s.code,
        s.code,
        s.name,
        formatHundredths(s.price),
        quote::formatChange(s.price, s.prevClose),
        formatHundredths(s.open),
        formatHundredths(s.prevClose),
        bid,
        ask,
        QString::number(s.volume),
        formatHundredths(s.amountFen),
        formatHundredths(s.high),
        formatHundredths(s.low),
        now.date().toString(u"yyyy-MM-dd"),
        now.time().toString(u"HH:mm:ss"),
        formatHundredths(s.price - s.prevClose),
        up,
        down,
    };
    QStringList out;
    out.reserve(fields.size());
    for (const QString& field : fields)
        out.append(quoted(field));
    return out.join(u',');
}

QuoteBook::QuoteBook(quint64 seed, int warmUpSteps)
    : m_rng(seed) {
    std::uniform_real_distribution<double> scatter(-0.08, 0.08);
    std::normal_distribution<double> normal(0.0, 1.0);
    // One to four million yuan change hands per step for a stock.
    std::uniform_real_distribution<double> stockTurnover(1.0e8, 4.0e8);

    auto startDay = [&](Instrument& s, double biasSpread, double sigmaShare) {
        const double bias = std::clamp(normal(m_rng) * biasSpread, -0.08, 0.08);
        s.anchor = double(s.prevClose) * (1.0 + bias);
        s.sigma = std::max(1.0, double(s.prevClose) * sigmaShare);
        const double gap = std::clamp(normal(m_rng) * 0.005, -0.03, 0.03);
        s.open = std::llround(double(s.prevClose) * (1.0 + gap));
        s.price = s.high = s.low = s.open;
        s.history = {s.open};
    };

    for (const Listing& listing : kListings) {
        Instrument s;
        s.code = QString::fromUtf16(listing.code);
        s.market = marketOf(s.code);
        s.name = QString::fromUtf16(listing.name);
        s.prevClose = std::llround(listing.price * 100.0 * (1.0 + scatter(m_rng)));
        s.turnoverPerStep = stockTurnover(m_rng);
        startDay(s, 0.02, 0.0025);
        m_stocks.push_back(s);
    }

    std::uniform_int_distribution<qint64> shanghaiLevel(300000, 340000);
    std::uniform_int_distribution<qint64> shenzhenLevel(1000000, 1150000);
    Instrument sh;
    sh.code = u"000001"_s;
    sh.market = u"sh"_s;
    sh.name = u"上证指数"_s;
    sh.isIndex = true;
    sh.prevClose = shanghaiLevel(m_rng);
    sh.turnoverPerStep = 1.5e11;
    startDay(sh, 0.008, 0.0006);
    Instrument sz = sh;
    sz.code = u"399001"_s;
    sz.market = u"sz"_s;
    sz.name = u"深证成指"_s;
    sz.prevClose = shenzhenLevel(m_rng);
    sz.turnoverPerStep = 2.0e11;
    startDay(sz, 0.01, 0.0007);
    m_indexes = {sh, sz};

    for (int i = 0; i < warmUpSteps; ++i)
        step();
}

void QuoteBook::step() {
    std::normal_distribution<double> normal(0.0, 1.0);
    const double marketShock = normal(m_rng);
    for (Instrument& s : m_indexes)
        stepOne(s, marketShock);
    for (Instrument& s : m_stocks)
        stepOne(s, kMarketWeight * marketShock + kOwnWeight * normal(m_rng));
    ++m_steps;
}

void QuoteBook::stepOne(Instrument& s, double shock) {
    const double pull = kReversion * (s.anchor - double(s.price));
    const qint64 target = s.price + std::llround(pull + s.sigma * shock);
    s.price = std::clamp(target, std::max<qint64>(1, limitDown(s.prevClose)), limitUp(s.prevClose));
    s.high = std::max(s.high, s.price);
    s.low = std::min(s.low, s.price);

    std::uniform_real_distribution<double> activity(0.5, 1.5);
    const double turnoverFen = s.turnoverPerStep * activity(m_rng);
    // Shares trade in lots of 100.
    const qint64 shares =
        std::max<qint64>(100, std::llround(turnoverFen / double(s.price) / 100.0) * 100);
    s.volume += shares;
    s.amountFen += shares * s.price;

    s.history.append(s.price);
    if (s.history.size() >= 2 * kChartPoints) {
        QList<qint64> thinned;
        thinned.reserve(kChartPoints);
        for (qsizetype i = 0; i < s.history.size(); i += 2)
            thinned.append(s.history.at(i));
        s.history = thinned;
    }
}

const Instrument* QuoteBook::stock(const QString& code) const {
    const auto it = std::find_if(m_stocks.begin(), m_stocks.end(),
                                 [&](const Instrument& s) { return s.code == code; });
    return it == m_stocks.end() ? nullptr : &*it;
}

const Instrument* QuoteBook::index(const QString& code) const {
    const auto it = std::find_if(m_indexes.begin(), m_indexes.end(),
                                 [&](const Instrument& s) { return s.code == code; });
    return it == m_indexes.end() ? nullptr : &*it;
}

} // namespace standin
