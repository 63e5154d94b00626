#include "quote/change.h"

#include <cstdlib>

namespace quote {

qint64 roundedRatio(qint64 x, qint64 y) {
    return (2 * x + y) / (2 * y);
}

QString formatFixed(qint64 scaled, int decimals) {
    qint64 places = 1;
    for (int i = 0; i < decimals; ++i)
        places *= 10;
    const qint64 magnitude = std::abs(scaled);
    return (scaled < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / places) +
           QLatin1Char('.') +
           QString::number(magnitude % places).rightJustified(decimals, QLatin1Char('0'));
}

QString formatChange(qint64 price, qint64 prevClose) {
    if (prevClose <= 0)
        return QStringLiteral("0.00%");
    const qint64 diff = price - prevClose;
    // Hundredths of a percent: basis points.
    const qint64 basisPoints = roundedRatio(std::abs(diff) * 10'000, prevClose);
    return (diff < 0 ? QStringLiteral("-") : QString()) + formatFixed(basisPoints, 2) +
           QLatin1Char('%');
}

} // namespace quote
