#include "app/singleinstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// A copy killed outright leaves its lock and its socket behind. The next start
// must take both over, or every start after it finds a socket nobody answers
// and ends with nothing on the screen.
TEST(SingleInstance, AStartAfterAKilledCopyRunsAndALaterStartBringsItForward) {
    // A runtime folder of its own, so no copy of the user's is met.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t killed = ::fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        const SingleInstance first(QStringLiteral("Quillon"));
        (void)!::write(ready[1], first.isTheRunningCopy() ? "y" : "n", 1);
        for (;;)
            ::pause();
    }
    char held = 0;
    (void)!::read(ready[0], &held, 1);
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(held, 'y');

    SingleInstance second(QStringLiteral("Quillon"));
    ASSERT_TRUE(second.isTheRunningCopy());
    QSignalSpy asked(&second, &SingleInstance::comeForwardAsked);
    const SingleInstance third(QStringLiteral("Quillon"));
    EXPECT_FALSE(third.isTheRunningCopy());
    EXPECT_EQ(third.exitCode(), 0);
    EXPECT_TRUE(asked.count() == 1 || asked.wait(5000));
}
