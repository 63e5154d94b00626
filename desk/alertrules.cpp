#include "desk/alertrules.h"

#include "desk/deskrules.h"

#include <optional>

namespace desk::alerts {

std::vector<Kind> alertsFor(const QString& price, const QString& takeProfit,
                            const QString& stopLoss) {
    std::vector<Kind> raised;
    const std::optional<double> p = parseFinite(price);
    if (!p || *p <= 0)
        return raised;
    // A threshold of 0 or less is no threshold: a stock added while its quote
    // was missing stores 0, and every price is above that.
    if (const auto upper = parseFinite(takeProfit); upper && *upper > 0 && *p > *upper)
        raised.push_back(Kind::TakeProfit);
    if (const auto lower = parseFinite(stopLoss); lower && *lower > 0 && *p < *lower)
        raised.push_back(Kind::StopLoss);
    return raised;
}

QString thresholdCaption(Kind kind) {
    return kind == Kind::TakeProfit ? QStringLiteral("止盈价：") : QStringLiteral("止损价：");
}

} // namespace desk::alerts
