// Tarvex's reload clock and its comparison of page heads.
#include "viewer/changewatch.h"

#include <gtest/gtest.h>

using namespace viewer;

namespace {

// The tick on which the clock first says "reload", counting from 1.
int firstReloadTick(int& counter, const QString& period, int limit = 5000) {
    for (int tick = 1; tick <= limit; ++tick)
        if (reloadDue(counter, period))
            return tick;
    return -1;
}

} // namespace

TEST(ReloadClock, ReloadsOnTheTickThePeriodEndsAndAShorterPeriodTakesEffectAtOnce) {
    int counter = 0;
    EXPECT_EQ(firstReloadTick(counter, "1800"), 1800);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(firstReloadTick(counter, "60"), 60);

    // 100 seconds counted, then the user chooses one minute: the next tick reloads.
    for (int i = 0; i < 100; ++i)
        reloadDue(counter, "3600");
    EXPECT_EQ(firstReloadTick(counter, "60"), 1);
    EXPECT_EQ(firstReloadTick(counter, "60"), 60);

    // The field never holds anything else, but if it did it must not reload every second.
    EXPECT_EQ(firstReloadTick(counter, "abc"), 1800);
    EXPECT_EQ(firstReloadTick(counter, "0"), 1800);
}

TEST(ChangeWatch, TheFirstLoadIsTheBaselineAndOnlyAChangedRumourPageRaisesTheNotice) {
    const QString page = "传闻10:32更新：某券商将获批新业务";
    PageLoadOutcome outcome = pageLoaded("", page);
    EXPECT_EQ(outcome.head, "传闻10:32更新：");
    EXPECT_FALSE(outcome.showNotice) << "the baseline itself is no change";

    // A change after the tenth character goes unseen.
    EXPECT_FALSE(pageLoaded(outcome.head, "传闻10:32更新：另一条").showNotice);

    // A changed head raises the notice on every load until dismissed, and
    // the remembered head stays the old one.
    for (int load = 0; load < 2; ++load) {
        const PageLoadOutcome changed = pageLoaded(outcome.head, "传闻10:34更新：新消息");
        EXPECT_TRUE(changed.showNotice);
        EXPECT_EQ(changed.head, outcome.head);
    }
    // Other pages never raise it, whatever their head.
    EXPECT_FALSE(pageLoaded(outcome.head, "热点题材 今日").showNotice);
    EXPECT_FALSE(pageLoaded(outcome.head, "传").showNotice);
    // Without a baseline, a changed rumour page only becomes the new baseline.
    EXPECT_FALSE(pageLoaded("", "传闻10:34更新：新消息").showNotice);
}

TEST(ChangeWatch, ShortAndEmptyTextsAndCharactersBeyondTheBasicPlane) {
    EXPECT_EQ(pageLoaded("", "传闻").head, "传闻");
    EXPECT_TRUE(pageLoaded("传闻", "传闻1").showNotice);
    // An empty page gives an empty baseline: the next load takes one again.
    EXPECT_EQ(pageLoaded("", "").head, "");

    // Ten characters, the last a surrogate pair: never cut in half.
    const QString wide = "传闻𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀";
    EXPECT_EQ(pageHead(wide + "尾"), wide);
    EXPECT_EQ(pageHead(wide.left(wide.size() - 1)), wide.left(wide.size() - 1));
}
