// The gateway as Quillon meets it: Quillon's own quote client asks it, and a
// scripted server on loopback plays the feed, the chart images and the news feed.
#include "desk/hotsectorscan.h"
#include "gateway/gatewayserver.h"
#include "gateway/newsfeed.h"
#include "quote/gbk.h"
#include "services/sitepages.h"
#include "tests/support/scriptedhttpserver.h"

#include <QFile>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace gateway;
using namespace Qt::StringLiterals;

namespace {

// Replies of the feed as the public description of its hq_str format has them,
// and what Quillon must be told of each: a rise, a fall, a suspended stock
// (price 0), a name outside GB2312, a fall too small to show, the two indexes,
// a fund, whose prices keep their third decimal in every field, and a Beijing share.
struct Instrument {
    QByteArray symbol;
    const char16_t* name;
    QByteArray prices; // open, previous close, price, high, low
    QByteArray shown;  // price, change and high, as Quillon's fields 3, 4 and 11
};

// clang-format off
const Instrument kInstruments[] = {
    {"sh600000", u"浦发银行", "8.500,8.450,8.600,8.650,8.480", "8.60,1.78%,8.65"},
    {"sz000858", u"五粮液", "150.5,150,148.120,151,147.9", "148.12,-1.25%,151.00"},
    {"sz000002", u"万科Ａ", "0.000,9.800,0.000,0.000,0.000", "9.80,0.00%,9.80"},
    {"sz002752", u"昇兴股份", "5.600,5.550,5.610,5.700,5.500", "5.61,1.08%,5.70"},
    {"sh600519", u"贵州茅台", "1680,1680.01,1680.00,1681,1679", "1680.00,-0.00%,1681.00"},
    {"sh000001", u"上证指数", "3010.12,3012.3456,3021.789,3025.5,3001", "3021.79,0.31%,3025.50"},
    {"sz399001", u"深证成指", "9900,9928.1,9876.5449,9950,9860", "9876.54,-0.52%,9950.00"},
    {"sh510300", u"沪深300ETF", "3.500,3.498,3.512,3.52,3.4904", "3.512,0.40%,3.520"},
    {"bj430047", u"诺思兰德", "12.000,11.900,12.100,12.200,11.850", "12.10,1.68%,12.20"},
};
// clang-format on

// The record with all 33 values of the format, as the feed sends it.
ScriptedResponse feedReply(const Instrument& i, const QByteArray& stamp = "2024-05-17,15:00:00") {
    ScriptedResponse response("var hq_str_" + i.symbol + "=\"" + gbk::encode(i.name) + "," +
                              i.prices + ",0,0,1200,10320," + QByteArray("100,0,").repeated(10) +
                              stamp + ",00\";\n");
    response.headers = {{"Content-Type", "application/javascript; charset=GB18030"}};
    return response;
}

// An upstream's answer as recorded in tests/gateway/recordings.
QByteArray recording(const char* name) {
    QFile file(QStringLiteral(QUILLON_GATEWAY_RECORDINGS "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The points of a drawn chart's line.
QList<QPointF> drawnLine(const QString& page) {
    QList<QPointF> points;
    const QString line = QRegularExpression(u"points=\"([^\"]*)\""_s).match(page).captured(1);
    for (const QString& point : line.split(u' ', Qt::SkipEmptyParts))
        points.append({point.section(u',', 0, 0).toDouble(), point.section(u',', 1).toDouble()});
    return points;
}

// The largest price the parser takes is read exactly (quote::formatChange is
// exact for it, tests/quote); a million is no price of these markets.
TEST(GatewayRules, APriceIsReadExactlyUpToAMillion) {
    const QString record = u"var hq_str_x=\"n,1,0.000001,%1"_s + u",1"_s.repeated(30) + u"\";"_s;
    const FeedAnswer highest = parseFeed(FeedFormat::HqStrList, record.arg(u"999999.999999"), u"x");
    EXPECT_EQ(std::get<FeedQuote>(highest).price, 999'999'999'999);
    EXPECT_TRUE(std::holds_alternative<Garbled>(
        parseFeed(FeedFormat::HqStrList, record.arg(u"1000000"), u"x")));
}

TEST(GatewayRules, GateAsksTheFeedAtMostOncePerInstrumentPerSecond) {
    qint64 now = 5000;
    QuoteGate gate([&] { return now; });
    EXPECT_EQ(gate.ask(u"sh600000"_s), QuoteGate::Step::Fetch);
    now += 2500; // a slow feed: whoever asks meanwhile waits for the same answer
    EXPECT_EQ(gate.ask(u"sh600000"_s), QuoteGate::Step::Join);
    EXPECT_EQ(gate.ask(u"sz000001"_s), QuoteGate::Step::Fetch);
    gate.settle(u"sh600000"_s, "'a'");
    gate.settle(u"sz000001"_s, {}); // a failure is kept for its second too
    now = 8499;
    EXPECT_EQ(gate.ask(u"sz000001"_s), QuoteGate::Step::Serve);
    EXPECT_EQ(gate.ask(u"sh600000"_s), QuoteGate::Step::Fetch); // counted from when it went out
    now = 8500;
    EXPECT_EQ(gate.ask(u"sz000001"_s), QuoteGate::Step::Fetch);
}

class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gbk::available() && m_feed.listen());
        for (const Instrument& i : kInstruments)
            m_replies["/list=" + i.symbol] = feedReply(i);
        ASSERT_NO_FATAL_FAILURE(startGateway());
    }

    // In process, on 2 p.m. of 2024-05-17 in Beijing.
    void startGateway() {
        const QString feed = m_feed.baseUrl();
        m_gateway = std::make_unique<GatewayServer>(
            GatewayServer::Upstream{feed, FeedFormat::HqStrList, {}, 2000, feed, feed},
            &m_problems);
        const qint64 shift = QDateTime::currentDateTimeUtc().msecsTo(
            QDateTime(QDate(2024, 5, 17), QTime(6, 0), Qt::UTC));
        m_gateway->setClock([shift] { return QDateTime::currentDateTimeUtc().addMSecs(shift); });
        ASSERT_NE(m_port = m_gateway->listen(0), 0);
    }

    // The built quillon-gateway, asked in place of the in-process one, as its
    // user unit starts it: on the socket systemd passes on at the first
    // connection, whatever port it was told.
    void startBuilt() {
        m_gateway.reset(); // the port it leaves free is the built one's
        qputenv("SYSTEMD_LOG_LEVEL", "err");
        m_built.start("systemd-socket-activate",
                      {"--listen", u"127.0.0.1:%1"_s.arg(m_port), QUILLON_GATEWAY_EXECUTABLE,
                       "--port", "1", "--quiet", "--upstream", m_feed.baseUrl()});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, m_port);
                return socket.waitForConnected(200);
            },
            10000));
    }

    // Fields 2, 3, 4 and 11 of what each of `clients` quote clients of
    // Quillon's, asking at once, get for each target; "failed" when nothing.
    QStringList ask(const QList<QByteArray>& targets, int clients = 1) {
        std::deque<HttpClient> programs(clients); // each its own connection
        std::deque<HttpQueue> fetchers;
        QStringList got;
        for (HttpClient& program : programs) {
            fetchers.emplace_back(&program, u"http://127.0.0.1:%1"_s.arg(m_port));
            for (const QByteArray& target : targets)
                fetchers.back().fetch(target.toStdString(), [&](const HttpQueue::Result& r) {
                    QStringList fields;
                    for (const std::size_t field : {2, 3, 4, 11})
                        if (r && r->field(field))
                            fields.append(QString::fromStdU16String(*r->field(field)));
                    got.append(r ? fields.join(u',') : u"failed"_s);
                });
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() >= targets.size() * clients; }, 10000));
        return got;
    }

    // The status and body of a page as a web view gets it; chartPage() reads a code's chart page.
    std::pair<int, QByteArray> get(const QByteArray& target) {
        HttpClient program;
        HttpQueue client(&program, u"http://127.0.0.1:%1"_s.arg(m_port));
        std::optional<std::pair<int, QByteArray>> got;
        client.fetchBytes(target.toStdString(), [&](const std::optional<QByteArray>& body) {
            got.emplace(client.lastStatus(), body.value_or("failed"));
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 10000));
        return got.value_or(std::pair{0, QByteArray()});
    }
    QString chartPage(const QByteArray& code) {
        return QString::fromUtf8(get("/cn/" + code + "/index_kp.shtml").second);
    }

    ScriptedHttpServer m_feed;
    ResponsesByTarget m_replies{m_feed};
    QString m_problemText;
    QTextStream m_problems{&m_problemText};
    std::unique_ptr<GatewayServer> m_gateway;
    QProcess m_built;
    quint16 m_port = 0;
};

TEST_F(GatewayTest, TheBuiltGatewayGivesRecordedRepliesFieldByFieldInGbkOverOneConnection) {
    ASSERT_NO_FATAL_FAILURE(startBuilt());
    m_replies["/list=sh601318"].body = "var hq_str_sh601318=\"\";\n"; // a code it does not know
    QList<QByteArray> targets;
    QStringList expected;
    for (const Instrument& i : kInstruments) {
        const bool index = i.symbol == "sh000001" || i.symbol == "sz399001";
        targets.append((index ? "/msq?zs_" : "/msq?cn_") + i.symbol.mid(2));
        expected.append(QString::fromUtf16(i.name) + u',' + QString::fromLatin1(i.shown));
    }
    targets += {"/msq?cn_600000", "/msq?cn_601318", "/msq?cn_60000", "/msq?cn_60000%20"};
    expected += {expected[0], u""_s, u""_s, u""_s}; // a repeat within the second, then empty ones
    EXPECT_EQ(ask(targets), expected);

    ASSERT_EQ(m_feed.requestCount(), 10) << "no repeat, and no code not of six digits, reaches it";
    EXPECT_TRUE((m_feed.requests()[0].head + "\r\n")
                    .contains("\r\nReferer: https://finance.sina.com.cn/\r\n"));
    EXPECT_EQ(m_feed.connectionCount(), 1);
    EXPECT_EQ(m_built.readAllStandardError(), QByteArray());
}

TEST_F(GatewayTest, RefusalsAndChangedFormatsBecomeTheEmptyReplyAndOneLineOnStandardError) {
    ScriptedResponse forbidden("<html><head><title>Forbidden</title></head></html>");
    forbidden.status = 403;
    m_replies["/list=sh600000"] = m_replies["/list=sh600519"] = forbidden;
    m_replies["/list=sz000858"].body = "var hq_str_sz000858=\"x,150.500,150.000,148.1"; // cut short
    m_replies["/list=sz000002"].body = "hq_str_sz000002 = {\"name\": \"x\"}";
    EXPECT_EQ(ask({"/msq?cn_600000", "/msq?cn_600519", "/msq?cn_000858", "/msq?cn_000002",
                   "/msq?cn_002752"}),
              QStringList({"", "", "", "", u"昇兴股份,5.61,1.08%,5.70"_s}));
    EXPECT_EQ(m_problemText.toStdString(), // the same refusal twice makes one line
              "quillon-gateway: the feed refused us: HTTP 403, an HTML page (asked for sh600000)\n"
              "quillon-gateway: the feed's reply is not in the format we read: the record is cut "
              "short (asked for sz000858)\n"
              "quillon-gateway: the feed's reply is not in the format we read: not a list of "
              "hq_str records (asked for sz000002)\n"
              "quillon-gateway: the feed answers again (asked for sz002752)\n");
}

TEST_F(GatewayTest, ASilentFeedCostsOneRequestAndOneTimeOutForAllWhoAskMeanwhile) {
    m_replies["/list=sh600000"] = ScriptedResponse("", 5000);
    const QDeadlineTimer fourSeconds(4000);
    EXPECT_EQ(ask({"/msq?cn_600000"}, 3), QStringList({"", "", ""}));
    EXPECT_FALSE(fourSeconds.hasExpired()) << "the feed's time-out is 2 s";
    EXPECT_EQ(m_feed.requestCount(), 1);
    EXPECT_TRUE(m_problemText.contains(u"did not answer"_s)) << m_problemText.toStdString();
}

TEST_F(GatewayTest, TheChartPageShowsTheProvidersImageFromTheGatewayAskedForOnceAMinute) {
    const QByteArray image = recording("min-sh600000.gif");
    m_replies["/newchart/min/n/sh600000.gif"].body = image;
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(chartPage("600000").contains(u"<img src=\"/cn/600000/min.gif\""_s));
    EXPECT_EQ(get("/cn/600000/min.gif"), std::pair(200, image));
    EXPECT_TRUE(chartPage("60000x").contains(u"暂无分时图：没有代码“60000x”的股票"_s));
    EXPECT_EQ(m_feed.requestCount(), 1);
}

TEST_F(GatewayTest, WithoutAnImageTheChartIsDrawnFromTheQuotesFetchedTodayAndNothingElse) {
    m_replies["/newchart/min/n/sh600000.gif"].body = "<html><body>404 Not Found</body></html>";
    m_replies["/newchart/min/n/sz000858.gif"] = ScriptedResponse("GIF89a", 3000); // too late
    m_replies["/newchart/min/n/sh600519.gif"].status = 404;
    const QByteArray prices[] = {"8.500,8.450,8.600,8.650,8.480", "8.500,8.450,8.640,8.650,8.480",
                                 "8.500,8.450,8.520,8.660,8.480"};
    for (int i = 0; i < 3; ++i) {
        m_replies["/list=sh600000"] = feedReply({"sh600000", u"浦发银行", prices[i], {}},
                                                "2024-05-17,13:5" + QByteArray::number(i) + ":00");
        ask({"/msq?cn_600000"});
        QTest::qWait(1000); // past the quote's second
    }
    m_replies["/list=sh600519"] = feedReply(kInstruments[4], "2024-05-16,15:00:00");
    ask({"/msq?cn_000858", "/msq?cn_600519"});

    const QString drawn = chartPage("600000");
    for (const QString& said : {u"最新 8.52"_s, u"昨收 8.45"_s, u"最高 8.66"_s, u"最低 8.48"_s,
                                u"本图由本机网关今日取得的报价绘制：14:00:0"_s, u"共 3 个报价"_s})
        EXPECT_TRUE(drawn.contains(said)) << said.toStdString();
    const QList<QPointF> line = drawnLine(drawn);
    ASSERT_EQ(line.size(), 3);
    EXPECT_TRUE(line[0].x() < line[1].x() && line[1].x() < line[2].x());
    EXPECT_TRUE(line[1].y() < line[0].y() && line[0].y() < line[2].y()) << "8.64, 8.60, 8.52";
    EXPECT_EQ(drawnLine(chartPage("000858")).size(), 1);
    const QString yesterdays = chartPage("600519");
    EXPECT_TRUE(yesterdays.contains(u"暂无分时图"_s) && !yesterdays.contains(u"<svg"_s));
    for (const char* said : {"server's reply is not a GIF, PNG or JPEG image (asked for sh600000)",
                             "server did not answer: no whole reply within 2000 ms",
                             "server refused us: HTTP 404 (asked for sh600519)"})
        EXPECT_TRUE(m_problemText.contains(u"the chart "_s + QLatin1String(said))) << said;
}

TEST_F(GatewayTest, TheNewsPageListsTodaysFeedItemsNewestFirstAsTheTrackerReadsThem) {
    m_replies[news::kFeedTarget].body = recording("zhibo-feed.json");
    const auto [status, body] = get(pages::kNews);
    EXPECT_EQ(status, 200);
    QStringList read;
    for (const desk::hotsector::Line& line : desk::hotsector::scan(gbk::decode(body)))
        read.append(line.text);
    EXPECT_EQ(
        read,
        QStringList(
            {u"【半导体板块午后拉升】中芯国际涨超5%，北方华创、拓荆科技跟涨。05-17 13:58"_s,
             u"【光伏概念走强】机构称＂行业出清＂已近尾声，隆基绿能＆通威股份涨逾3%＜持续关注＞"
             "05-17 11:20"_s,
             u"【沪指高开0.3%】 两市超3000只个股上涨 CPO概念涨停潮05-17 09:31"_s}));
    EXPECT_TRUE(body.contains("<a href=\"https://finance.sina.com.cn/7x24/doc-4086990.shtml#"));
    EXPECT_EQ(get(pages::kNews).second, body);
    EXPECT_EQ(m_feed.requestCount(), 1);
}

TEST_F(GatewayTest, ANewsFeedThatCannotBeHadGivesAPageWithoutItemsAndSaysWhy) {
    const QByteArray recorded = recording("zhibo-feed.json");
    ScriptedResponse refused("<html><body>503 Service Unavailable</body></html>");
    refused.status = 503;
    ScriptedResponse dropped;
    dropped.mode = ScriptedResponse::Mode::CloseWithoutReply;
    const ScriptedResponse answers[] = {
        refused,
        dropped,
        ScriptedResponse(recorded.left(recorded.size() / 2)),
        ScriptedResponse(R"({"result":{"status":{"code":1,"msg":"busy"}}})"),
        ScriptedResponse("try{feed(" + recorded + ");}catch(e){};"),
        ScriptedResponse(recorded + QByteArray(news::kMaxFeedBytes, ' '))};
    for (const ScriptedResponse& answer : answers) {
        m_replies[news::kFeedTarget] = answer;
        ASSERT_NO_FATAL_FAILURE(startGateway()); // nothing held
        const auto [status, body] = get(pages::kNews);
        EXPECT_EQ(status, 200);
        EXPECT_TRUE(body.contains("<ul>\n</ul>") && body.endsWith("</html>\n")) << body.data();
    }
    EXPECT_EQ(m_problemText.count(u"quillon-gateway: the news feed"_s), 6)
        << m_problemText.toStdString();
}

} // namespace
