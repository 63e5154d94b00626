#include "demo/quotebook.h"
#include "demo/tests/pagetext.h"
#include "quote/gbk.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <map>

using namespace Qt::StringLiterals;
using standin::Instrument;
using standin::QuoteBook;
using standin::test::replyFields;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 32, 5));

QStringList fieldsOf(const QuoteBook& book, const QString& code) {
    const Instrument* s = book.stock(code);
    return s ? replyFields(standin::quoteLine(*s, kNow)) : QStringList();
}

} // namespace

TEST(QuoteLine, FieldsSitWhereTheClientReadsThem) {
    const QuoteBook book(42);
    const QStringList f = fieldsOf(book, u"600000"_s);
    ASSERT_GE(f.size(), 15);
    EXPECT_EQ(f[0], u"sh600000"_s);
    EXPECT_EQ(f[1], u"600000"_s);
    EXPECT_EQ(f[2], u"浦发银行"_s);
    const QRegularExpression price(u"^\\d+\\.\\d\\d$"_s);
    const QRegularExpression change(u"^-?\\d+\\.\\d\\d%$"_s);
    for (int i : {3, 5, 6, 11, 12})
        EXPECT_TRUE(price.match(f[i]).hasMatch()) << i << ' ' << f[i].toStdString();
    ASSERT_TRUE(change.match(f[4]).hasMatch()) << f[4].toStdString();

    const double now = f[3].toDouble();
    const double prevClose = f[6].toDouble();
    EXPECT_LE(f[12].toDouble(), now);
    EXPECT_GE(f[11].toDouble(), now);
    // The change agrees with price and previous close to two decimals.
    EXPECT_NEAR(f[4].chopped(1).toDouble(), (now / prevClose - 1) * 100, 0.0051);
    EXPECT_EQ(f[13], u"2026-12-07"_s);
    EXPECT_EQ(f[14], u"10:32:05"_s);

    EXPECT_EQ(fieldsOf(book, u"000001"_s).value(0), u"sz000001"_s);
    EXPECT_EQ(fieldsOf(book, u"688981"_s).value(0), u"sh688981"_s);
    EXPECT_EQ(fieldsOf(book, u"300750"_s).value(0), u"sz300750"_s);
}

TEST(QuoteLine, EveryNameTravelsAsGbk) {
    const QuoteBook book(42);
    const QByteArray line = gbk::encode(standin::quoteLine(*book.stock(u"600000"_s), kNow));
    EXPECT_TRUE(line.contains(QByteArray::fromHex("C6D6B7A2D2F8D0D0")));

    ASSERT_GE(book.stocks().size(), 30u);
    for (const Instrument& s : book.stocks()) {
        bool complete = false;
        const QByteArray bytes = gbk::encode(standin::quoteLine(s, kNow), &complete);
        EXPECT_TRUE(complete) << s.code.toStdString();
        EXPECT_EQ(replyFields(gbk::decode(bytes)).value(2), s.name);
    }
    // A GBK-only character and blanks inside a name both survive the trip.
    EXPECT_TRUE(fieldsOf(book, u"002752"_s).value(2).contains(u'昇'));
    EXPECT_EQ(fieldsOf(book, u"000876"_s).value(2), u"新 希 望"_s);
    EXPECT_EQ(fieldsOf(book, u"000860"_s).value(2), u"顺鑫农业"_s);
}

TEST(QuoteLine, IndexesStartAtPlausibleLevels) {
    for (quint64 seed : {1u, 2u, 3u, 99u}) {
        const QuoteBook book(seed, 0);
        const Instrument* sh = book.index(u"000001"_s);
        const Instrument* sz = book.index(u"399001"_s);
        ASSERT_TRUE(sh && sz);
        const QStringList shFields = replyFields(standin::quoteLine(*sh, kNow));
        EXPECT_EQ(shFields.value(2), u"上证指数"_s);
        EXPECT_EQ(replyFields(standin::quoteLine(*sz, kNow)).value(2), u"深证成指"_s);
        EXPECT_GE(shFields.value(6).toDouble(), 3000.0);
        EXPECT_LE(shFields.value(6).toDouble(), 3400.0);
        EXPECT_GE(sz->prevClose, 1000000);
        EXPECT_LE(sz->prevClose, 1150000);
    }
    EXPECT_EQ(QuoteBook(1).index(u"000300"_s), nullptr);
}

TEST(Change, RoundsToTwoDecimalsAndCarriesTheSignOfAFall) {
    EXPECT_EQ(standin::formatChange(1023, 1036), u"-1.25%"_s);
    EXPECT_EQ(standin::formatChange(1036, 1036), u"0.00%"_s);
    EXPECT_EQ(standin::formatChange(1050, 1036), u"1.35%"_s);
    EXPECT_EQ(standin::formatChange(1099, 999), u"10.01%"_s);
    // Too small to show in two decimals, but still a fall.
    EXPECT_EQ(standin::formatChange(170000, 170001), u"-0.00%"_s);
    // Limits round half up to the fen: 11.055 and 9.045.
    EXPECT_EQ(standin::limitUp(1005), 1106);
    EXPECT_EQ(standin::limitDown(1005), 905);
    EXPECT_EQ(standin::formatHundredths(-7), u"-0.07"_s);
}

TEST(RandomWalk, StaysWithinTheDailyLimitsAndTracksHighAndLow) {
    QuoteBook book(7, 0);
    std::map<QString, std::pair<qint64, qint64>> seen; // code -> lowest, highest
    std::map<QString, int> moves;
    std::map<QString, qint64> last;
    for (const Instrument& s : book.stocks())
        seen[s.code] = {s.open, s.open};
    for (int step = 0; step < 3000; ++step) {
        book.step();
        for (const Instrument& s : book.stocks()) {
            ASSERT_GE(s.price, standin::limitDown(s.prevClose)) << s.code.toStdString();
            ASSERT_LE(s.price, standin::limitUp(s.prevClose)) << s.code.toStdString();
            auto& [low, high] = seen[s.code];
            low = std::min(low, s.price);
            high = std::max(high, s.price);
            ASSERT_EQ(s.low, low);
            ASSERT_EQ(s.high, high);
            const bool fall = standin::formatChange(s.price, s.prevClose).startsWith(u'-');
            ASSERT_EQ(fall, s.price < s.prevClose);
            if (last.count(s.code) && last[s.code] != s.price)
                ++moves[s.code];
            last[s.code] = s.price;
            ASSERT_LE(s.history.size(), 2 * QuoteBook::kChartPoints);
            ASSERT_EQ(s.history.front(), s.open);
        }
    }
    // Every stock keeps moving; none sticks to a limit or a single price.
    for (const Instrument& s : book.stocks())
        EXPECT_GT(moves[s.code], 1000) << s.code.toStdString();
}

TEST(RandomWalk, OneSeedGivesOneSequence) {
    QuoteBook a(123);
    QuoteBook b(123);
    QuoteBook c(124);
    bool differs = false;
    for (int step = 0; step < 50; ++step) {
        for (size_t i = 0; i < a.stocks().size(); ++i) {
            ASSERT_EQ(standin::quoteLine(a.stocks()[i], kNow),
                      standin::quoteLine(b.stocks()[i], kNow));
            differs |= a.stocks()[i].price != c.stocks()[i].price;
        }
        ASSERT_EQ(a.shanghai().price, b.shanghai().price);
        a.step();
        b.step();
        c.step();
    }
    EXPECT_TRUE(differs);
}
