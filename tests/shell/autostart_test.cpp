#include "shell/autostart.h"
#include "shell/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(RunValue, NamesTheExecutableAndQuotesAPathWithABlank) {
    const autostart::RunValue plain = autostart::runValue("C:\\Quillon", "Quillon");
    EXPECT_EQ(plain.name, "Quillon");
    EXPECT_EQ(plain.data, "C:\\Quillon\\Quillon.exe");
    EXPECT_EQ(autostart::runValue("C:\\Program Files\\Quillon", "Quillon").data,
              "\"C:\\Program Files\\Quillon\\Quillon.exe\"");
}

TEST(DesktopEntry, ExecQuotesAndEscapesAsTheFormatRequiresInTheAutostartDirectory) {
    EXPECT_EQ(autostart::execArgument("/opt/quillon/Quillon"), "/opt/quillon/Quillon");
    EXPECT_EQ(autostart::execArgument("/home/a b/Quillon"), "\"/home/a b/Quillon\"");
    // Inside quotes \ " ` $ take a backslash, and the key file doubles every backslash.
    EXPECT_EQ(autostart::execArgument("/x/$a\"b"), "\"/x/\\\\$a\\\\\"b\"");
    EXPECT_EQ(autostart::execArgument("/x/100%"), "/x/100%%");
    EXPECT_EQ(autostart::execArgument("/x/a\nb"), "\"/x/a\\nb\"");

    const QString entry = autostart::desktopEntry("Quillon", "/home/a b/Quillon");
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nName=Quillon\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/home/a b/Quillon\"\n"));
    EXPECT_EQ(autostart::autostartDirectory("/cfg", "/home/u"), "/cfg/autostart");
    EXPECT_EQ(autostart::autostartDirectory("", "/home/u"), "/home/u/.config/autostart");
    EXPECT_EQ(autostart::autostartDirectory("relative", "/home/u"), "/home/u/.config/autostart");
}

namespace {

// A private config home, and a PATH whose xdg-open only records its arguments.
class DesktopServices : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        m_savedPath = qgetenv("PATH");
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        QDir(m_home.path()).mkdir("bin");
        QFile script(m_home.filePath("bin/xdg-open"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done >>\"$0.log\"\necho "
                     ">>\"$0.log\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override {
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
        qputenv("PATH", m_savedPath);
    }
    QString entryPath() const { return m_home.filePath("config/autostart/Quillon.desktop"); }
    QString browserLog() const {
        QFile log(m_home.filePath("bin/xdg-open.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    QTemporaryDir m_home;
    QByteArray m_savedConfig;
    QByteArray m_savedPath;
};

} // namespace

TEST_F(DesktopServices, EnablingTwiceLeavesOneEntryDisablingIsIdempotentAndABlockedPathFails) {
    const QString program = "/opt/my apps/Quillon";
    ASSERT_TRUE(platform::enableAutostart(program));
    ASSERT_TRUE(platform::enableAutostart(program));
    EXPECT_EQ(QDir(m_home.filePath("config/autostart")).entryList(QDir::Files),
              QStringList{"Quillon.desktop"});
    QFile entry(entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(entry.readAll()), autostart::desktopEntry("Quillon", program));
    entry.close();

    EXPECT_TRUE(platform::disableAutostart(program));
    EXPECT_FALSE(QFileInfo::exists(entryPath()));
    EXPECT_TRUE(platform::disableAutostart(program));

    ASSERT_TRUE(QDir(m_home.filePath("config")).removeRecursively());
    QFile blocker(m_home.filePath("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the directory should be
    blocker.close();
    EXPECT_FALSE(platform::enableAutostart(program));
}

TEST_F(DesktopServices, TheBrowserGetsTheAddressAsOneArgumentAndIsNotWaitedFor) {
    qputenv("PATH", (m_home.filePath("bin") + ":" + QString::fromUtf8(m_savedPath)).toUtf8());
    const QString address = "http://127.0.0.1:1/a b;$(touch x)&c=\"d\"";
    ASSERT_TRUE(platform::openInBrowser(address));
    ASSERT_TRUE(platform::openInBrowser(address));
    // Started detached: the two runs may still be writing when openInBrowser returns.
    EXPECT_TRUE(QTest::qWaitFor([&] { return browserLog().count('\n') == 2; }, 5000));
    EXPECT_EQ(browserLog(), "[" + address + "]\n[" + address + "]\n");
    EXPECT_FALSE(QFileInfo::exists("x"));

    qputenv("PATH", m_home.filePath("nothing-here").toUtf8());
    EXPECT_FALSE(platform::openInBrowser(address));
}
