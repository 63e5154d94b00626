#include "demo/makerpages.h"
#include "demo/marketpages.h"
#include "demo/quotebook.h"
#include "demo/site.h"
#include "demo/tests/pagetext.h"
#include "quote/gbk.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

using namespace Qt::StringLiterals;
using standin::Instrument;
using standin::QuoteBook;
using standin::test::bodyText;

namespace {

// The hot-sector reader's scan: pair the first opening marker with the first
// closing marker, turn the text between them (less its 68-character address)
// plus the 11 characters before the opening marker into a line, cut the text
// after the closing marker's first character and go on.
QStringList scanNews(QString text) {
    const QString opening = u"</span><a href=\""_s;
    const QString closing = u"\" target="_s;
    QStringList lines;
    for (;;) {
        const qsizetype p1 = text.indexOf(opening);
        const qsizetype p2 = text.indexOf(closing);
        if (p1 < 0 || p2 < 0)
            break;
        const qsizetype length = p2 - p1 - opening.size();
        if (length >= 68 && p1 >= 11)
            lines.append(text.mid(p1 + opening.size(), length).mid(68) + text.mid(p1 - 11, 11));
        text = text.mid(p2 + 1);
    }
    return lines;
}

// Visible text of the picks page, and where the reader finds the picks.
QString picksShown(const QString& text) {
    return text.left(31).right(23);
}

} // namespace

TEST(PicksPage, TodaysDateThenThePicksAtCharactersNineToThirtyOne) {
    const QuoteBook book(3);
    const QRegularExpression picks(u"^①(\\d{6}) ②(\\d{6}) ③(\\d{6})$"_s);
    for (const QDate day : {QDate::currentDate(), QDate(2026, 3, 7), QDate(2026, 12, 31)}) {
        const QString html = standin::picksPage(day, book);
        const QString text = bodyText(html);
        ASSERT_EQ(text.left(5), day.toString(u"MM-dd"));
        const QRegularExpressionMatch match = picks.match(picksShown(text));
        ASSERT_TRUE(match.hasMatch()) << picksShown(text).toStdString();
        QSet<QString> codes;
        for (int i = 1; i <= 3; ++i) {
            const Instrument* s = book.stock(match.captured(i));
            ASSERT_NE(s, nullptr) << match.captured(i).toStdString();
            codes.insert(s->code);
            // The names follow, after the part the reader takes.
            EXPECT_TRUE(text.mid(31).contains(s->name));
        }
        EXPECT_EQ(codes.size(), 3);
        // Nothing but inline markup before the picks end: a block would add a
        // line break to the visible text and shift the picks.
        const QString head = html.mid(html.indexOf(u"<body>"_s),
                                      html.indexOf(u"<br>"_s) - html.indexOf(u"<body>"_s));
        EXPECT_FALSE(head.contains(QRegularExpression(u"<(p|div|h\\d|ul|table)\\b"_s)));
    }
}

TEST(PicksPage, HistoryListsTheSamePicksForEachDay) {
    const QuoteBook book(3);
    const QDate wednesday(2026, 12, 9);
    const QString history = bodyText(standin::historyPage(wednesday, book));
    for (const QDate day : {wednesday, QDate(2026, 12, 8), QDate(2026, 12, 7)}) {
        EXPECT_TRUE(history.contains(day.toString(u"MM-dd")));
        const QString shown = picksShown(bodyText(standin::picksPage(day, book)));
        for (const QString& code : shown.split(u' '))
            EXPECT_TRUE(history.contains(code.mid(1))) << code.toStdString();
    }
    // The weekend before has no picks of its own.
    EXPECT_FALSE(history.contains(u"12-06"_s));
    const QDate sunday(2026, 12, 6);
    EXPECT_TRUE(bodyText(standin::historyPage(sunday, book)).contains(u"12-06"_s));
}

TEST(RiskPage, BodyIsTheGradeAlone) {
    Instrument index;
    index.prevClose = 320000;
    const std::pair<qint64, QChar> cases[] = {
        {320000 - 3201, u'高'}, // a little more than 1% down
        {320000 - 3200, u'中'}, // exactly 1% down
        {320000, u'中'},
        {320001, u'低'},
    };
    const QRegularExpression body(u"<body>(.*)</body></html>$"_s,
                                  QRegularExpression::DotMatchesEverythingOption);
    for (const auto& [price, grade] : cases) {
        index.price = price;
        EXPECT_EQ(standin::riskGrade(index), grade) << price;
        const QRegularExpressionMatch match = body.match(standin::riskPage(grade));
        ASSERT_TRUE(match.hasMatch());
        EXPECT_EQ(match.captured(1), QString(grade));
    }
}

TEST(RumourPage, StartsWithAHeadThatChangesEveryTwoMinutes) {
    const QuoteBook book(3);
    const QDate day(2026, 12, 7);
    auto head = [&](QTime time) {
        return bodyText(standin::rumourPage(QDateTime(day, time))).left(10);
    };
    const QString at1032 = head(QTime(10, 32, 0));
    EXPECT_TRUE(at1032.startsWith(u"传闻"_s));
    EXPECT_EQ(at1032.size(), 10);
    EXPECT_EQ(head(QTime(10, 33, 59)), at1032);
    EXPECT_NE(head(QTime(10, 34, 0)), at1032);
    EXPECT_NE(head(QTime(10, 30, 59)), at1032);
    // The first line of the list is new each time the head changes.
    const QString list1 = bodyText(standin::rumourPage(QDateTime(day, QTime(10, 32)))).mid(10);
    const QString list2 = bodyText(standin::rumourPage(QDateTime(day, QTime(10, 34)))).mid(10);
    EXPECT_NE(list1.section(u'\n', 0, 1), list2.section(u'\n', 0, 1));

    for (int cid : {11, 12, 13, 14}) {
        const QString text =
            bodyText(standin::categoryPage(cid, QDateTime(day, QTime(10, 32)), book));
        EXPECT_FALSE(text.isEmpty()) << cid;
        EXPECT_FALSE(text.startsWith(u"传闻"_s)) << cid;
    }
    EXPECT_TRUE(standin::categoryPage(15, QDateTime(day, QTime(10, 32)), book).isEmpty());
}

TEST(NewsPage, EveryEntryScansToItsHeadlineAndStamp) {
    const QDate day(2026, 12, 7);
    for (const QTime time : {QTime(8, 0), QTime(14, 0), QTime(15, 30)}) {
        const QDateTime now(day, time);
        const QString html = standin::newsPage(now);
        const QStringList lines = scanNews(html);

        QStringList expected;
        const QRegularExpression entry(
            u"<span>(\\d\\d-\\d\\d \\d\\d:\\d\\d)</span>.*?target=\"_blank\">([^<]*)</a>"_s);
        for (const QRegularExpressionMatch& m : entry.globalMatch(html)) {
            expected.append(m.captured(2) + m.captured(1));
            EXPECT_TRUE(m.captured(1).startsWith(day.toString(u"MM-dd")));
            if (time >= QTime(9, 55)) {
                EXPECT_LE(QTime::fromString(m.captured(1).mid(6), u"HH:mm"), time);
            }
        }
        ASSERT_GE(lines.size(), 10);
        ASSERT_LE(lines.size(), 20);
        EXPECT_EQ(lines, expected);
        for (const QString& word : {u"领涨"_s, u"拉升"_s, u"涨停"_s, u"概念"_s}) {
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
                return line.contains(word);
            })) << word.toStdString();
        }
    }
    EXPECT_GT(scanNews(standin::newsPage(QDateTime(day, QTime(15, 0)))).size(),
              scanNews(standin::newsPage(QDateTime(day, QTime(10, 0)))).size());
}

TEST(ChartPage, DrawsTheDaysPathInsideThePlot) {
    const QuoteBook book(8);
    const Instrument* s = book.stock(u"600519"_s);
    const QString html = standin::chartPage(s->code, s);
    EXPECT_TRUE(html.contains(s->name));
    const QRegularExpression polyline(u"<polyline[^>]*points=\"([^\"]*)\""_s);
    const QRegularExpressionMatch match = polyline.match(html);
    ASSERT_TRUE(match.hasMatch());
    const QStringList points = match.captured(1).split(u' ');
    EXPECT_EQ(points.size(), s->history.size());
    for (const QString& point : points) {
        const double x = point.section(u',', 0, 0).toDouble();
        const double y = point.section(u',', 1, 1).toDouble();
        EXPECT_TRUE(x >= 70 && x <= 910 && y >= 20 && y <= 640) << point.toStdString();
    }
    EXPECT_TRUE(standin::chartPage(u"999999"_s, nullptr).contains(u"暂无"_s));
}

TEST(Site, RoutesEveryServiceAndSendsGbk) {
    const QuoteBook book(4);
    const standin::Site site(book);
    const QDateTime now = QDateTime::currentDateTime();
    struct Case {
        QString path;
        QString query;
        int status;
        QByteArray type;
        QString contains; // in the decoded body; empty means the body is empty
    };
    const QByteArray text = "text/plain; charset=gbk";
    const QByteArray html = "text/html; charset=gbk";
    const Case cases[] = {
        {u"/msq"_s, u"cn_600000"_s, 200, text, u"'浦发银行'"_s},
        {u"/msq"_s, u"cn_%36%30%30%35%31%39"_s, 200, text, u"贵州茅台"_s},
        {u"/msq"_s, u"cn_"_s, 200, text, {}},
        {u"/msq"_s, u"cn_123456"_s, 200, text, {}},
        {u"/msq"_s, u"cn_600000%20"_s, 200, text, {}},
        {u"/msq"_s, u"zs_000001"_s, 200, text, u"上证指数"_s},
        {u"/msq"_s, u"zs_399001"_s, 200, text, u"深证成指"_s},
        {u"/msq"_s, u"zs_000300"_s, 200, text, {}},
        {u"/"_s, {}, 200, html, u"Tarvex"_s},
        {u"/gonggao.htm"_s, {}, 200, html, u"overflow:hidden"_s},
        {u"/htm/fengxian.htm"_s, {}, 200, html, u"</body>"_s},
        {u"/map2.asp"_s, u"cid=15&page=1"_s, 200, html, now.toString(u"MM-dd")},
        {u"/map1.asp"_s, u"cid=15"_s, 200, html, u"历史荐股"_s},
        {u"/map1.asp"_s, u"cid=2"_s, 200, html, u"<body><b class=\"head\">传闻"_s},
        {u"/map1.asp"_s, u"cid=2&page=1"_s, 200, html, u"<body><b class=\"head\">传闻"_s},
        {u"/map1.asp"_s, u"cid=11&page=1"_s, 200, html, u"免费技术"_s},
        {u"/map1.asp"_s, u"cid=12"_s, 200, html, u"操盘神器"_s},
        {u"/map1.asp"_s, u"cid=13&page=1"_s, 200, html, u"群聊精华"_s},
        {u"/map1.asp"_s, u"cid=14"_s, 200, html, u"热点题材"_s},
        {u"/map1.asp"_s, u"cid=2&page=2"_s, 404, html, u"404"_s},
        {u"/map1.asp"_s, u"cid=99"_s, 404, html, u"404"_s},
        {u"/jieshao.htm"_s, {}, 200, html, u"Tarvex"_s},
        {u"/htm/huiyuan.htm"_s, {}, 200, html, u"会员"_s},
        {u"/htm/20120512/723.htm"_s, {}, 200, html, u"关于Tarvex"_s},
        {u"/htm/lianxi.htm"_s, {}, 200, html, u"联系我们"_s},
        {u"/cn/600519/index_kp.shtml"_s, {}, 200, html, u"<svg"_s},
        {u"/cn/999999/index_kp.shtml"_s, {}, 200, html, u"暂无"_s},
        {u"/news/cbkjj.html"_s, {}, 200, html, u"</span><a href=\"http://"_s},
        {u"/nothing<b>"_s, {}, 404, html, u"/nothing&lt;b&gt;"_s},
    };
    for (const Case& c : cases) {
        const QString where = c.path + u'?' + c.query;
        const standin::Reply reply = site.handle(c.path, c.query, now);
        EXPECT_EQ(reply.status, c.status) << where.toStdString();
        EXPECT_EQ(reply.contentType, c.type) << where.toStdString();
        const QString body = gbk::decode(reply.body);
        if (c.contains.isEmpty()) {
            EXPECT_TRUE(reply.body.isEmpty()) << where.toStdString();
        } else {
            EXPECT_TRUE(body.contains(c.contains)) << where.toStdString();
        }
    }
}

TEST(Site, EveryPageHasAGbkFormForEachCharacter) {
    const QuoteBook book(4);
    const QDateTime now(QDate(2026, 12, 7), QTime(15, 30));
    const QString pages[] = {
        standin::homePage(),
        standin::notFoundPage(u"/x"_s),
        standin::announcementPage(now.date()),
        standin::riskPage(u'高'),
        standin::picksPage(now.date(), book),
        standin::historyPage(now.date(), book),
        standin::rumourPage(now),
        standin::categoryPage(11, now, book),
        standin::categoryPage(12, now, book),
        standin::categoryPage(13, now, book),
        standin::categoryPage(14, now, book),
        standin::introPanel(),
        standin::membershipPage(),
        standin::aboutPage(),
        standin::contactPage(),
        standin::chartPage(u"600519"_s, book.stock(u"600519"_s)),
        standin::chartPage(u"999999"_s, nullptr),
        standin::newsPage(now),
    };
    int n = 0;
    for (const QString& page : pages) {
        bool complete = false;
        const QByteArray bytes = gbk::encode(page, &complete);
        EXPECT_TRUE(complete) << "page " << n;
        EXPECT_EQ(gbk::decode(bytes), page) << "page " << n;
        ++n;
    }
    // A rumour list that cycles through the day uses every rumour.
    for (int minute = 0; minute < 60; minute += 2) {
        bool complete = false;
        gbk::encode(standin::rumourPage(QDateTime(now.date(), QTime(9, minute))), &complete);
        EXPECT_TRUE(complete) << minute;
    }
}
