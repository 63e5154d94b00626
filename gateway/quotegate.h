#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>

namespace gateway {

// Keeps the gateway a good citizen of its feed: at most one upstream request
// per instrument per period. Repeats within the period get the answer already
// fetched, and a request while one is out waits for that one's answer. A
// failed fetch counts like any other, so a feed that refuses us is not asked
// again and again.
class QuoteGate {
public:
    using Clock = std::function<qint64()>; // milliseconds, never going back
    static constexpr qint64 kPeriodMs = 1000;

    explicit QuoteGate(Clock clock)
        : m_clock(std::move(clock)) {}

    enum class Step {
        Serve, // answer() holds the reply
        Join,  // a fetch is out: wait for its settle()
        Fetch, // fetch now, then settle()
    };
    Step ask(const QString& symbol);
    // The reply of a fetch that ask() told to go out.
    void settle(const QString& symbol, QByteArray reply);
    const QByteArray& answer(const QString& symbol) const { return m_entries[symbol].reply; }

private:
    struct Entry {
        qint64 fetchedAtMs = 0; // when the last fetch went out
        bool out = false;
        QByteArray reply;
    };
    // Past this many instruments, those whose period is over are forgotten.
    static constexpr qsizetype kMaxEntries = 256;

    Clock m_clock;
    mutable QHash<QString, Entry> m_entries;
};

} // namespace gateway
