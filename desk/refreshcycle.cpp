#include "desk/refreshcycle.h"

#include "desk/deskrules.h"
#include "desk/quotecells.h"

#include <QLabel>

RefreshCycle::RefreshCycle(WatchListView* list, QLabel* shanghai, QLabel* shenzhen,
                           QuoteFetcher* rowFetcher, QuoteFetcher* indexFetcher, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_shanghai(shanghai)
    , m_shenzhen(shenzhen)
    , m_rowFetcher(rowFetcher)
    , m_indexFetcher(indexFetcher)
    , m_clock([] { return QTime::currentTime(); }) {
}

void RefreshCycle::tick() {
    if (m_running) {
        m_tickWaiting = true;
        return;
    }
    m_running = true;
    // The rows of this tick are those in the list now; rows added meanwhile
    // wait for the next tick, rows deleted meanwhile are skipped.
    const QList<WatchListView::RowId> ids =
        m_list ? m_list->rowIds() : QList<WatchListView::RowId>();
    m_rowsLeft.assign(ids.begin(), ids.end());
    fetchNextRow();
}

void RefreshCycle::fetchNextRow() {
    while (!m_rowsLeft.empty()) {
        const WatchListView::RowId id = m_rowsLeft.front();
        m_rowsLeft.pop_front();
        const QTreeWidgetItem* item = m_list ? m_list->itemFor(id) : nullptr;
        if (!item)
            continue;
        m_rowFetcher->fetchStock(item->text(desk::CodeColumn),
                                 [this, id](const QuoteFetcher::Result& result) {
                                     if (result)
                                         showRowQuote(id, *result);
                                     fetchNextRow();
                                 });
        return;
    }
    fetchIndex(m_shenzhen, QStringLiteral("深证成指"), quote::kShenzhenIndexTarget, [this] {
        fetchIndex(m_shanghai, QStringLiteral("上证指数"), quote::kShanghaiIndexTarget,
                   [this] { finishTick(); });
    });
}

void RefreshCycle::showRowQuote(WatchListView::RowId id, const quote::Reply& reply) {
    // A row deleted while its quote was on the way has no item any more.
    if (QTreeWidgetItem* item = m_list ? m_list->itemFor(id) : nullptr)
        desk::showQuote(item, reply);
}

void RefreshCycle::fetchIndex(QLabel* label, const QString& name, std::string_view target,
                              std::function<void()> then) {
    QPointer<QLabel> guardedLabel(label);
    m_indexFetcher->fetch(std::string(target), [guardedLabel, name, then = std::move(then)](
                                                   const QuoteFetcher::Result& result) {
        if (guardedLabel)
            desk::showIndex(guardedLabel, name, result);
        then();
    });
}

void RefreshCycle::finishTick() {
    if (desk::isPicksReloadMinute(m_clock()))
        emit picksReloadDue();
    m_running = false;
    emit tickFinished();
    if (m_tickWaiting) {
        m_tickWaiting = false;
        tick();
    }
}
