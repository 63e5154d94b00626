#include "desk/alertrules.h"

namespace desk::alerts {

std::vector<Kind> alertsFor(std::optional<double> price, std::optional<double> takeProfit,
                            std::optional<double> stopLoss) {
    std::vector<Kind> raised;
    if (!price || *price <= 0)
        return raised;
    // A threshold of 0 or less is no threshold: a stock added while its quote
    // was missing stores 0, and every price is above that.
    if (takeProfit && *takeProfit > 0 && *price > *takeProfit)
        raised.push_back(Kind::TakeProfit);
    if (stopLoss && *stopLoss > 0 && *price < *stopLoss)
        raised.push_back(Kind::StopLoss);
    return raised;
}

QString thresholdCaption(Kind kind) {
    return kind == Kind::TakeProfit ? QStringLiteral("止盈价：") : QStringLiteral("止损价：");
}

} // namespace desk::alerts
