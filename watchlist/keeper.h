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
// Files that were read with more lines in one than in another are rewritten
// whole at the first add too, so that the new row's line meets its own row.
class Keeper {
public:
    explicit Keeper(Files files);

    bool inStep() const { return m_inStep; }

    // The list as the files hold it; remembers whether their lines were in step.
    std::vector<Row> load();

    // rows: the whole list, after a row was put at its end.
    SaveOutcome added(const std::vector<Row>& rows);
    // rows: the whole list, after a row was taken out.
    SaveOutcome removed(const std::vector<Row>& rows);
    // For a timer: rewrites the files from rows while they are out of step.
    SaveOutcome retry(const std::vector<Row>& rows);

private:
    SaveOutcome settle(const SaveResult& result);

    Files m_files;
    bool m_inStep = true;      // the last save went through
    bool m_linesInStep = true; // the files have as many lines each: an append keeps rows whole
};

} // namespace watchlist
