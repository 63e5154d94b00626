#include "platform/safesave.h"
#include "watchlist/keeper.h"
#include "watchlist/watchlistfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using watchlist::Files;
using watchlist::Row;

TEST(WatchListLines, EveryKindOfLineEndEndsALineAndOneInsideAValueIsWrittenAsABlank) {
    using Lines = QList<QByteArray>;
    // CR LF, LF and CR alone and empty lines are in the files' case; LF then CR is two ends.
    EXPECT_EQ(watchlist::splitLines(""), Lines());
    EXPECT_EQ(watchlist::splitLines("\n\r"), (Lines{"", ""}));

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

TEST(WatchListFiles, AFailedSaveIsToldOnceAndRepairedWholeAndLinesGoBackOutAsTheyCameIn) {
    QTemporaryDir dir;
    Files store{dir.path()};
    const char* const names[] = {"Setting.ini", "Setting2.ini", "Setting3.ini"};
    const auto writeAll = [&](const QByteArrayList& contents) {
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(safeSave(dir.filePath(names[i]), contents[i]));
    };
    // The three files' bytes, "#" between them.
    const auto files = [&] {
        QByteArrayList result;
        for (const char* name : names) {
            QFile file(dir.filePath(name));
            result.append(file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>");
        }
        return result.join('#');
    };
    // Rows as "code|take-profit|stop-loss", to compare texts alone.
    const auto texts = [](const std::vector<Row>& rows) {
        QStringList result;
        for (const Row& row : rows)
            result.append(row.code + "|" + row.takeProfit + "|" + row.stopLoss);
        return result;
    };
    watchlist::Keeper keeper(store);
    std::vector<Row> list{{"600000", "10", "9"}};
    // A directory in the place of the take-profit file cannot be replaced, as
    // root or not, and must not be read as an empty file and overwritten.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Setting2.ini"));
    watchlist::SaveOutcome outcome = keeper.added(list);
    EXPECT_EQ(outcome.failedFiles, QStringList{"Setting2.ini"});
    EXPECT_TRUE(outcome.tellUser);
    EXPECT_EQ(files(), "<missing>#<missing>#<missing>"); // nor are the others created
    // Told once; the log has each failure and why.
    static QStringList warnings;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& at, const QString& text) {
            if (type == QtWarningMsg)
                warnings.append(QLatin1String(at.category) + QStringLiteral(": ") + text);
        });
    list.push_back({"000001", "11", "10"});
    EXPECT_FALSE(keeper.added(list).tellUser);
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings,
              QStringList("quillon.shell: save: replace " + QDir(dir.path()).canonicalPath() +
                          "/Setting2.ini failed: it is a directory"));
    EXPECT_FALSE(keeper.retry(list).tellUser);

    // The next add rewrites all three from the list rather than appending.
    ASSERT_TRUE(QDir(dir.path()).rmdir("Setting2.ini"));
    list.push_back({"000002", "12", "11"});
    EXPECT_TRUE(keeper.added(list).saved());
    const QByteArray three = "600000\r\n000001\r\n000002\r\n#10\r\n11\r\n12\r\n#9\r\n10\r\n11\r\n";
    EXPECT_EQ(files(), three);
    EXPECT_FALSE(keeper.retry(list).attempted); // in step: a tick writes nothing

    // A full disk: writes past 4 bytes fail with EFBIG, for root too (their
    // signal ignored, write() reports them). Every file fails and stays whole,
    // and no temporary file is left.
    list.erase(list.begin());
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit fullDisk{4, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &fullDisk);
    outcome = keeper.removed(list);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(outcome.failedFiles.size(), 3);
    EXPECT_EQ(files(), three);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // Line i of each file belongs to row i: a line missing is a blank, one in surplus is ignored.
    writeAll({"a\r\nb\nc\r", "1", "x\r\ny\r\nz\r\nsurplus\r\n"});
    EXPECT_EQ(texts(store.load()), (QStringList{"a|1|x", "b||y", "c||z"}));
    // Files of uneven length (a hand edit) take no appended line: the new row
    // would meet another row's prices at the next start. They are rewritten
    // once; after that an add appends again.
    watchlist::Keeper uneven(store);
    std::vector<Row> loaded = uneven.load();
    loaded.push_back({"d", "2", "w"});
    ASSERT_TRUE(uneven.added(loaded).saved());
    EXPECT_EQ(texts(store.load()), (QStringList{"a|1|x", "b||y", "c||z", "d|2|w"}));
    // A last line without its end (a file edited by hand) is ended before an
    // append; one ended by a lone CR is not ended again, as an empty line.
    writeAll({"a\r\nb\nc\r", "1\r\n\r\n3", "x\r\ny\r\nz"});
    ASSERT_TRUE(store.append({"d", "2", "w"}).ok());
    EXPECT_EQ(files(), "a\r\nb\nc\rd\r\n#1\r\n\r\n3\r\n2\r\n#x\r\ny\r\nz\r\nw\r\n");

    // A save cut off after its marker and its first two renames is finished;
    // the temporary files of one cut off before its marker, or of a marker, go.
    // Others' files stay, and so does one a marker names outside the folder.
    writeAll({"new\r\n", "new\r\n", "old\r\n"});
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
        EXPECT_EQ(texts(store.load()), QStringList{"new|new|new"}) << marker.constData();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), kept) << marker.constData();
        ASSERT_TRUE(safeSave(dir.filePath("Setting2.ini.a1.tmp"), "bad\r\n"));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("sub/Setting.ini.f6.tmp")));

    // Prices without codes make no rows, and a FIFO does not hang the load.
    QFile::remove(dir.filePath("Setting.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("Setting.ini")).constData(), 0644), 0);
    EXPECT_TRUE(store.load().empty());
}
