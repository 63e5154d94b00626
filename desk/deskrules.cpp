#include "desk/deskrules.h"

#include <QLocale>

#include <cmath>

namespace desk {

namespace {
bool isFall(const QString& change) {
    return change.startsWith(QLatin1Char('-'));
}
} // namespace

std::optional<double> parseFinite(QStringView text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

RowColours rowColours(const QString& change) {
    if (isFall(change))
        return {kBlue, kGreen};
    return {kRed, kRed};
}

QString indexCaption(const QString& name, const QString& level, const QString& change) {
    return name + QLatin1String("  ") + level + QLatin1Char(' ') + change;
}

std::optional<QColor> indexColour(const QString& change) {
    if (change.isEmpty())
        return std::nullopt;
    return isFall(change) ? kGreen : kRed;
}

bool isPicksReloadMinute(const QTime& time) {
    const QString minute = time.toString(QStringLiteral("HH:mm"));
    return minute == QLatin1String("09:15") || minute == QLatin1String("09:30");
}

std::optional<QString> proposedPrice(const std::optional<QString>& price, double factor) {
    double value = 0;
    if (price) {
        const std::optional<double> number = parseFinite(*price);
        if (!number)
            return std::nullopt;
        value = *number;
    }
    // nearbyint rounds exact halves to even in the default rounding mode.
    double rounded = std::nearbyint(value * factor * 100) / 100;
    if (rounded == 0)
        rounded = 0; // no "-0"
    return QString::number(rounded, 'g', QLocale::FloatingPointShortest);
}

bool isHighRisk(const QString& grade) {
    return grade == QStringLiteral("高");
}

void QuoteFreshness::tickEnded(bool anyPrice, const QTime& now) {
    if (anyPrice) {
        m_lastGood = now;
        m_staleSince.reset();
    } else if (!m_staleSince) {
        m_staleSince = m_lastGood.value_or(now);
    }
}

QString QuoteFreshness::staleLine() const {
    if (!m_staleSince)
        return {};
    return QStringLiteral("行情未更新 %1 起").arg(m_staleSince->toString(u"HH:mm:ss"));
}

} // namespace desk
