#pragma once

#include <QString>

#include <optional>
#include <vector>

// When a watched stock's price raises an alert.
namespace desk::alerts {

enum class Kind { TakeProfit, StopLoss };

// The alerts a row raises for a price, in the order they are raised: above the
// take-profit price, then below the stop-loss price, both strict. A threshold
// that is none (empty or no number where it was written) or 0 or less raises
// nothing, and neither does a price that is none or 0 or less: that is a
// suspended stock or a quote before the open.
std::vector<Kind> alertsFor(std::optional<double> price, std::optional<double> takeProfit,
                            std::optional<double> stopLoss);

// The caption of the popup's threshold label for an alert of this kind.
QString thresholdCaption(Kind kind);

} // namespace desk::alerts
