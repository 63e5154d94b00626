// The gateway as Quillon meets it: Quillon's own quote client asks it, and a
// scripted server on loopback plays the feed with recorded replies.
#include "gateway/gatewayserver.h"
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

#include <QTest>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace gateway;
using namespace Qt::StringLiterals;

namespace {

// A record of the feed as it describes its format: name, open, previous
// close, price, high, low, bid, ask, volume, amount, ten numbers of each side
// of the book, date, time and a last "00".
QByteArray record(const QString& symbol, const char16_t* name, const QByteArray& prices) {
    const QByteArray book = QByteArray("100,0.000,").repeated(10);
    return "var hq_str_" + symbol.toLatin1() + "=\"" + gbk::encode(name) + "," + prices +
           ",0.000,0.000,1200,10320.000," + book + "2024-05-17,15:00:00,00\";\n";
}

std::string text(const std::optional<std::u16string>& field) {
    return field ? QString::fromStdU16String(*field).toStdString() : "<missing>";
}

TEST(GatewayRules, MapsSixDigitCodesToTheirMarketAndTheTwoIndexesByName) {
    for (const auto& [code, symbol] :
         std::initializer_list<std::pair<const char16_t*, const char*>>{{u"600000", "sh600000"},
                                                                        {u"510300", "sh510300"},
                                                                        {u"900901", "sh900901"},
                                                                        {u"688981", "sh688981"},
                                                                        {u"000001", "sz000001"},
                                                                        {u"300750", "sz300750"},
                                                                        {u"002594", "sz002594"},
                                                                        {u"200002", "sz200002"}})
        EXPECT_EQ(stockSymbol(code).value_or(u"none"_s).toStdString(), symbol);
    for (const char16_t* code : {u"", u"60000", u"6000000", u"60000a", u"６00000", u" 600000"})
        EXPECT_FALSE(stockSymbol(code)) << QString::fromUtf16(code).toStdString();

    EXPECT_EQ(wantedFor(u"zs_000001")->symbol, u"sh000001"_s);
    EXPECT_EQ(wantedFor(u"zs_399001")->symbol, u"sz399001"_s);
    EXPECT_TRUE(wantedFor(u"zs_000001")->isIndex);
    EXPECT_EQ(wantedFor(u"cn_000001")->symbol, u"sz000001"_s); // a stock, not the index
    EXPECT_FALSE(wantedFor(u"cn_000001")->isIndex);
    for (const char16_t* query :
         {u"cn_", u"cn_60000%30", u"zs_000300", u"cn600000", u"zs_sh000001"})
        EXPECT_FALSE(wantedFor(query)) << QString::fromUtf16(query).toStdString();
}

TEST(GatewayRules, ChangeIsRoundedHalfAwayFromZeroAndAFallAlwaysCarriesItsSign) {
    const Micros yuan = 1'000'000;
    EXPECT_EQ(formatChange(8'600'000, 8'450'000), u"1.78%"_s);
    EXPECT_EQ(formatChange(148'120'000, 150 * yuan), u"-1.25%"_s);
    EXPECT_EQ(formatChange(10 * yuan + 500, 10 * yuan), u"0.01%"_s); // 0.005% rounds up
    EXPECT_EQ(formatChange(10 * yuan - 100, 10 * yuan), u"-0.00%"_s);
    EXPECT_EQ(formatChange(11 * yuan, 10 * yuan), u"10.00%"_s);
    EXPECT_EQ(formatChange(10 * yuan, 10 * yuan), u"0.00%"_s);
    EXPECT_EQ(formatChange(5 * yuan, 0), u"0.00%"_s);
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
    EXPECT_EQ(gate.answer(u"sz000001"_s), QByteArray());
    EXPECT_EQ(gate.ask(u"sh600000"_s), QuoteGate::Step::Fetch); // counted from when it went out
    now = 8500;
    EXPECT_EQ(gate.ask(u"sz000001"_s), QuoteGate::Step::Fetch);
}

class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gbk::available());
        ASSERT_TRUE(m_feed.listen());
        m_feed.setHandler([this](const RecordedRequest& request) {
            return m_replies.value(request.target, ScriptedResponse("FAILED"));
        });
        GatewayServer::Upstream upstream{m_feed.baseUrl(),
                                         FeedFormat::HqStrList,
                                         {"Referer: https://finance.sina.com.cn/"},
                                         2000};
        m_gateway = std::make_unique<GatewayServer>(upstream, &m_problems);
        m_port = m_gateway->listen(0);
        ASSERT_NE(m_port, 0);
    }

    void feed(const QString& symbol, const char16_t* name, const QByteArray& prices) {
        ScriptedResponse& response = m_replies["/list=" + symbol.toLatin1()];
        response.body = record(symbol, name, prices);
        response.headers = {{"Content-Type", "application/javascript; charset=GB18030"}};
    }

    // What Quillon's quote client gets for each request target, in order.
    QList<QuoteFetcher::Result> ask(const QList<QByteArray>& targets) {
        QuoteFetcher client(u"http://127.0.0.1:%1"_s.arg(m_port));
        QList<QuoteFetcher::Result> results;
        for (const QByteArray& target : targets)
            client.fetch(target.toStdString(),
                         [&](const QuoteFetcher::Result& result) { results.append(result); });
        for (int waited = 0; results.size() < targets.size() && waited < 10000; waited += 10)
            QTest::qWait(10);
        EXPECT_EQ(results.size(), targets.size()) << "the gateway left requests unanswered";
        return results;
    }

    ScriptedHttpServer m_feed;
    QHash<QByteArray, ScriptedResponse> m_replies;
    QString m_problemText;
    QTextStream m_problems{&m_problemText};
    std::unique_ptr<GatewayServer> m_gateway;
    quint16 m_port = 0;
};

TEST_F(GatewayTest, RecordedRepliesComeOutFieldByFieldInGbkOverOneConnection) {
    feed(u"sh600000"_s, u"浦发银行", "8.500,8.450,8.600,8.650,8.480");         // a rise
    feed(u"sz000858"_s, u"五粮液", "150.500,150.000,148.120,151.000,147.900"); // a fall
    feed(u"sz000002"_s, u"万科Ａ", "0.000,9.800,0.000,0.000,0.000");           // suspended
    feed(u"sz002752"_s, u"昇兴股份", "5.600,5.550,5.612,5.700,5.500");         // not in GB2312
    feed(u"sh000001"_s, u"上证指数", "3010.1200,3012.3456,3021.7890,3025.5000,3001.0000");
    feed(u"sz399001"_s, u"深证成指", "9900.000,9928.1000,9876.5400,9950.000,9860.000");
    m_replies["/list=sh601318"].body =
        "var hq_str_sh601318=\"\";\n"; // a code the feed does not know

    const QList<QByteArray> targets = {"/msq?cn_600000", "/msq?cn_000858", "/msq?cn_000002",
                                       "/msq?cn_002752", "/msq?zs_000001", "/msq?zs_399001",
                                       "/msq?cn_601318", "/msq?cn_60000",  "/msq?cn_60000%20"};
    const QList<QuoteFetcher::Result> results = ask(targets);
    ASSERT_EQ(results.size(), targets.size());
    // name, price, change, high
    const std::vector<std::array<std::string, 4>> expected = {
        {"浦发银行", "8.60", "1.78%", "8.65"},       {"五粮液", "148.12", "-1.25%", "151.00"},
        {"万科Ａ", "9.80", "0.00%", "9.80"},         {"昇兴股份", "5.612", "1.12%", "5.70"},
        {"上证指数", "3021.79", "0.31%", "3025.50"}, {"深证成指", "9876.54", "-0.52%", "9950.00"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& reply = results[qsizetype(i)];
        ASSERT_TRUE(reply) << targets[qsizetype(i)].constData();
        const std::array<std::string, 4> got = {text(reply->field(2)), text(reply->field(3)),
                                                text(reply->field(4)), text(reply->field(11))};
        EXPECT_EQ(got, expected[i]) << targets[qsizetype(i)].constData();
    }
    for (qsizetype i = 6; i < targets.size(); ++i)
        EXPECT_TRUE(results[i] && results[i]->fieldCount() == 0) << targets[i].constData();

    const QList<RecordedRequest> upstream = m_feed.requests();
    ASSERT_EQ(upstream.size(), 7) << "codes that are not six digits never reach the feed";
    EXPECT_EQ(upstream[0].target, "/list=sh600000");
    EXPECT_EQ(upstream[4].target, "/list=sh000001");
    EXPECT_EQ(upstream[5].target, "/list=sz399001");
    EXPECT_TRUE(
        (upstream[0].head + "\r\n").contains("\r\nReferer: https://finance.sina.com.cn/\r\n"));
    EXPECT_EQ(m_feed.connectionCount(), 1);
    EXPECT_EQ(m_problemText, QString()) << "no problem to report";
}

TEST_F(GatewayTest, RefusalsAndChangedFormatsBecomeTheEmptyReplyAndOneLineOnStandardError) {
    ScriptedResponse forbidden("<html><head><title>Forbidden</title></head><body>Kinsoku jikou "
                               "desu!</body></html>");
    forbidden.status = 403;
    m_replies["/list=sh600000"] = forbidden;
    m_replies["/list=sh600519"] = forbidden;
    m_replies["/list=sz000858"].body =
        "var hq_str_sz000858=\"" + gbk::encode(u"五粮液") + ",150.500,150.000,148.1"; // cut short
    m_replies["/list=sz000001"].body = "hq_str_sz000001 = {\"name\": \"x\"}";
    feed(u"sz300750"_s, u"宁德时代", "190.000,188.000,190.100,192.000,187.500");

    const QList<QuoteFetcher::Result> results = ask(
        {"/msq?cn_600000", "/msq?cn_600519", "/msq?cn_000858", "/msq?cn_000001", "/msq?cn_300750"});
    ASSERT_EQ(results.size(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(results[i] && results[i]->fieldCount() == 0) << "request " << i;
    ASSERT_TRUE(results[4]);
    EXPECT_EQ(text(results[4]->field(3)), "190.10");

    const QStringList lines = m_problemText.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << m_problemText.toStdString(); // the same refusal twice: one line
    EXPECT_TRUE(lines[0].contains(u"refused us: HTTP 403, an HTML page (asked for sh600000)"_s))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(u"cut short"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(u"not a list of hq_str records"_s)) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains(u"answers again"_s)) << lines[3].toStdString();
}

TEST_F(GatewayTest, RepeatsWithinTheSecondAndRequestsWhileOneIsOutShareOneUpstreamRequest) {
    feed(u"sh600000"_s, u"浦发银行", "8.500,8.450,8.600,8.650,8.480");
    m_replies["/list=sh600000"].delayMs = 400;
    // Two of Quillon's callers at once, as the refresh cycle and the alert
    // monitor ask for the same stock, then one more right after.
    QuoteFetcher other(u"http://127.0.0.1:%1"_s.arg(m_port));
    QuoteFetcher::Result otherResult;
    other.fetch("/msq?cn_600000", [&](const QuoteFetcher::Result& r) { otherResult = r; });
    const QList<QuoteFetcher::Result> results = ask({"/msq?cn_600000", "/msq?cn_600000"});
    ASSERT_TRUE(otherResult && results.size() == 2 && results[0] && results[1]);
    for (const auto& reply : {*otherResult, *results[0], *results[1]})
        EXPECT_EQ(text(reply.field(3)), "8.60");
    EXPECT_EQ(m_feed.requestCount(), 1);

    QTest::qWait(1100 - 400);
    ask({"/msq?cn_600000"});
    EXPECT_EQ(m_feed.requestCount(), 2) << "a second later the feed is asked again";
}

TEST_F(GatewayTest, ASilentOrFloodingFeedCostsOneTimeOutAndTheSizeCap) {
    ScriptedResponse silent("", 5000);
    m_replies["/list=sh600000"] = silent;
    ScriptedResponse flood;
    flood.body = "var hq_str_sz000001=\"" + QByteArray(GatewayServer::kMaxUpstreamBytes, '9');
    m_replies["/list=sz000001"] = flood;
    QElapsedTimer clock;
    clock.start();
    const QList<QuoteFetcher::Result> results = ask({"/msq?cn_600000", "/msq?cn_000001"});
    ASSERT_EQ(results.size(), 2);
    EXPECT_TRUE(results[0] && results[0]->fieldCount() == 0);
    EXPECT_TRUE(results[1] && results[1]->fieldCount() == 0);
    EXPECT_LT(clock.elapsed(), 4000) << "the feed's time-out is 2 s";
    EXPECT_TRUE(m_problemText.contains(
        u"did not answer (no connection, a time-out, or a reply over 16384 bytes) (asked for sh600000)"_s))
        << m_problemText.toStdString();
    EXPECT_FALSE(m_problemText.contains(u"cut short"_s)) << "the cap, not the parser, ends a flood";
}

} // namespace
