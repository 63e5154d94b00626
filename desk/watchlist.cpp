#include "desk/watchlist.h"

#include "desk/deskrules.h"
#include "desk/watchlistview.h"

const QString WatchList::kStandingBy = QStringLiteral("待命");

WatchList::WatchList(WatchListView* view, const QString& directory, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_keeper(watchlist::Files(directory)) {
}

void WatchList::load() {
    m_view->appendRows(m_keeper.load(), kStandingBy);
}

void WatchList::add(const watchlist::Row& row) {
    const WatchListView::RowId id = m_view->appendRow(row);
    m_view->itemFor(id)->setText(desk::PriceColumn, kStandingBy);
    report(m_keeper.added(m_view->persistedRows()));
}

void WatchList::removeSelected() {
    for (int i = 0; i < m_view->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_view->topLevelItem(i);
        if (!item->isSelected())
            continue;
        m_view->removeRow(m_view->idOf(item));
        report(m_keeper.removed(m_view->persistedRows()));
        return;
    }
}

void WatchList::retrySave() {
    if (!m_keeper.inStep())
        report(m_keeper.retry(m_view->persistedRows()));
}

void WatchList::report(const watchlist::SaveOutcome& outcome) {
    if (outcome.tellUser)
        emit saveFailed(outcome.failedFiles);
    else if (outcome.saved())
        emit saved();
}
