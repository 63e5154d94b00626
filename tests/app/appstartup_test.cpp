#include "app/appstartup.h"

#include <gtest/gtest.h>

// What the programs make of the environment they start in: the Qt platform,
// the web engine's flags.
TEST(StartUpEnvironment, XWaylandRunsOnX11AndOurFlagsAreAddedOnce) {
    // A Wayland session with XWayland, unless the user chose a platform; not
    // without something to turn to or from.
    EXPECT_EQ(platformChoice("wayland-0", ":0", ""), QByteArray("xcb"));
    EXPECT_EQ(platformChoice("wayland-0", ":0", "wayland"), std::nullopt);
    EXPECT_EQ(platformChoice("wayland-0", "", ""), std::nullopt);
    EXPECT_EQ(platformChoice("", ":0", ""), std::nullopt);

    // The user's own flags stay first.
    EXPECT_EQ(chromiumFlags(""), "--process-per-site");
    EXPECT_EQ(chromiumFlags(" --disable-gpu "), "--disable-gpu --process-per-site");
    EXPECT_EQ(chromiumFlags("--process-per-site --v=1"), "--process-per-site --v=1");
}
