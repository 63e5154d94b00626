#pragma once

#include <QString>

// The change of a price as a quote reply carries it, for the gateway and the
// stand-in alike. Prices in any one unit: only their ratio counts.
namespace quote {

// x / y rounded half away from zero, for x >= 0 and y > 0.
qint64 roundedRatio(qint64 x, qint64 y);

// scaled written with decimals places (decimals > 0), a "-" before a negative
// one: formatFixed(-1205, 2) is "-12.05". Every price and change the replies
// and pages carry is written by this, so they cannot differ in their digits.
QString formatFixed(qint64 scaled, int decimals);

// "1.37%", "-1.25%", "0.00%": the change from the previous close in percent,
// two decimals, rounded half away from zero; "0.00%" without a previous close.
// A fall always carries the "-", even one that rounds to 0.00, since Quillon
// colours a row by that sign alone. Exact while price * 10'000 fits in 64 bits.
QString formatChange(qint64 price, qint64 prevClose);

} // namespace quote
