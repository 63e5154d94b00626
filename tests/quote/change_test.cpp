#include "quote/change.h"

#include <gtest/gtest.h>

// The largest price the feed may carry (999999.999999, in millionths), over
// the smallest close, changes by an exact figure.
TEST(QuoteChange, TheChangeIsExactForEveryPriceTheFeedMayCarry) {
    EXPECT_EQ(quote::formatChange(999'999'999'999, 1), QStringLiteral("99999999999800.00%"));
}
