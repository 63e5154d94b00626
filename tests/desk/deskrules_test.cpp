#include "desk/alertrules.h"
#include "desk/deskrules.h"
#include "desk/hotsectorscan.h"
#include "desk/pagerules.h"
#include "version.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <random>

using namespace desk;

// A fall's blue with a green change, on a row and on an index, is the tick test's.
TEST(Colours, AnyChangeButAFallIsRedAndAnIndexKeepsItsColourOnAnEmptyOne) {
    for (const char* change : {"1.25%", "0.00%", "", "+0.5%", " -1%"}) {
        EXPECT_EQ(rowColours(change).codeNamePriceHigh, kRed) << change;
        EXPECT_EQ(rowColours(change).change, kRed) << change;
    }
    for (const char* change : {"0.5%", "1.2%", "+1.2%"}) // whatever digit a rise starts with
        EXPECT_EQ(indexColour(change), kRed) << change;
}

TEST(PicksReloadAndRisk, OnlyTheMinutes0915And0930CountAndOnlyExactlyHighIsHigh) {
    for (const QTime& time : {QTime(9, 15, 3), QTime(9, 15, 59, 999), QTime(9, 30, 0)})
        EXPECT_TRUE(isPicksReloadMinute(time)) << time.toString().toStdString();
    for (const QTime& time :
         {QTime(9, 16, 0), QTime(9, 29, 59), QTime(21, 15, 0), QTime(9, 14, 59)})
        EXPECT_FALSE(isPicksReloadMinute(time)) << time.toString().toStdString();
    // "高" itself, drawn in red, is the small browser's test.
    for (const char* grade : {"高 ", " 高", "中", "低", "", "高\n", "<b>高</b>"})
        EXPECT_FALSE(isHighRisk(QString::fromUtf8(grade))) << grade;
}

TEST(ProposedPrice, FivePercentEitherSideInCentsHalvesToEvenMissingIsZeroAndNoNumberNothing) {
    // 0.05 and 0.07 halved are 2.5 and 3.5 cents exactly: both go to the even neighbour.
    const std::tuple<std::optional<QString>, double, std::optional<QString>> cases[] = {
        {"10.00", 1.05, "10.5"}, {"10.00", 0.95, "9.5"},   {"1639.74", 1.05, "1721.73"},
        {"0.05", 0.5, "0.02"},   {"0.07", 0.5, "0.04"},    {"0", 1.05, "0"},
        {"-0.001", 1.05, "0"},   {std::nullopt, 1.05, "0"}};
    for (const auto& [price, factor, proposed] : cases)
        EXPECT_EQ(proposedPrice(price, factor), proposed) << price.value_or("none").toStdString();
    for (const char* price : {"", "abc", "7.5x", "nan", "inf"})
        EXPECT_EQ(proposedPrice(QString(price), 1.05), std::nullopt) << price;
}

TEST(AlertRules, PricesCompareAsNumbersAndStrictlyAndNoNumberOrThresholdRaisesNothing) {
    using desk::alerts::Kind, desk::parseFinite;
    using Kinds = std::vector<Kind>;
    // As the monitor asks: the price and the thresholds through the one parser.
    const auto alertsFor = [](const QString& price, const QString& up, const QString& down) {
        return desk::alerts::alertsFor(parseFinite(price), parseFinite(up), parseFinite(down));
    };
    // Each alert alone, and both, take-profit first, are the monitor's tick test's.
    EXPECT_EQ(alertsFor("5", "", "6"), Kinds{Kind::StopLoss});
    EXPECT_EQ(alertsFor("12", "现价的5%", "现价的-5%"), Kinds{}); // prices as typed
    EXPECT_EQ(alertsFor("停牌", "1", "100"), Kinds{});            // a suspended stock
    // Nothing either for: equal however written; 9.80 below 10.50; no price or
    // one of 0 or less; thresholds of 0, stored when the lookup gave no price,
    // which would fire at every tick.
    const std::tuple<QString, QString, QString> quiet[] = {
        {"10.5", "10.50", "10.5"}, {"9.80", "10.50", "9.5"}, {"", "1", "100"},
        {"0", "1", "100"},         {"0.00", "1", "100"},     {"-1", "1", "100"},
        {"12.5", "0", "0"},        {"12.5", "-1", "0.00"}};
    for (const auto& [price, takeProfit, stopLoss] : quiet)
        EXPECT_EQ(alertsFor(price, takeProfit, stopLoss), Kinds{})
            << (price + " " + takeProfit).toStdString();
}

// Where the picks are cut, in whole characters, that another day's page gives
// none, and that a chart address holds any code as one path segment, the fuzz
// corpus's page-rules inputs check.
TEST(PageRules, OnlyTheExactAddressIsABandPageAndOnlyTodaysDateAsWrittenGivesPicks) {
    using desk::BandPage;
    // The two pages themselves are the small browser's test; one character
    // off, a redirect to another host name, another port are none of them.
    const QString base = "http://127.0.0.1:" QUILLON_STANDIN_PORT;
    for (const char* url : {"http://127.0.0.1:" QUILLON_STANDIN_PORT "/htm/fengxian.html",
                            "http://127.0.0.1:" QUILLON_STANDIN_PORT "/map2.asp?cid=15&page=2",
                            "http://localhost:" QUILLON_STANDIN_PORT "/htm/fengxian.htm",
                            "http://127.0.0.1:" QUILLON_GATEWAY_PORT "/htm/fengxian.htm",
                            "https://127.0.0.1:" QUILLON_STANDIN_PORT "/htm/fengxian.htm",
                            "http://127.0.0.1:" QUILLON_STANDIN_PORT "/gonggao.htm"})
        EXPECT_EQ(bandPageOf(QUrl(url), base), BandPage::Other) << url;
    // A date that only reads as today's once parsed leniently is another day's.
    EXPECT_EQ(picksCaption("3-07 日荐股①600519 ②000858 ③300750", QDate(2024, 3, 7)), std::nullopt);
}

namespace {

namespace hs = desk::hotsector;
const QString kOpen = hs::kOpeningMarker.toString(), kClose = hs::kClosingMarker.toString();
const QString kAddress(hs::kAddressLength, '0'), kWide = QStringLiteral("𠀀");

QString entry(const QString& stamp, const QString& link) {
    return stamp + kOpen + link + kClose + "\"_blank\">";
}

// Lines as shown, "*" before a marked one.
std::vector<std::string> shown(const std::vector<hs::Line>& lines) {
    std::vector<std::string> result;
    for (const hs::Line& line : lines)
        result.push_back((line.marked ? "*" : "") + line.text.toStdString());
    return result;
}

// The scan as the page's entries were first read: a working copy searched from
// its start for both markers and cut after each closing marker's quote, in
// whole characters.
std::vector<hs::Line> literalScan(const QString& page) {
    std::u32string text = page.toStdU32String();
    std::vector<hs::Line> lines;
    for (std::size_t p1, p2; (p1 = text.find(kOpen.toStdU32String())) != text.npos &&
                             (p2 = text.find(kClose.toStdU32String())) != text.npos;
         text.erase(0, p2 + 1)) {
        const std::u32string link = text.substr(p1 + 16, p2 >= p1 + 84 ? p2 - p1 - 16 : 0);
        const std::size_t stamp = std::min<std::size_t>(p1, 11);
        if (link.size() >= 68)
            lines.push_back(
                {QString::fromStdU32String(link.substr(68) + text.substr(p1 - stamp, stamp)),
                 hs::isMarked(QString::fromStdU32String(link))});
    }
    return lines;
}

} // namespace

// Pages of marker fragments, whole and cut short anywhere, read as the literal
// scan reads them: links shorter than the address or never closed, closing
// markers before or inside an opening one, openings inside a link, times cut
// at the page's start or at the last entry, characters outside the basic
// plane. And a hostile page of closing markers stays fast.
TEST(HotSectorScan, RandomAndTruncatedPagesGiveTheLiteralScansLinesAndEndQuickly) {
    const QString pieces[] = {kOpen,    kClose, kOpen.left(9), kClose.left(3), "\"", " target=",
                              kAddress, "领涨", "涨",          kWide,          "ab", "0123456789"};
    std::mt19937 random(20240607);
    for (int n = 0; n < 4000; ++n) {
        QString page;
        for (int k = int(random() % 40); k > 0; --k)
            page += pieces[random() % std::size(pieces)];
        if (n % 2)
            page.truncate(qsizetype(random() % (page.size() + 1)));
        ASSERT_EQ(shown(hs::scan(page)), shown(literalScan(page))) << page.toStdString();
    }
    const QString twice = entry("12-07 09:31", kAddress + "A").repeated(2); // both are shown
    EXPECT_EQ(shown(hs::scan(twice)), (std::vector<std::string>{"A12-07 09:31", "A12-07 09:31"}));
    const QString hostile = kClose.repeated(400000) + entry("", kAddress + "A");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(shown(hs::scan(hostile)), std::vector<std::string>{"A target="});
    EXPECT_LT(clock.elapsed(), 2000);
}
