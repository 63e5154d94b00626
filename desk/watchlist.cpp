#include "desk/watchlist.h"

#include "desk/watchlistmodel.h"

#include <QItemSelectionModel>

const QString WatchList::kStandingBy = QStringLiteral("待命");

WatchList::WatchList(desk::WatchListModel* model, QItemSelectionModel* selection,
                     const QString& directory, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_selection(selection)
    , m_keeper(watchlist::Files(directory)) {
}

void WatchList::load() {
    m_model->append(m_keeper.load(), {.name = kStandingBy});
}

void WatchList::add(const watchlist::Row& row) {
    m_model->append(row, {.price = kStandingBy});
    report(m_keeper.added(m_model->savedRows()));
}

void WatchList::removeSelected() {
    for (int i = 0; i < m_model->rowCount(); ++i) {
        if (!m_selection->isRowSelected(i))
            continue;
        m_model->remove(m_model->idAt(i));
        report(m_keeper.removed(m_model->savedRows()));
        return;
    }
}

void WatchList::retrySave() {
    if (!m_keeper.inStep())
        report(m_keeper.retry(m_model->savedRows()));
}

void WatchList::report(const watchlist::SaveOutcome& outcome) {
    if (outcome.tellUser)
        emit saveFailed(outcome.failedFiles);
    else if (outcome.saved())
        emit saved();
}
