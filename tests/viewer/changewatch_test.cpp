// Tarvex's reload clock and its comparison of page heads.
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

// The baseline (the first load's head), a change within the head, shown
// while the notice is up, and the new baseline after it are the window's tests.
TEST(ChangeWatch, OnlyARumourPageChangedWithinItsFirstTenWholeCharactersRaisesTheNotice) {
    const QString head = "传闻10:32更新：";
    EXPECT_FALSE(pageLoaded(head, head + "另一条").showNotice) << "changed after the tenth";
    EXPECT_FALSE(pageLoaded(head, "热点题材 今日").showNotice);
    EXPECT_FALSE(pageLoaded(head, "传").showNotice);
    EXPECT_TRUE(pageLoaded("传闻", "传闻1").showNotice);
    // An empty page gives an empty baseline: the next load takes one again.
    EXPECT_EQ(pageLoaded("", "").head, "");

    // Ten characters, the last a surrogate pair: never cut in half.
    const QString wide = "传闻𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀";
    EXPECT_EQ(pageHead(wide + "尾"), wide);
    EXPECT_EQ(pageHead(wide.left(wide.size() - 1)), wide.left(wide.size() - 1));
}
