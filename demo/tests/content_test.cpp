#include "demo/makerpages.h"
#include "demo/marketpages.h"
#include "demo/quotebook.h"
#include "demo/site.h"
#include "quote/gbk.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include <ostream>

using namespace Qt::StringLiterals;
using standin::Instrument;
using standin::QuoteBook;

// Readable failure messages for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// How the desktop programs read what the stand-in sends, reduced to what the
// tests need. A reply: cut at every ",", then drop every "'" from each piece.
QStringList replyFields(const QString& reply) {
    QStringList fields = reply.split(u',');
    for (QString& field : fields)
        field.remove(u'\'');
    return fields;
}

// The body's visible text for pages made of inline text, <br> and simple
// blocks: what a browser's body.outerText gives for them.
QString bodyText(const QString& html) {
    QString text = html.section(u"<body>"_s, 1).section(u"</body>"_s, 0, 0);
    text.replace(QRegularExpression(u"<br\\s*/?>"_s), u"\n"_s);
    text.replace(QRegularExpression(u"</(p|li|h1|h2|div|ul|tr)>"_s), u"\n"_s);
    return text.remove(QRegularExpression(u"<[^>]*>"_s)).replace(u"&amp;"_s, u"&"_s);
}

// The hot-sector reader's scan: pair the first opening marker with the first
// closing marker, turn the text between them (less its 68-character address)
// plus the 11 characters before the opening marker into a line, cut the text
// after the closing marker's first character and go on.
QStringList scanNews(QString text) {
    const QString opening = u"</span><a href=\""_s;
    QStringList lines;
    for (qsizetype p1, p2;
         (p1 = text.indexOf(opening)) >= 0 && (p2 = text.indexOf(u"\" target="_s)) >= 0;
         text = text.mid(p2 + 1)) {
        const qsizetype headline = p1 + opening.size() + 68;
        if (p2 >= headline && p1 >= 11)
            lines.append(text.mid(headline, p2 - headline) + text.mid(p1 - 11, 11));
    }
    return lines;
}

} // namespace

TEST(QuoteLine, FieldsSitWhereTheClientReadsThemAndNamesTravelAsGbk) {
    const QuoteBook book(42);
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 32, 5));
    const QByteArray line = gbk::encode(standin::quoteLine(*book.stock(u"600000"_s), now));
    EXPECT_TRUE(line.contains(QByteArray::fromHex("C6D6B7A2D2F8D0D0")));
    const QStringList f = replyFields(gbk::decode(line));
    ASSERT_GE(f.size(), 15);
    EXPECT_EQ(f.mid(0, 3), (QStringList{u"sh600000"_s, u"600000"_s, u"浦发银行"_s}));
    const QRegularExpression price(u"^\\d+\\.\\d\\d$"_s);
    for (int i : {3, 5, 6, 11, 12})
        EXPECT_TRUE(price.match(f[i]).hasMatch()) << i << ' ' << f[i].toStdString();
    const double last = f[3].toDouble();
    EXPECT_TRUE(f[12].toDouble() <= last && last <= f[11].toDouble());
    EXPECT_NEAR(f[4].chopped(1).toDouble(), (last / f[6].toDouble() - 1) * 100, 0.0051);
    EXPECT_EQ(f[13], u"2026-12-07"_s);
    EXPECT_EQ(f[14], u"10:32:05"_s);
    EXPECT_EQ(replyFields(standin::quoteLine(*book.stock(u"300750"_s), now))[0], u"sz300750"_s);

    // Every name, 昇 (outside GB2312) and the blanks of "新 希 望" included,
    // has a GBK form and comes back unchanged.
    for (const Instrument& s : book.stocks()) {
        bool complete = false;
        const QByteArray bytes = gbk::encode(standin::quoteLine(s, now), &complete);
        EXPECT_TRUE(complete) << s.code.toStdString();
        EXPECT_EQ(replyFields(gbk::decode(bytes)).value(2), s.name);
    }
}

// Also replays the walk from the same seed: a run of the stand-in can be repeated.
TEST(RandomWalk, StaysWithinTheDailyLimitsWithConsistentHighLowAndSign) {
    QuoteBook book(7, 0);
    QuoteBook twin(7, 0); // one step behind within each round
    const std::vector<Instrument>& stocks = book.stocks();
    std::vector<int> moves(stocks.size());
    for (int step = 0; step < 3000; ++step) {
        book.step();
        for (std::size_t i = 0; i < stocks.size(); ++i) {
            const Instrument& s = stocks[i];
            const Instrument& before = twin.stocks()[i];
            ASSERT_GE(s.price, standin::limitDown(s.prevClose)) << s.code.toStdString();
            ASSERT_LE(s.price, standin::limitUp(s.prevClose)) << s.code.toStdString();
            ASSERT_EQ(s.low, std::min(before.low, s.price));
            ASSERT_EQ(s.high, std::max(before.high, s.price));
            // The client colours a row by the sign alone, even for "-0.00%".
            ASSERT_EQ(standin::formatChange(s.price, s.prevClose).startsWith(u'-'),
                      s.price < s.prevClose);
            moves[i] += s.price != before.price;
        }
        twin.step();
        ASSERT_EQ(twin.stocks().back().price, stocks.back().price);
    }
    // Every stock keeps moving; none sticks to a limit or a single price.
    for (std::size_t i = 0; i < stocks.size(); ++i)
        EXPECT_GT(moves[i], 1000) << stocks[i].code.toStdString();
}

TEST(PicksPage, TodaysDateThenThePicksAtCharactersNineToThirtyOne) {
    const QuoteBook book(3);
    const QRegularExpression picks(u"^①(\\d{6}) ②(\\d{6}) ③(\\d{6})$"_s);
    for (const QDate day : {QDate::currentDate(), QDate(2026, 3, 7)}) {
        const QString text = bodyText(standin::picksPage(day, book));
        ASSERT_EQ(text.left(5), day.toString(u"MM-dd"));
        const QRegularExpressionMatch match = picks.match(text.mid(8, 23));
        ASSERT_TRUE(match.hasMatch()) << text.toStdString();
        QSet<QString> codes;
        for (int i = 1; i <= 3; ++i) {
            EXPECT_NE(book.stock(match.captured(i)), nullptr) << match.captured(i).toStdString();
            codes.insert(match.captured(i));
        }
        EXPECT_EQ(codes.size(), 3);
    }
}

TEST(RiskPage, BodyIsTheGradeAlone) {
    Instrument index;
    index.prevClose = 320000;
    // More than 1% down is 高, exactly 1% down is still 中, any rise is 低.
    const std::pair<qint64, QChar> cases[] = {
        {316799, u'高'}, {316800, u'中'}, {320000, u'中'}, {320001, u'低'}};
    for (const auto& [price, grade] : cases) {
        index.price = price;
        EXPECT_EQ(standin::riskGrade(index), grade) << price;
        EXPECT_EQ(standin::riskPage(grade).section(u"<body>"_s, 1),
                  QString(grade) + u"</body></html>"_s);
    }
}

TEST(RumourPage, BeginsWithAHeadThatChangesEveryTwoMinutesOtherCategoriesDoNot) {
    const QDate day(2026, 12, 7);
    auto head = [&](QTime time) {
        return bodyText(standin::rumourPage(QDateTime(day, time))).left(10);
    };
    EXPECT_TRUE(head(QTime(10, 32)).startsWith(u"传闻"_s));
    EXPECT_EQ(head(QTime(10, 33, 59)), head(QTime(10, 32)));
    EXPECT_NE(head(QTime(10, 34)), head(QTime(10, 32)));

    const QuoteBook book(3);
    for (int cid : {11, 12, 13, 14}) {
        const QString text = bodyText(standin::categoryPage(cid, QDateTime(day, {10, 32}), book));
        EXPECT_FALSE(text.isEmpty() || text.startsWith(u"传闻"_s)) << cid;
    }
}

TEST(NewsPage, EveryEntryScansToItsHeadlineAndStamp) {
    for (const QTime time : {QTime(8, 0), QTime(15, 30)}) {
        const QDateTime now(QDate(2026, 12, 7), time);
        QStringList expected;
        for (const standin::NewsEntry& entry : standin::hotSectorNews(now))
            expected.append(entry.headline + entry.time.toString(u"MM-dd HH:mm"));
        EXPECT_GE(expected.size(), 10);
        EXPECT_EQ(scanNews(standin::newsPage(now)), expected);
    }
}

TEST(Site, RoutesEveryServiceAndSendsGbk) {
    const QuoteBook book(4);
    const standin::Site site(book);
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray text = "text/plain; charset=gbk";
    const QByteArray html = "text/html; charset=gbk";
    struct Case {
        QString path;
        QString query;
        int status;
        QByteArray type;
        QString contains; // in the decoded body; empty means the body is empty
    };
    const Case cases[] = {
        {u"/msq"_s, u"cn_600000"_s, 200, text, u"'浦发银行'"_s},
        {u"/msq"_s, u"cn_%36%30%30%35%31%39"_s, 200, text, u"贵州茅台"_s},
        {u"/msq"_s, u"cn_123456"_s, 200, text, {}},
        {u"/msq"_s, u"zs_399001"_s, 200, text, u"深证成指"_s},
        {u"/"_s, {}, 200, html, u"Tarvex"_s},
        {u"/htm/fengxian.htm"_s, {}, 200, html, u"</body>"_s},
        {u"/map2.asp"_s, u"cid=15&page=1"_s, 200, html, now.toString(u"MM-dd")},
        {u"/map1.asp"_s, u"cid=2&page=1"_s, 200, html, u"<body><b class=\"head\">传闻"_s},
        {u"/map1.asp"_s, u"cid=14"_s, 200, html, u"热点题材"_s},
        {u"/map1.asp"_s, u"cid=2&page=2"_s, 404, html, u"404"_s},
        {u"/cn/600519/index_kp.shtml"_s, {}, 200, html, u"<svg"_s},
        {u"/news/cbkjj.html"_s, {}, 200, html, u"</span><a href=\"http://"_s},
        {u"/nothing<b>"_s, {}, 404, html, u"/nothing&lt;b&gt;"_s},
    };
    // A character without a GBK form would arrive as "?"; in these pages a
    // "?" only ever starts the query of a link.
    const QRegularExpression lostCharacter(u"\\?(?![a-z])"_s);
    for (const Case& c : cases) {
        const std::string where = (c.path + u'?' + c.query).toStdString();
        const standin::Reply reply = site.handle(c.path, c.query, now);
        EXPECT_EQ(reply.status, c.status) << where;
        EXPECT_EQ(reply.contentType, c.type) << where;
        const QString body = gbk::decode(reply.body);
        EXPECT_EQ(body.isEmpty(), c.contains.isEmpty()) << where;
        EXPECT_TRUE(body.contains(c.contains)) << where;
        EXPECT_FALSE(body.contains(lostCharacter)) << where;
    }
}
