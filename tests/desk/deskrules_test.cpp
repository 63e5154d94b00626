#include "desk/deskrules.h"

#include <gtest/gtest.h>

using namespace desk;

TEST(RowColours, AFallIsBlueWithAGreenChangeAndEverythingElseIsRed) {
    EXPECT_EQ(rowColours("-1.25%").codeNamePriceHigh, kBlue);
    EXPECT_EQ(rowColours("-1.25%").change, kGreen);
    for (const char* change : {"1.25%", "0.00%", "", "+0.5%", " -1%"}) {
        SCOPED_TRACE(change);
        EXPECT_EQ(rowColours(change).codeNamePriceHigh, kRed);
        EXPECT_EQ(rowColours(change).change, kRed);
    }
}

TEST(IndexLabels, CaptionKeepsTheServiceTextsAndItsBlanks) {
    EXPECT_EQ(indexCaption("深证成指", "10234.56", "-0.52%"), "深证成指  10234.56 -0.52%");
    // A failed fetch still builds the caption: the name, two blanks and one.
    EXPECT_EQ(indexCaption("上证指数", "", ""), "上证指数   ");
}

TEST(IndexLabels, ColourFollowsTheSignAndAnEmptyChangeKeepsIt) {
    EXPECT_EQ(indexColour("-0.5%"), kGreen);
    EXPECT_EQ(indexColour("0.5%"), kRed);
    EXPECT_EQ(indexColour("1.2%"), kRed); // a rise is red whatever digit it starts with
    EXPECT_EQ(indexColour("+1.2%"), kRed);
    EXPECT_EQ(indexColour(""), std::nullopt);
}

TEST(PicksReload, OnlyTheMinutes0915And0930Count) {
    EXPECT_TRUE(isPicksReloadMinute(QTime(9, 15, 3)));
    EXPECT_TRUE(isPicksReloadMinute(QTime(9, 15, 59, 999)));
    EXPECT_TRUE(isPicksReloadMinute(QTime(9, 30, 0)));
    EXPECT_FALSE(isPicksReloadMinute(QTime(9, 16, 0)));
    EXPECT_FALSE(isPicksReloadMinute(QTime(9, 29, 59)));
    EXPECT_FALSE(isPicksReloadMinute(QTime(21, 15, 0)));
    EXPECT_FALSE(isPicksReloadMinute(QTime(9, 14, 59)));
}

TEST(RiskGrade, OnlyExactlyHighIsHigh) {
    EXPECT_TRUE(isHighRisk("高"));
    for (const char* grade : {"高 ", " 高", "中", "低", "", "高\n"})
        EXPECT_FALSE(isHighRisk(QString::fromUtf8(grade))) << grade;
}

TEST(ProposedPrice, PlusAndMinusFivePercentRoundedToCentsHalvesToEven) {
    EXPECT_EQ(proposedPrice(QString("10.00"), 1.05), "10.5");
    EXPECT_EQ(proposedPrice(QString("10.00"), 0.95), "9.5");
    EXPECT_EQ(proposedPrice(QString("12.34"), 1.05), "12.96");
    EXPECT_EQ(proposedPrice(QString("12.34"), 0.95), "11.72");
    EXPECT_EQ(proposedPrice(QString("0"), 1.05), "0");
    EXPECT_EQ(proposedPrice(QString("1639.74"), 1.05), "1721.73");
    // 0.5 cents exactly: 2.5 and 3.5 cents go to the even neighbour.
    EXPECT_EQ(proposedPrice(QString("0.05"), 0.5), "0.02");
    EXPECT_EQ(proposedPrice(QString("0.07"), 0.5), "0.04");
    EXPECT_EQ(proposedPrice(QString("-0.001"), 1.05), "0");
}

TEST(ProposedPrice, AMissingPriceIsZeroAndOneThatIsNoNumberGivesNothing) {
    EXPECT_EQ(proposedPrice(std::nullopt, 1.05), "0");
    for (const char* price : {"", "abc", "7.5x", "nan", "inf"})
        EXPECT_EQ(proposedPrice(QString(price), 1.05), std::nullopt) << price;
}
