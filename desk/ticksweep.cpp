#include "desk/ticksweep.h"

TickSweep::TickSweep(desk::WatchListModel* list)
    : m_list(list) {
}

bool TickSweep::begin() {
    if (m_running) {
        m_tickWaiting = true; // missed ticks are not made up
        return false;
    }
    m_running = true;
    const QList<desk::WatchListModel::RowId> ids =
        m_list ? m_list->rowIds() : QList<desk::WatchListModel::RowId>();
    m_rowsLeft.assign(ids.begin(), ids.end());
    return true;
}

std::optional<TickSweep::Row> TickSweep::nextRow() {
    while (!m_rowsLeft.empty()) {
        const desk::WatchListModel::RowId id = m_rowsLeft.front();
        m_rowsLeft.pop_front();
        if (const auto* entry = m_list ? m_list->find(id) : nullptr)
            return Row{id, entry->saved.code};
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
