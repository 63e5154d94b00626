#include "watchlist/watchlistfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using watchlist::Files;
using watchlist::Row;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class WatchListFilesTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    Files m_files{m_dir.path()};

    QString path(const char* name) const { return m_files.path(name); }
    void writeAll(const QByteArray& codes, const QByteArray& takeProfits,
                  const QByteArray& stopLosses) {
        writeBytes(path(watchlist::kCodeFile), codes);
        writeBytes(path(watchlist::kTakeProfitFile), takeProfits);
        writeBytes(path(watchlist::kStopLossFile), stopLosses);
    }
};

} // namespace

TEST(WatchListLines, EveryKindOfLineEndEndsALine) {
    EXPECT_EQ(watchlist::splitLines(QString()), QStringList());
    EXPECT_EQ(watchlist::splitLines(QStringLiteral("a\r\nb\r\n")), (QStringList{"a", "b"}));
    EXPECT_EQ(watchlist::splitLines(QStringLiteral("a\nb")), (QStringList{"a", "b"}));
    EXPECT_EQ(watchlist::splitLines(QStringLiteral("a\rb\r")), (QStringList{"a", "b"}));
    // Empty lines are rows with an empty code; only the final line end adds nothing.
    EXPECT_EQ(watchlist::splitLines(QStringLiteral("\r\n\r\nx")), (QStringList{"", "", "x"}));
    EXPECT_EQ(watchlist::splitLines(QStringLiteral("\n\r")), (QStringList{"", ""}));
}

TEST(WatchListLines, ALineBreakInsideAValueIsWrittenAsABlank) {
    EXPECT_EQ(watchlist::encodeLine(QStringLiteral("10.5")), QByteArray("10.5\r\n"));
    EXPECT_EQ(watchlist::encodeLine(QStringLiteral("a\r\nb\nc\rd")), QByteArray("a b c d\r\n"));
    EXPECT_EQ(watchlist::encodeLine(QStringLiteral("现价的5%")),
              QByteArray::fromHex("CFD6BCDBB5C435250D0A"));
}

TEST_F(WatchListFilesTest, NoFilesGiveAnEmptyListAndTheFirstAppendCreatesAllThree) {
    EXPECT_TRUE(m_files.load().empty());
    const Row row{QStringLiteral("600000"), QStringLiteral("10.5"), QStringLiteral("9.5")};
    EXPECT_TRUE(m_files.append(row).ok());
    EXPECT_EQ(readBytes(path(watchlist::kCodeFile)), QByteArray("600000\r\n"));
    EXPECT_EQ(readBytes(path(watchlist::kTakeProfitFile)), QByteArray("10.5\r\n"));
    EXPECT_EQ(readBytes(path(watchlist::kStopLossFile)), QByteArray("9.5\r\n"));
    EXPECT_EQ(m_files.load(), std::vector<Row>{row});
}

TEST_F(WatchListFilesTest, RowsRoundTripUnchangedThroughAppendRewriteAndLoad) {
    const std::vector<Row> rows{
        {QStringLiteral("600000"), QStringLiteral("10.5"), QStringLiteral("9.5")},
        {QString(), QStringLiteral("现价的5%"), QStringLiteral("现价的-5%")},
        {QStringLiteral("新 希 望"), QStringLiteral("1e3abc"), QStringLiteral(" 7 ")},
        {QStringLiteral("600000"), QStringLiteral("10.5"), QStringLiteral("9.5")},
    };
    for (const Row& row : rows)
        ASSERT_TRUE(m_files.append(row).ok());
    EXPECT_EQ(m_files.load(), rows);

    std::vector<Row> shorter = rows;
    shorter.erase(shorter.begin() + 1);
    ASSERT_TRUE(m_files.rewrite(shorter).ok());
    EXPECT_EQ(m_files.load(), shorter);
    EXPECT_EQ(readBytes(path(watchlist::kCodeFile)), QByteArray("600000\r\n") +
                                                         QByteArray::fromHex("D0C220CFA320CDFB") +
                                                         "\r\n600000\r\n");
}

TEST_F(WatchListFilesTest, RewritingNoRowsLeavesThreeEmptyFiles) {
    ASSERT_TRUE(
        m_files.append({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}).ok());
    ASSERT_TRUE(m_files.rewrite({}).ok());
    for (const char* name :
         {watchlist::kCodeFile, watchlist::kTakeProfitFile, watchlist::kStopLossFile}) {
        EXPECT_TRUE(QFileInfo::exists(path(name)));
        EXPECT_EQ(QFileInfo(path(name)).size(), 0);
    }
    EXPECT_TRUE(m_files.load().empty());
}

TEST_F(WatchListFilesTest, FilesOfUnequalLengthGiveLineIToRowI) {
    writeAll("a\r\nb\r\nc\r\n", "1\r\n", "x\r\ny\r\nz\r\nsurplus\r\n");
    const std::vector<Row> expected{{"a", "1", "x"}, {"b", "", "y"}, {"c", "", "z"}};
    EXPECT_EQ(m_files.load(), expected);

    // Prices without codes make no rows.
    QFile::remove(path(watchlist::kCodeFile));
    EXPECT_TRUE(m_files.load().empty());
}

TEST_F(WatchListFilesTest, LoadSurvivesJunkHugeFilesBareLineFeedsAndNoFinalLineEnd) {
    writeAll("600000\n000001", "10\n11", "9\n10");
    const std::vector<Row> expected{{"600000", "10", "9"}, {"000001", "11", "10"}};
    EXPECT_EQ(m_files.load(), expected);

    QByteArray junk(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char& byte : junk)
        byte = char(generator.bounded(256));
    writeAll(junk, junk.left(1000), QByteArray());
    const std::vector<Row> rows = m_files.load();
    EXPECT_GT(rows.size(), 1000u);
    EXPECT_TRUE(rows.back().stopLoss.isEmpty());
}

TEST_F(WatchListFilesTest, AppendAfterALastLineWithoutItsEndStartsANewLine) {
    writeAll("600000", "10", "9");
    ASSERT_TRUE(
        m_files.append({QStringLiteral("000001"), QStringLiteral("11"), QStringLiteral("10")})
            .ok());
    EXPECT_EQ(readBytes(path(watchlist::kCodeFile)), QByteArray("600000\r\n000001\r\n"));
    EXPECT_EQ(m_files.load().size(), 2u);
}

TEST_F(WatchListFilesTest, ALineBreakInAValueDoesNotShiftLaterRows) {
    ASSERT_TRUE(
        m_files.append({QStringLiteral("600000"), QStringLiteral("10\r\n5"), QStringLiteral("9")})
            .ok());
    ASSERT_TRUE(
        m_files.append({QStringLiteral("000001"), QStringLiteral("11"), QStringLiteral("10")})
            .ok());
    const std::vector<Row> rows = m_files.load();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].takeProfit, QStringLiteral("10 5"));
    EXPECT_EQ(rows[1].takeProfit, QStringLiteral("11"));
}

TEST_F(WatchListFilesTest, AFailedWriteIsReportedAndLeavesTheOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    writeAll("600000\r\n", "10\r\n", "9\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0555), 0);
    const watchlist::SaveResult result = m_files.rewrite({});
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    EXPECT_EQ(result.failedFiles, (QStringList{"Setting.ini", "Setting2.ini", "Setting3.ini"}));
    EXPECT_EQ(readBytes(path(watchlist::kCodeFile)), QByteArray("600000\r\n"));
}

TEST_F(WatchListFilesTest, AFileThatCannotBeWrittenFailsAloneAndTheOthersAreSaved) {
    // A directory in the place of the take-profit file cannot be replaced, as
    // root or not, and must not be read as an empty file and then overwritten.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QString::fromLatin1(watchlist::kTakeProfitFile)));
    const watchlist::SaveResult appended =
        m_files.append({QStringLiteral("600000"), QStringLiteral("10"), QStringLiteral("9")});
    EXPECT_EQ(appended.failedFiles, QStringList{"Setting2.ini"});
    EXPECT_EQ(readBytes(path(watchlist::kCodeFile)), QByteArray("600000\r\n"));
    EXPECT_EQ(readBytes(path(watchlist::kStopLossFile)), QByteArray("9\r\n"));

    const watchlist::SaveResult rewritten = m_files.rewrite({});
    EXPECT_EQ(rewritten.failedFiles, QStringList{"Setting2.ini"});
    EXPECT_EQ(QFileInfo(path(watchlist::kCodeFile)).size(), 0);

    // Load reads past the odd file: rows keep their codes, the prices stay empty.
    writeBytes(path(watchlist::kCodeFile), "1\r\n2\r\n");
    const std::vector<Row> expected{{"1", "", ""}, {"2", "", ""}};
    EXPECT_EQ(m_files.load(), expected);
}

TEST_F(WatchListFilesTest, AFifoInPlaceOfAFileDoesNotHangTheLoad) {
    writeBytes(path(watchlist::kCodeFile), "600000\r\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(watchlist::kTakeProfitFile)).constData(), 0644), 0);
    const std::vector<Row> expected{{"600000", "", ""}};
    EXPECT_EQ(m_files.load(), expected);
}
