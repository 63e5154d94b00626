#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
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

    // Turns the event loop for ms milliseconds.
    static void spin(int ms);

    // One measured run. The probe starts firing; begin runs from the event
    // loop and the work it starts stamps its end into endNs. The loop turns
    // until it has turned once more after endNs, as the gap that spans the end
    // is part of what the window went through, or for deadlineMs at most.
    void run(const std::function<void()>& begin, const qint64& endNs, int deadlineMs);

    // Gaps between fires that overlap [fromNs, toNs], less the interval.
    Stalls stallsDuring(qint64 fromNs, qint64 toNs) const;

signals:
    void fired();

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::vector<qint64> m_fires;
};
