#include "quote/change.h"

#include <cstdlib>

namespace quote {

qint64 roundedRatio(qint64 x, qint64 y) {
    return (2 * x + y) / (2 * y);
}

QString formatChange(qint64 price, qint64 prevClose) {
    if (prevClose <= 0)
        return QStringLiteral("0.00%");
    const qint64 diff = price - prevClose;
    // Hundredths of a percent: basis points.
    const qint64 basisPoints = roundedRatio(std::abs(diff) * 10'000, prevClose);
    return (diff < 0 ? QStringLiteral("-") : QString()) + QString::number(basisPoints / 100) +
           QLatin1Char('.') +
           QString::number(basisPoints % 100).rightJustified(2, QLatin1Char('0')) +
           QLatin1Char('%');
}

} // namespace quote
