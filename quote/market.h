#pragma once

#include <string_view>

// Which exchange lists an A-share code, and how it quotes that code's prices.
// Six-digit codes are only unique within one exchange, so the rule goes by
// the kinds of security a quote desk watches: shares, B shares and funds.
namespace quote {

enum class Market { None, Shanghai, Shenzhen, Beijing };

// By the leading digits of a six-digit code: Shanghai 60 and 68 (shares), 900
// (B shares) and 5 (funds); Shenzhen 00 and 30 (shares), 20 (B shares), 15, 16
// and 18 (funds); Beijing 43, 83, 87, 88 and 92. None for any other code and
// for anything but six ASCII digits. Indexes share their codes with shares
// ("000001" is the Shanghai Composite and a Shenzhen bank): they are named
// outright, never looked up here.
Market marketOf(std::u16string_view code);

// How quote feeds write the market before a code: "sh", "sz", "bj"; "" for None.
std::string_view marketPrefix(Market market);

// Decimals of the code's prices as its exchange quotes them: three where the
// tick is a tenth of a fen (funds) or a thousandth of a dollar (Shanghai B
// shares), two for everything else.
int priceDecimals(std::u16string_view code);

// The market-risk grade of a day of an index, level and previous close in
// one unit: 高 after a fall of more than 1 %, 低 on any rise, 中 otherwise.
char16_t riskGrade(double level, double previousClose);

} // namespace quote
