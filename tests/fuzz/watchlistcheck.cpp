#include "tests/fuzz/fuzzcheck.h"
#include "watchlist/watchlistfiles.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Any three files, read and written again by the watch list's own reader and
// writer after the user changed one cell: every other cell comes back as the
// very line it was read from, byte for byte, with CR LF after it (lines beyond
// the codes are dropped, a missing one is an empty line), the changed one as
// its new text, and the files read again as the same rows.
void fuzz::watchlistFiles(std::string_view input) {
    static QTemporaryDir folder;
    const watchlist::Files files(folder.path());
    const QList<QByteArray> parts = QByteArray(input.data(), qsizetype(input.size())).split('\0');
    const QByteArray given[] = {parts.value(0), parts.value(1), parts.mid(2).join('\0')};
    const char* const names[] = {watchlist::kCodeFile, watchlist::kTakeProfitFile,
                                 watchlist::kStopLossFile};
    for (int i = 0; i < 3; ++i) {
        QFile file(files.path(names[i]));
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(given[i]) == given[i].size(),
                "the files could not be laid down");
    }

    std::vector<watchlist::Row> rows = files.load();
    if (!rows.empty())
        rows.back().takeProfit = QStringLiteral("12.50");
    require(files.rewrite(rows).ok(), "the rows could not be written");
    if (!rows.empty())
        rows.back().read->takeProfit = "12.50";

    QByteArray expected[3];
    for (const watchlist::Row& row : rows) {
        const watchlist::Lines& read = row.read.value();
        expected[0] += read.code + "\r\n";
        expected[1] += read.takeProfit + "\r\n";
        expected[2] += read.stopLoss + "\r\n";
    }
    for (int i = 0; i < 3; ++i)
        require(fileBytes(files.path(names[i])) == expected[i],
                "a line not written back as it was read");
    require(files.load() == rows, "rows written back read differently");
}
