#include "bench/eventloopprobe.h"

#include <QEventLoop>

#include <algorithm>
#include <cmath>

EventLoopProbe::EventLoopProbe(QObject* parent)
    : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_fires.push_back(m_clock.nsecsElapsed());
        emit fired();
    });
    m_clock.start();
}

void EventLoopProbe::start() {
    m_fires.clear();
    m_fires.reserve(1 << 14);
    m_timer.start();
}

void EventLoopProbe::stop() {
    m_timer.stop();
}

void EventLoopProbe::spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void EventLoopProbe::run(const std::function<void()>& begin, const qint64& endNs, int deadlineMs) {
    start();
    spin(20);
    QEventLoop loop;
    const auto quitAfterNextFire = connect(this, &EventLoopProbe::fired, &loop, [&] {
        if (endNs >= 0 && lastFireNs() > endNs)
            loop.quit();
    });
    QTimer::singleShot(deadlineMs, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, &loop, begin);
    loop.exec();
    disconnect(quitAfterNextFire);
    stop();
}

EventLoopProbe::Stalls EventLoopProbe::stallsDuring(qint64 fromNs, qint64 toNs) const {
    std::vector<double> stalls;
    for (std::size_t i = 1; i < m_fires.size(); ++i) {
        const qint64 before = m_fires[i - 1];
        const qint64 after = m_fires[i];
        if (after < fromNs || before > toNs)
            continue;
        const double gapMs = double(after - before) / 1e6;
        stalls.push_back(std::max(0.0, gapMs - kIntervalMs));
    }
    Stalls result;
    result.gaps = int(stalls.size());
    if (stalls.empty())
        return result;
    std::sort(stalls.begin(), stalls.end());
    result.longestMs = stalls.back();
    // Nearest rank: the smallest stall that at least 99% of the gaps do not exceed.
    const auto rank = std::size_t(std::ceil(0.99 * double(stalls.size())));
    result.p99Ms = stalls[std::clamp<std::size_t>(rank, 1, stalls.size()) - 1];
    return result;
}
