#include "tests/watchlist/threefiles.h"
#include "watchlist/keeper.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using watchlist::Files;
using watchlist::Row;

namespace {

// An immutable file no rename may replace, for root too.
bool setImmutable(const QString& path, bool immutable) {
    return QProcess::execute("chattr", {immutable ? "+i" : "-i", path}) == 0;
}

} // namespace

TEST(Keeper, AFailedSaveIsToldOnceAndTheNextSaveRewritesAllThreeFromTheList) {
    QTemporaryDir dir;
    Files store{dir.path()};
    watchlist::Keeper keeper(store);
    std::vector<Row> list{{"600000", "10", "9"}};
    // A directory in the place of the take-profit file cannot be replaced, as
    // root or not, and must not be read as an empty file and overwritten.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Setting2.ini"));
    watchlist::SaveOutcome outcome = keeper.added(list);
    EXPECT_EQ(outcome.failedFiles, QStringList{"Setting2.ini"});
    EXPECT_TRUE(outcome.tellUser);
    EXPECT_EQ(threefiles::read(dir), "<missing>#<missing>#<missing>"); // nor are the others created
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
    EXPECT_EQ(threefiles::read(dir), three);
    EXPECT_FALSE(keeper.retry(list).attempted); // in step: a tick writes nothing

    // A full disk: writes past 4 bytes fail with EFBIG, for root too (their
    // signal ignored, write() reports them; ignored for good, a later write
    // beyond a limit fails rather than ends the tests). Every file fails and
    // stays whole, and no temporary file is left.
    list.erase(list.begin());
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit fullDisk{4, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &fullDisk);
    outcome = keeper.removed(list);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(outcome.failedFiles.size(), 3);
    EXPECT_EQ(threefiles::read(dir), three);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // Files of uneven length (a hand edit) take no appended line: the new row
    // would meet another row's prices at the next start. They are rewritten
    // once; after that an add appends again. Line i of each file belongs to
    // row i: a line missing is a blank, one in surplus is no row.
    ASSERT_TRUE(threefiles::write(dir, {"a\r\nb\nc\r", "1", "x\r\ny\r\nz\r\nsurplus\r\n"}));
    watchlist::Keeper uneven(store);
    std::vector<Row> loaded = uneven.load();
    loaded.push_back({"d", "2", "w"});
    ASSERT_TRUE(uneven.added(loaded).saved());
    EXPECT_EQ(threefiles::texts(store.load()), (QStringList{"a|1|x", "b||y", "c||z", "d|2|w"}));
}

// Once its marker is down a save is decided: a rename after the first that
// fails leaves the marker, and the next load puts the rest in place. Undone
// instead, the list would come back half new, prices on the wrong stocks.
TEST(Keeper, ASaveWhoseLastRenameFailedIsFinishedByTheNextLoad) {
    QTemporaryDir dir;
    Files store{dir.path()};
    watchlist::Keeper keeper(store);
    ASSERT_TRUE(keeper.added({{"600000", "10", "9"}}).saved());
    const QString stopLoss = dir.filePath(watchlist::kStopLossFile);
    ASSERT_TRUE(setImmutable(stopLoss, true)) << "no immutable files in " << qPrintable(dir.path());
    EXPECT_FALSE(keeper.removed({{"000001", "11", "10"}}).saved());
    ASSERT_TRUE(setImmutable(stopLoss, false)); // else the folder cannot be removed
    EXPECT_EQ(threefiles::texts(Files{dir.path()}.load()), QStringList{"000001|11|10"});
    EXPECT_EQ(threefiles::read(dir), "000001\r\n#11\r\n#10\r\n");
}
