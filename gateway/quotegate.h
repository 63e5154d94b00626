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
// again and again. The chart images and the news page go through gates of
// their own, with a longer period and room for fewer answers.
class QuoteGate {
public:
    using Clock = std::function<qint64()>; // milliseconds, never going back
    static constexpr qint64 kPeriodMs = 1000;
    static constexpr qsizetype kMaxEntries = 256;

    explicit QuoteGate(Clock clock, qint64 periodMs = kPeriodMs, qsizetype maxEntries = kMaxEntries)
        : m_clock(std::move(clock))
        , m_periodMs(periodMs)
        , m_maxEntries(maxEntries) {}

    enum class Step {
        Serve, // answer() holds the reply
        Join,  // a fetch is out: wait for its settle()
        Fetch, // fetch now, then settle()
    };
    Step ask(const QString& symbol);
    // The reply of a fetch that ask() told to go out.
    void settle(const QString& symbol, QByteArray reply);
    const QByteArray& answer(const QString& symbol) const { return m_entries[symbol].reply; }
    // The answer last settled, whatever its age and while the next fetch is
    // out (empty before the first); null when the instrument is not held.
    const QByteArray* held(const QString& symbol) const;

private:
    struct Entry {
        qint64 fetchedAtMs = 0; // when the last fetch went out
        bool out = false;
        QByteArray reply;
    };
    Clock m_clock;
    qint64 m_periodMs;
    // Past this many instruments, those whose period is over are forgotten,
    // and when none is, the one fetched longest ago: what is held stays
    // bounded however many instruments are asked for.
    qsizetype m_maxEntries;
    mutable QHash<QString, Entry> m_entries;
};

} // namespace gateway
