#include "quote/market.h"

#include <QString>

#include <gtest/gtest.h>

#include <tuple>

// One rule gives every code its market and its prices' decimals: a code
// given the wrong market is asked of the wrong exchange and shows another
// security's quote.
TEST(QuoteMarket, EachCodeHasItsMarketAndDecimalsAndAnythingElseNone) {
    // The code, its market's prefix ("" for none) and its prices' decimals.
    // clang-format off
    const std::tuple<const char16_t*, const char*, int> codes[] = {
        {u"600000", "sh", 2}, {u"688981", "sh", 2}, {u"900901", "sh", 3}, {u"510300", "sh", 3},
        {u"000001", "sz", 2}, {u"300750", "sz", 2}, {u"200002", "sz", 2}, {u"159915", "sz", 3},
        {u"161725", "sz", 3}, {u"184801", "sz", 3}, {u"430047", "bj", 2}, {u"830799", "bj", 2},
        {u"871981", "bj", 2}, {u"889999", "bj", 2}, {u"920002", "bj", 2},
        // No share, B share or fund of the three; not six ASCII digits.
        {u"910001", "", 2}, {u"400001", "", 2}, {u"110001", "", 2}, {u"700001", "", 2},
        {u"60000", "", 2}, {u"6000000", "", 2}, {u"60000a", "", 2}, {u"６00000", "", 2},
        {u"60000%30", "", 2}};
    // clang-format on
    for (const auto& [code, market, decimals] : codes) {
        const std::string shown = QString::fromUtf16(code).toStdString();
        EXPECT_EQ(quote::marketPrefix(quote::marketOf(code)), market) << shown;
        EXPECT_EQ(quote::priceDecimals(code), decimals) << shown;
    }
}
