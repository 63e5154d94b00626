// Tarvex's reload clock; its comparison of page heads is the changewatch
// fuzz target's, over its corpus (tests/fuzz/corpus/changewatch).
#include "viewer/changewatch.h"

#include <gtest/gtest.h>

using namespace viewer;

TEST(ReloadClock, ReloadsOnTheTickThePeriodEndsAndAShorterPeriodTakesEffectAtOnce) {
    int counter = 0;
    // The tick on which the clock first says "reload", counting from 1.
    const auto firstReloadTick = [&counter](const QString& period) {
        for (int tick = 1;; ++tick)
            if (reloadDue(counter, period) || tick == 5000)
                return tick;
    };
    EXPECT_EQ(firstReloadTick("1800"), 1800);

    // 100 seconds counted, then the user chooses one minute: the next tick
    // reloads, and then every 60th.
    for (int i = 0; i < 100; ++i)
        reloadDue(counter, "3600");
    EXPECT_EQ(firstReloadTick("60"), 1);
    EXPECT_EQ(firstReloadTick("60"), 60);

    // The field never holds anything else, but if it did it must not reload every second.
    EXPECT_EQ(firstReloadTick("abc"), 1800);
    EXPECT_EQ(firstReloadTick("0"), 1800);
}
