#include "tests/fuzz/fuzzcheck.h"
#include "watchlist/watchlistfiles.h"

// Rows read from any three files and written back untouched, each cell as the
// line it was read from with CR LF after it, read again as the same rows with
// the same lines, byte for byte.
void fuzz::watchlistFiles(std::string_view input) {
    const QList<QByteArray> parts = QByteArray(input.data(), qsizetype(input.size())).split('\0');
    const QByteArray files[] = {parts.value(0), parts.value(1), parts.mid(2).join('\0')};
    const auto rowsOf = [](const QByteArray(&bytes)[3]) {
        return watchlist::assembleRows(watchlist::splitLines(bytes[0]),
                                       watchlist::splitLines(bytes[1]),
                                       watchlist::splitLines(bytes[2]));
    };
    const std::vector<watchlist::Row> rows = rowsOf(files);
    QByteArray written[3];
    for (const watchlist::Row& row : rows) {
        written[0] += row.read.value().code + "\r\n";
        written[1] += row.read.value().takeProfit + "\r\n";
        written[2] += row.read.value().stopLoss + "\r\n";
    }
    require(rowsOf(written) == rows, "rows written back read differently");
}
