#include "platform/safesave.h"
#include "tests/watchlist/threefiles.h"
#include "watchlist/watchlistfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using watchlist::Files;
using watchlist::Row;

TEST(WatchListLines, EveryKindOfLineEndEndsALineAndOneInsideAValueIsWrittenAsABlank) {
    // CR LF, LF and CR alone and empty lines are in the files' case; LF then CR is two ends.
    EXPECT_EQ(watchlist::splitLines(""), QByteArrayList());
    EXPECT_EQ(watchlist::splitLines("\n\r"), QByteArrayList(2));

    EXPECT_EQ(watchlist::encodeLine(QStringLiteral("a\r\nb\nc\rd")), QByteArray("a b c d\r\n"));
    EXPECT_EQ(watchlist::encodeLine(QStringLiteral("现价的5%😀")),
              QByteArray::fromHex("CFD6BCDBB5C435253F0D0A"));
}

TEST(WatchListFolder, BesideTheProgramWhereItHoldsTheListOrTheMarkerElseInTheConfigFolderMade) {
    QTemporaryDir program, home;
    const QString config = home.filePath("config/Quillon");
    EXPECT_EQ(watchlist::folder(program.path(), config), config);
    EXPECT_TRUE(QDir(config).exists() && QDir(program.path()).isEmpty());
    for (const char* marker : {"Setting.ini", "portable"}) {
        ASSERT_TRUE(safeSave(program.filePath(marker), ""));
        EXPECT_EQ(watchlist::folder(program.path(), config), program.path()) << marker;
        ASSERT_TRUE(QFile::remove(program.filePath(marker)));
    }
}

TEST(WatchListFiles, ACutOffSaveIsRepairedWholeAndLinesGoBackOutAsTheyCameIn) {
    QTemporaryDir dir;
    Files store{dir.path()};
    // A last line without its end (a file edited by hand) is ended before an
    // append; one ended by a lone CR is not ended again, as an empty line.
    ASSERT_TRUE(threefiles::write(dir, {"a\r\nb\nc\r", "1\r\n\r\n3", "x\r\ny\r\nz"}));
    ASSERT_TRUE(store.append({"d", "2", "w"}).ok());
    EXPECT_EQ(threefiles::read(dir), "a\r\nb\nc\rd\r\n#1\r\n\r\n3\r\n2\r\n#x\r\ny\r\nz\r\nw\r\n");

    // A save cut off after its marker and its first two renames is finished;
    // the temporary files of one cut off before its marker, or of a marker, go.
    // Others' files stay, and so does one a marker names outside the folder.
    ASSERT_TRUE(threefiles::write(dir, {"new\r\n", "new\r\n", "old\r\n"}));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub") &&
                safeSave(dir.filePath("Setting3.ini.b2.tmp"), "new\r\n"));
    for (const char* name :
         {"Setting2.ini.a1.tmp", "Setting.ini.c3.tmp", "Setting.ini.saving.d4.tmp",
          "Notes.ini.e5.tmp", "sub/Setting.ini.f6.tmp"})
        ASSERT_TRUE(safeSave(dir.filePath(name), "bad\r\n"));
    const QStringList kept{"Notes.ini.e5.tmp", "Setting.ini", "Setting2.ini", "Setting3.ini"};
    // A marker naming anything but the files' own temporary files beside them,
    // on any line, renames nothing: they go as without a marker.
    for (const QByteArray marker :
         {"Setting.ini Setting.ini.z9.tmp\nSetting2.ini Setting2.ini.y8.tmp\n"
          "Setting3.ini Setting3.ini.b2.tmp\n",
          "Setting.ini sub%2FSetting.ini.f6.tmp\n", "Setting.ini Setting2.ini.a1.tmp\n",
          "Setting2.ini Setting2.ini.a1.tmp\nNotes.ini Notes.ini.e5.tmp\n"}) {
        ASSERT_TRUE(safeSave(dir.filePath("Setting.ini.saving"), marker));
        EXPECT_EQ(threefiles::texts(store.load()), QStringList{"new|new|new"})
            << marker.constData();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), kept) << marker.constData();
        ASSERT_TRUE(safeSave(dir.filePath("Setting2.ini.a1.tmp"), "bad\r\n"));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("sub/Setting.ini.f6.tmp")));

    // Prices without codes make no rows, and a FIFO does not hang the load.
    QFile::remove(dir.filePath("Setting.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("Setting.ini")).constData(), 0644), 0);
    EXPECT_TRUE(store.load().empty());
}
