#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <random>
#include <vector>

namespace standin {

// Prices and index levels are kept in hundredths (fen for stocks), so every
// value the service sends has exactly two decimals and no rounding drift.
struct Instrument {
    QString code;   // "600000"
    QString market; // "sh", "sz" or "bj"
    QString name;
    bool isIndex = false;

    qint64 prevClose = 0;
    qint64 open = 0;
    qint64 price = 0;
    qint64 high = 0;
    qint64 low = 0;
    qint64 volume = 0;     // shares
    qint64 amountFen = 0;  // turnover in fen
    QList<qint64> history; // the day's path from the open, thinned when long

    // Where the day's walk is drawn to, its step size and turnover per step.
    double anchor = 0;
    double sigma = 0;
    double turnoverPerStep = 0;
};

qint64 limitUp(qint64 prevClose);
qint64 limitDown(qint64 prevClose);

// "10.23"; the sign is kept for negative values.
QString formatHundredths(qint64 value);

// One reply of the quote service: comma-separated values in single quotes.
// 0 market+code, 1 code, 2 name, 3 price, 4 change, 5 open, 6 previous close,
// 7 bid, 8 ask, 9 volume, 10 amount, 11 high, 12 low, 13 date, 14 time,
// 15 change in price, 16 limit up, 17 limit down.
QString quoteLine(const Instrument& instrument, const QDateTime& now);

// The stocks and the two indexes, each on its own seeded random walk.
class QuoteBook {
public:
    static constexpr int kWarmUpSteps = 120;
    // History beyond twice this many points is halved, so a chart of the
    // whole day stays between kChartPoints and twice as many points.
    static constexpr int kChartPoints = 240;

    explicit QuoteBook(quint64 seed, int warmUpSteps = kWarmUpSteps);

    // One step of every walk, all drawn from the one seeded generator.
    void step();

    const Instrument* stock(const QString& code) const;
    const Instrument* index(const QString& code) const;
    const Instrument& shanghai() const { return m_indexes.front(); }
    const std::vector<Instrument>& stocks() const { return m_stocks; }
    qint64 stepCount() const { return m_steps; }

private:
    void stepOne(Instrument& instrument, double marketShock);

    std::mt19937_64 m_rng;
    std::vector<Instrument> m_stocks;
    std::vector<Instrument> m_indexes;
    qint64 m_steps = 0;
};

} // namespace standin
