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
