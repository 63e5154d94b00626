#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

// How long the GUI thread's event loop went without turning. A precise timer
// fires every millisecond on the thread it lives in; any gap between two fires
// beyond that millisecond is time in which the window could not have painted
// or answered input.
class EventLoopProbe : public QObject {
    Q_OBJECT
public:
    struct Stalls {
        double longestMs = 0;
        double p99Ms = 0;
        int gaps = 0; // fires counted within the window, minus one
    };

    static constexpr int kIntervalMs = 1;

    explicit EventLoopProbe(QObject* parent = nullptr);

    void start();
    void stop();

    // Nanoseconds on the probe's own clock, which also stamps every fire.
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    // Stamp of the latest fire; -1 before the first.
    qint64 lastFireNs() const { return m_fires.empty() ? -1 : m_fires.back(); }

    // Gaps between fires that overlap [fromNs, toNs], less the interval.
    Stalls stallsDuring(qint64 fromNs, qint64 toNs) const;

signals:
    void fired();

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::vector<qint64> m_fires;
};
