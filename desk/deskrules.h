#pragma once

#include <QColor>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// The quote desk's decision rules, free of widgets.
namespace desk {

// A number a user or a quote reply wrote, blanks around it allowed; nothing
// for text that is no number or is infinite or NaN, which no price or
// threshold may be.
std::optional<double> parseFinite(QStringView text);

inline const QColor kRed{255, 0, 0};
inline const QColor kGreen{0, 255, 0};
inline const QColor kBlue{0, 0, 255};

// List columns: code, name, price, high, change, take-profit, stop-loss.
enum Column {
    CodeColumn,
    NameColumn,
    PriceColumn,
    HighColumn,
    ChangeColumn,
    TakeProfitColumn,
    StopLossColumn,
    ColumnCount
};

// Text colours of a row's first five cells, from the service's change text.
// A fall ("-" first) is blue with a green change; anything else, an empty
// change included, is red throughout.
struct RowColours {
    QColor codeNamePriceHigh;
    QColor change;
};
RowColours rowColours(const QString& change);

// An index label's caption: the index's name, two blanks, level, one blank, change.
QString indexCaption(const QString& name, const QString& level, const QString& change);

// An index label's new colour: green after a fall, red after any other change,
// none (keep the colour) when the change is empty.
std::optional<QColor> indexColour(const QString& change);

// The refresh cycle reloads the daily picks in the minutes 09:15 and 09:30.
bool isPicksReloadMinute(const QTime& time);

// The add-stock dialog's proposed take-profit (factor 1.05) or stop-loss
// (0.95) price from the quoted price: rounded to two decimals, exact halves to
// the even neighbour, written without trailing zeros. A price the reply lacks
// counts as 0; a price that is there but no number gives nothing.
std::optional<QString> proposedPrice(const std::optional<QString>& price, double factor);

// Whether the prices on show are current. Every tick reports whether any of
// its replies carried a price; while none since the last such tick did, the
// window says since when the list has not moved.
class QuoteFreshness {
public:
    void tickEnded(bool anyPrice, const QTime& now);
    // "行情未更新 10:31:05 起": the last tick that brought a price, or the
    // first that failed when none ever did. Empty while the prices are current.
    QString staleLine() const;

private:
    std::optional<QTime> m_lastGood;
    std::optional<QTime> m_staleSince;
};

// The market-risk grade that turns its label red.
bool isHighRisk(const QString& grade);

} // namespace desk
