#include "desk/alertrules.h"
#include "desk/deskrules.h"

#include <gtest/gtest.h>

using namespace desk;

TEST(Colours, AFallIsBlueWithAGreenChangeAnyOtherChangeIsRedAndAnIndexKeepsItsOnAnEmptyOne) {
    EXPECT_EQ(rowColours("-1.25%").codeNamePriceHigh, kBlue);
    EXPECT_EQ(rowColours("-1.25%").change, kGreen);
    for (const char* change : {"1.25%", "0.00%", "", "+0.5%", " -1%"}) {
        SCOPED_TRACE(change);
        EXPECT_EQ(rowColours(change).codeNamePriceHigh, kRed);
        EXPECT_EQ(rowColours(change).change, kRed);
    }
    EXPECT_EQ(indexColour("-0.5%"), kGreen);
    for (const char* change : {"0.5%", "1.2%", "+1.2%"}) // whatever digit a rise starts with
        EXPECT_EQ(indexColour(change), kRed) << change;
    EXPECT_EQ(indexColour(""), std::nullopt);
}

TEST(PicksReload, OnlyTheMinutes0915And0930Count) {
    for (const QTime& time : {QTime(9, 15, 3), QTime(9, 15, 59, 999), QTime(9, 30, 0)})
        EXPECT_TRUE(isPicksReloadMinute(time)) << time.toString().toStdString();
    for (const QTime& time :
         {QTime(9, 16, 0), QTime(9, 29, 59), QTime(21, 15, 0), QTime(9, 14, 59)})
        EXPECT_FALSE(isPicksReloadMinute(time)) << time.toString().toStdString();
}

TEST(RiskGrade, OnlyExactlyHighIsHigh) {
    EXPECT_TRUE(isHighRisk("高"));
    for (const char* grade : {"高 ", " 高", "中", "低", "", "高\n", "<b>高</b>"})
        EXPECT_FALSE(isHighRisk(QString::fromUtf8(grade))) << grade;
}

TEST(ProposedPrice, FivePercentEitherSideInCentsHalvesToEvenMissingIsZeroAndNoNumberNothing) {
    EXPECT_EQ(proposedPrice(QString("10.00"), 1.05), "10.5");
    EXPECT_EQ(proposedPrice(QString("10.00"), 0.95), "9.5");
    EXPECT_EQ(proposedPrice(QString("0"), 1.05), "0");
    EXPECT_EQ(proposedPrice(QString("1639.74"), 1.05), "1721.73");
    // 0.5 cents exactly: 2.5 and 3.5 cents go to the even neighbour.
    EXPECT_EQ(proposedPrice(QString("0.05"), 0.5), "0.02");
    EXPECT_EQ(proposedPrice(QString("0.07"), 0.5), "0.04");
    EXPECT_EQ(proposedPrice(QString("-0.001"), 1.05), "0");
    EXPECT_EQ(proposedPrice(std::nullopt, 1.05), "0");
    for (const char* price : {"", "abc", "7.5x", "nan", "inf"})
        EXPECT_EQ(proposedPrice(QString(price), 1.05), std::nullopt) << price;
}

TEST(AlertRules, PricesCompareAsNumbersAndStrictlyAndNoNumberOrThresholdRaisesNothing) {
    using desk::alerts::alertsFor, desk::alerts::Kind;
    using Kinds = std::vector<Kind>;
    EXPECT_EQ(alertsFor("10.51", "10.50", "9"), Kinds{Kind::TakeProfit});
    EXPECT_EQ(alertsFor("10.5", "10.50", "10.5"), Kinds{}); // equal, however written
    EXPECT_EQ(alertsFor("9.80", "10.50", "9.5"), Kinds{});  // 9.80 is below 10.50
    EXPECT_EQ(alertsFor("9.49", "10.50", "9.5"), Kinds{Kind::StopLoss});
    // A stop-loss above the take-profit: both, take-profit first.
    EXPECT_EQ(alertsFor("10", "9", "11"), (Kinds{Kind::TakeProfit, Kind::StopLoss}));
    EXPECT_EQ(alertsFor("5", "", "6"), Kinds{Kind::StopLoss});
    for (const char* price : {"", "停牌", "0.00", "-1"}) // 0.00: suspended, not a crash to 0
        EXPECT_EQ(alertsFor(price, "1", "100"), Kinds{}) << price;
    EXPECT_EQ(alertsFor("12", "现价的5%", "现价的-5%"), Kinds{});
    // Thresholds of 0, stored when the lookup gave no price, would fire at every tick.
    EXPECT_EQ(alertsFor("12.5", "0", "0"), Kinds{});
    EXPECT_EQ(alertsFor("12.5", "-1", "0.00"), Kinds{});
}
