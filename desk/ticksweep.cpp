#include "desk/ticksweep.h"

#include "desk/deskrules.h"

TickSweep::TickSweep(WatchListView* list)
    : m_list(list) {
}

bool TickSweep::begin() {
    if (m_running) {
        m_tickWaiting = true; // missed ticks are not made up
        return false;
    }
    m_running = true;
    const QList<WatchListView::RowId> ids =
        m_list ? m_list->rowIds() : QList<WatchListView::RowId>();
    m_rowsLeft.assign(ids.begin(), ids.end());
    return true;
}

std::optional<TickSweep::Row> TickSweep::nextRow() {
    while (!m_rowsLeft.empty()) {
        const WatchListView::RowId id = m_rowsLeft.front();
        m_rowsLeft.pop_front();
        if (const QTreeWidgetItem* item = m_list ? m_list->itemFor(id) : nullptr)
            return Row{id, item->text(desk::CodeColumn)};
    }
    return std::nullopt;
}

bool TickSweep::end() {
    m_running = false;
    const bool again = m_tickWaiting;
    m_tickWaiting = false;
    if (again)
        begin();
    return again;
}

void TickSweep::cancel() {
    m_rowsLeft.clear();
    m_tickWaiting = false;
    m_running = false;
}
