#pragma once

#include <QString>

#include <vector>

// When a watched stock's price raises an alert.
namespace desk::alerts {

enum class Kind { TakeProfit, StopLoss };

// The alerts a row raises for a price, in the order they are raised: above the
// take-profit price, then below the stop-loss price, both strict. Prices
// compare as numbers (10.5 equals 10.50, 9.80 is below 10.50). A price or a
// threshold that is empty, no number, or 0 or less raises nothing, and neither
// does a price of 0 or less: that is a suspended stock or a quote before the open.
std::vector<Kind> alertsFor(const QString& price, const QString& takeProfit,
                            const QString& stopLoss);

// The caption of the popup's threshold label for an alert of this kind.
QString thresholdCaption(Kind kind);

} // namespace desk::alerts
