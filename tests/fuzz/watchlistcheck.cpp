#include "tests/fuzz/fuzzcheck.h"
#include "tests/watchlist/threefiles.h"

// Any three files, read and written again by the watch list's own reader and
// writer after the user changed one cell: every other cell comes back as the
// very line it was read from, byte for byte, with CR LF after it (lines beyond
// the codes are dropped, a missing one is an empty line), the changed one as
// its new text, and the files read again as the same rows.
void fuzz::watchlistFiles(std::string_view input) {
    static QTemporaryDir folder;
    const watchlist::Files files(folder.path());
    const QList<QByteArray> parts = QByteArray(input.data(), qsizetype(input.size())).split('\0');
    require(threefiles::write(folder, {parts.value(0), parts.value(1), parts.mid(2).join('\0')}),
            "the files could not be laid down");

    std::vector<watchlist::Row> rows = files.load();
    if (!rows.empty())
        rows.back().takeProfit = QStringLiteral("12.50");
    require(files.rewrite(rows).ok(), "the rows could not be written");
    if (!rows.empty())
        rows.back().read->takeProfit = "12.50";

    QByteArrayList expected{"", "", ""};
    for (const watchlist::Row& row : rows) {
        const watchlist::Lines& read = row.read.value();
        expected[0] += read.code + "\r\n";
        expected[1] += read.takeProfit + "\r\n";
        expected[2] += read.stopLoss + "\r\n";
    }
    require(threefiles::read(folder) == expected.join('#'),
            "a line not written back as it was read");
    require(files.load() == rows, "rows written back read differently");
}
