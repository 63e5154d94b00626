#pragma once

#include "watchlist/watchlistfiles.h"

#include <QStringList>

#include <vector>

namespace watchlist {

// What one save means for the user.
struct SaveOutcome {
    bool attempted = false;  // false: the files were in step, nothing was written
    QStringList failedFiles; // what this attempt could not write
    bool tellUser = false;   // the first failure since the files were last in step
    bool saved() const { return attempted && failedFiles.isEmpty(); }
};

// Keeps the three files in step with the list. A failed save leaves them as
// they were, without the change the list has, and appending the next row alone
// would lose that change for good. So after any failure the next save rewrites
// all three from the list instead of appending, and retry() rewrites them until
// that goes through. The user hears of the first failure of such a streak only.
class Keeper {
public:
    explicit Keeper(Files files);

    const Files& files() const { return m_files; }
    bool inStep() const { return m_inStep; }

    // rows: the whole list, after a row was put at its end.
    SaveOutcome added(const std::vector<Row>& rows);
    // rows: the whole list, after a row was taken out.
    SaveOutcome removed(const std::vector<Row>& rows);
    // For a timer: rewrites the files from rows while they are out of step.
    SaveOutcome retry(const std::vector<Row>& rows);

private:
    SaveOutcome settle(const SaveResult& result);

    Files m_files;
    bool m_inStep = true;
};

} // namespace watchlist
