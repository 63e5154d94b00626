#include "demo/standinserver.h"
#include "desk/hotsectorscan.h"
#include "quote/gbk.h"
#include "quote/quotereply.h"
#include "services/sitepages.h"

#include <gtest/gtest.h>

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

// What scripts/run.sh shows users, over loopback: quotes in GBK with every
// field where the desk reads it, every page the programs open, and prices
// that move while the server listens.
TEST(StandinServer, AnswersQuotesInGbkWithTheFieldsTheDeskReadsAndEveryPage) {
    standin::StandinServer server(11, 10);
    const qint64 stepsAtStart = server.book().stepCount();
    const quint16 port = server.listen(0);
    ASSERT_NE(port, 0);

    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    auto get = [&](const QString& target) {
        const QUrl url(u"http://127.0.0.1:"_s + QString::number(port) + target);
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, 5000))
            << target.toStdString();
        return std::tuple(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                          reply->rawHeader("Content-Type"), gbk::decode(reply->readAll()));
    };
    // 昇 lies outside GB2312; the blanks of "新 希 望" are part of the name.
    const std::pair<QString, std::u16string> quotes[] = {{u"cn_600000"_s, u"浦发银行"},
                                                         {u"cn_002752"_s, u"昇兴股份"},
                                                         {u"cn_000876"_s, u"新 希 望"},
                                                         {u"zs_000001"_s, u"上证指数"},
                                                         {u"zs_399001"_s, u"深证成指"}};
    const QRegularExpression number(u"^-?\\d+\\.\\d+%?$"_s);
    for (const auto& [query, quoteName] : quotes) {
        const auto [status, type, body] = get(u"/msq?"_s + query);
        EXPECT_EQ(status, 200);
        EXPECT_EQ(type, "text/plain; charset=gbk");
        const quote::Reply reply(body.toStdU16String());
        EXPECT_EQ(reply.field(quote::kNameField), quoteName) << body.toStdString();
        const auto numbers =
            query.startsWith(u"zs_"_s)
                ? std::vector{quote::kIndexLevelField, quote::kIndexChangeField}
                : std::vector{quote::kPriceField, quote::kHighField, quote::kChangeField};
        for (const std::size_t n : numbers) {
            const QString field = QString::fromStdU16String(reply.field(n).value_or(u""));
            EXPECT_TRUE(number.match(field).hasMatch()) << n << ": " << body.toStdString();
        }
    }

    using namespace pages;
    for (const char* page :
         {"/", kAnnouncement, kMarketRisk, kDailyPicks, kContact, kIntroduction, kMembership,
          kAbout, kRumours, "/cn/600519/index_kp.shtml", kNews, kSinaBlog, kSohuBlog, kHexunBlog}) {
        const auto [status, type, body] = get(QString::fromLatin1(page));
        EXPECT_EQ(std::tuple(status, type, body.contains(u"</body>"_s)),
                  std::tuple(200, QByteArray("text/html; charset=gbk"), true))
            << page;
    }
    EXPECT_EQ(std::get<0>(get(u"/no/such/page.htm"_s)), 404);

    // The hot-sector page as the tracker reads it: no markup of the head, a
    // short link or the foot in any line.
    const auto lines = desk::hotsector::scan(std::get<2>(get(QString::fromLatin1(pages::kNews))));
    ASSERT_GE(lines.size(), 12u);
    for (const desk::hotsector::Line& line : lines)
        EXPECT_FALSE(line.text.contains(u'<')) << line.text.toStdString();
    // The paths a demonstration switches the pages with.
    for (const QString& control : {u"/standin/risk?grade=中"_s, u"/standin/picks?day=yesterday"_s,
                                   u"/standin/rumour?next"_s})
        EXPECT_EQ(std::get<2>(get(control)), u"ok\n"_s) << control.toStdString();
    EXPECT_TRUE(std::get<2>(get(u"/htm/fengxian.htm"_s)).contains(u">中<"_s));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return server.book().stepCount() >= stepsAtStart + 5; }, 5000));
}
