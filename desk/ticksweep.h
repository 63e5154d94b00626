#pragma once

#include "desk/watchlistmodel.h"

#include <QPointer>
#include <QString>

#include <deque>
#include <optional>

// What the refresh cycle and the price alerts share in a tick: ticks never
// overlap (a tick asked for while one runs starts when it ends, and several
// such asks make one), and a tick walks the rows the list holds when it
// starts, in list order, skipping rows deleted since.
class TickSweep {
public:
    explicit TickSweep(desk::WatchListModel* list);

    // Starts a tick; false while one runs, which then remembers the ask.
    bool begin();

    struct Row {
        desk::WatchListModel::RowId id;
        QString code;
    };
    // The running tick's next row still in the list; none when all are done.
    std::optional<Row> nextRow();

    // Ends the tick; true when a tick was asked for meanwhile and starts now.
    bool end();

    // Forgets the running tick and any ask that waits.
    void cancel();

    bool isRunning() const { return m_running; }

private:
    QPointer<desk::WatchListModel> m_list;
    bool m_running = false;
    bool m_tickWaiting = false;
    std::deque<desk::WatchListModel::RowId> m_rowsLeft;
};
