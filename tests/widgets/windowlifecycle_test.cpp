#include "widgets/windowlifecycle.h"

#include <gtest/gtest.h>

using namespace lifecycle;

// The close box and clicks on the tray icon of a hidden window are tried on a
// real desktop, the close box without a tray in Quillon's widget tests; these
// are the cases neither reaches.
TEST(WindowLife, ALeftClickOnTheShownWindowRaisesItOtherButtonsNothingAndExitEnds) {
    EXPECT_EQ(trayClicked(TrayClick::Left, true), (Effects{Effect::Hide, Effect::ShowOnTop}));
    EXPECT_TRUE(trayClicked(TrayClick::Other, true).empty());
    EXPECT_TRUE(trayClicked(TrayClick::Other, false).empty());
    EXPECT_EQ(closeRequested(false, true).effects, Effects{Effect::RemoveIconAndQuit});
    EXPECT_EQ(exitChosen(), Effects{Effect::RemoveIconAndQuit});
}
