#include "app/appstartup.h"
#include "services/services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// What the programs make of the environment they start in: the service
// address, the Qt platform, the web engine's flags.
TEST(StartUpEnvironment, BlankServiceIsTheStandInXWaylandRunsOnX11AndOurFlagsAreAddedOnce) {
    EXPECT_EQ(services::baseUrlFrom(QByteArray()), services::kStandInBaseUrl);
    EXPECT_EQ(services::baseUrlFrom("  "), services::kStandInBaseUrl);
    EXPECT_EQ(services::baseUrlFrom("http://quotes.example:8080//"), "http://quotes.example:8080");
    // Installed is the install folder itself, reached through a link too; a
    // build folder, or a copy of the program elsewhere, is not.
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("usr/bin") &&
                QFile::link(root.filePath("usr/bin"), root.filePath("bin")));
    EXPECT_TRUE(services::runsInstalled(root.filePath("bin/"), root.filePath("usr/bin")));
    EXPECT_FALSE(services::runsInstalled(root.filePath("usr"), root.filePath("usr/bin")));
    EXPECT_FALSE(services::runsInstalled(root.filePath("none"), root.filePath("none")));

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
