#include "shell/safesave.h"
#include "shell/services.h"
#include "shell/windowlifecycle.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lifecycle;

TEST(TrayClicks, ALeftClickShowsOnTopADoubleClickRestoresAndOtherButtonsOpenTheMenuOrNothing) {
    // Shown: the toggle hides it, then it is shown on top again.
    EXPECT_EQ(trayClicked(TrayClick::Left, true), (Effects{Effect::Hide, Effect::ShowOnTop}));
    // Hidden in the tray: shown (still minimised if it was), on top.
    EXPECT_EQ(trayClicked(TrayClick::Left, false), (Effects{Effect::Show, Effect::ShowOnTop}));
    EXPECT_EQ(trayClicked(TrayClick::Double, false), (Effects{Effect::Restore, Effect::ShowOnTop}));
    EXPECT_EQ(trayClicked(TrayClick::Right, true), Effects{Effect::OpenTrayMenu});
    EXPECT_TRUE(trayClicked(TrayClick::Other, true).empty());
}

TEST(WindowLife, TheCloseBoxHidesToTheTrayAndAnyOtherCloseEndsTheProgram) {
    EXPECT_FALSE(closeRequested(true, true).accept);
    EXPECT_EQ(closeRequested(true, true).effects, Effects{Effect::HideMinimised});
    // Without a tray, hiding would leave nothing to bring the window back.
    EXPECT_EQ(closeRequested(true, false).effects, Effects{Effect::Minimise});
    EXPECT_EQ(windowMinimised(true), Effects{Effect::Hide});
    EXPECT_TRUE(windowMinimised(false).empty());
    for (const bool tray : {true, false}) {
        EXPECT_TRUE(closeRequested(false, tray).accept);
        EXPECT_EQ(closeRequested(false, tray).effects, Effects{Effect::RemoveIconAndQuit});
    }
    EXPECT_EQ(exitChosen(), Effects{Effect::RemoveIconAndQuit});
}

TEST(ServiceUrls, BlankMeansTheStandInAndTrailingSlashesGo) {
    EXPECT_EQ(services::baseUrlFrom(QByteArray()), "http://127.0.0.1:18930");
    EXPECT_EQ(services::baseUrlFrom("  "), "http://127.0.0.1:18930");
    EXPECT_EQ(services::baseUrlFrom("http://quotes.example:8080//"), "http://quotes.example:8080");
    qputenv("QUILLON_CHART_URL", "http://127.0.0.1:9/");
    EXPECT_EQ(services::chartBaseUrl(), "http://127.0.0.1:9");
    qunsetenv("QUILLON_CHART_URL");
}

TEST(SafeSave, ReplacesTheFileWholeKeepingItsPermissionsOrFails) {
    // Failing writes (a full disk) are tried through the watch-list files.
    QTemporaryDir dir;
    const QString path = dir.filePath("f.ini");
    ASSERT_TRUE(safeSave(path, "old\r\n"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(safeSave(path, "new\r\n"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "new\r\n");
    EXPECT_EQ(file.permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    // A directory that is a plain file stops everyone, root included.
    EXPECT_FALSE(safeSave(dir.filePath("f.ini/g.ini"), "x"));
}
