#pragma once

#include <QTest> // and with it QCoreApplication and QDeadlineTimer
#include <QTimer>

#include <gtest/gtest.h>

// Whether condition comes true within 15 s, each event handled as it comes.
// QTest::qWaitFor sleeps 10 ms between its rounds, and the web engine's work
// on this thread goes a step a round: a page load of 30 ms would take a second.
template <typename Condition> bool soon(Condition condition) {
    const QDeadlineTimer deadline(15000);
    QTimer wake; // for a condition that no event makes true
    wake.start(5);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return condition();
}

// Waits for condition. Under GoogleTest a QTRY_* that times out only returns
// from the test, which then passes; this fails it.
#define EXPECT_SOON(condition) EXPECT_TRUE(soon([&] { return bool(condition); })) << #condition
