#pragma once

#include "watchlist/watchlistfiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <vector>

// The watch list's three files in a test's folder, read and written around
// the code under test.
namespace threefiles {

inline const char* const names[] = {watchlist::kCodeFile, watchlist::kTakeProfitFile,
                                    watchlist::kStopLossFile};

// The three files' bytes, "#" between them.
inline QByteArray read(const QTemporaryDir& dir) {
    QByteArrayList result;
    for (const char* name : names) {
        QFile file(dir.filePath(QLatin1String(name)));
        result.append(file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>");
    }
    return result.join('#');
}

// Written in place, as an editor would, without the code under test.
inline bool write(const QTemporaryDir& dir, const QByteArrayList& contents) {
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        QFile file(dir.filePath(QLatin1String(names[i])));
        ok = file.open(QIODevice::WriteOnly) && file.write(contents[i]) == contents[i].size() && ok;
    }
    return ok;
}

// Rows as "code|take-profit|stop-loss", to compare texts alone.
inline QStringList texts(const std::vector<watchlist::Row>& rows) {
    QStringList result;
    for (const watchlist::Row& row : rows)
        result.append(row.code + u'|' + row.takeProfit + u'|' + row.stopLoss);
    return result;
}

} // namespace threefiles
