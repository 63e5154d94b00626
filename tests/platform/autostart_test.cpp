#include "platform/autostart.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Autostart, TheRunValueAndTheDesktopEntryQuoteAndEscapeThePathAsTheirFormatsRequire) {
    EXPECT_EQ(autostart::runValue("C:\\Quillon", "Quillon").data, "C:\\Quillon\\Quillon.exe");
    EXPECT_EQ(autostart::runValue("C:\\Program Files\\Quillon", "Quillon").data,
              "\"C:\\Program Files\\Quillon\\Quillon.exe\"");

    EXPECT_EQ(autostart::execArgument("/opt/quillon/Quillon"), "/opt/quillon/Quillon");
    // Inside quotes \ " ` $ take a backslash, and the key file doubles every backslash.
    EXPECT_EQ(autostart::execArgument("/x/$a\"b"), "\"/x/\\\\$a\\\\\"b\"");
    EXPECT_EQ(autostart::execArgument("/x/100%"), "/x/100%%");
    EXPECT_EQ(autostart::execArgument("/x/a\nb"), "\"/x/a\\nb\"");
    EXPECT_EQ(autostart::autostartDirectory("", "/home/u"), "/home/u/.config/autostart");
    EXPECT_EQ(autostart::autostartDirectory("relative", "/home/u"), "/home/u/.config/autostart");
}

// In a private config home.
TEST(Autostart, IsOneEntryOrNoneAndAFileInTheFoldersPlaceFailsIt) {
    QTemporaryDir home;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", savedConfig); });
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    const QString program = "/opt/my apps/Quillon";
    ASSERT_TRUE(platform::enableAutostart(program));
    ASSERT_TRUE(platform::enableAutostart(program));
    EXPECT_EQ(QDir(home.filePath("config/autostart")).entryList(QDir::Files),
              QStringList{"Quillon.desktop"});
    QFile entry(home.filePath("config/autostart/Quillon.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_EQ(entry.readAll(),
              "[Desktop Entry]\nType=Application\nName=Quillon\nExec=\"/opt/my apps/Quillon\"\n"
              "Terminal=false\nX-GNOME-Autostart-enabled=true\n");
    EXPECT_TRUE(platform::disableAutostart(program));
    EXPECT_TRUE(QDir(home.filePath("config/autostart")).isEmpty());
    EXPECT_TRUE(platform::disableAutostart(program));

    // A file where the directory should be.
    ASSERT_TRUE(QDir(home.filePath("config")).removeRecursively());
    ASSERT_TRUE(QFile(home.filePath("config")).open(QIODevice::WriteOnly));
    EXPECT_FALSE(platform::enableAutostart(program));
}
