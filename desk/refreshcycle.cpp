#include "desk/refreshcycle.h"

#include "desk/deskrules.h"
#include "desk/quotecells.h"

#include <QLabel>

RefreshCycle::RefreshCycle(desk::WatchListModel* list, QLabel* shanghai, QLabel* shenzhen,
                           HttpQueue* rowFetcher, HttpQueue* indexFetcher, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_shanghai(shanghai)
    , m_shenzhen(shenzhen)
    , m_rowFetcher(rowFetcher)
    , m_indexFetcher(indexFetcher)
    , m_clock([] { return QTime::currentTime(); })
    , m_sweep(list) {
}

void RefreshCycle::tick() {
    if (m_sweep.begin()) {
        m_tickBroughtPrice = false;
        fetchNextRow();
    }
}

// A failed fetch and an empty reply alike leave the list as it was: the
// gateway answers empty while its feed is out of reach.
void RefreshCycle::noteReply(const HttpQueue::Result& result) {
    if (result) {
        const auto price = result->field(quote::kPriceField);
        m_tickBroughtPrice = m_tickBroughtPrice || (price && !price->empty());
    }
}

void RefreshCycle::fetchNextRow() {
    if (const auto row = m_sweep.nextRow()) {
        m_rowFetcher->fetchStock(row->code, [this, id = row->id](const HttpQueue::Result& result) {
            noteReply(result);
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

void RefreshCycle::showRowQuote(desk::WatchListModel::RowId id, const quote::Reply& reply) {
    if (m_list)
        desk::showQuote(*m_list, id, reply);
}

void RefreshCycle::fetchIndex(QLabel* label, const QString& name, std::string_view target,
                              std::function<void()> then) {
    QPointer<QLabel> guardedLabel(label);
    m_indexFetcher->fetch(std::string(target), [this, guardedLabel, name, then = std::move(then)](
                                                   const HttpQueue::Result& result) {
        noteReply(result);
        if (guardedLabel)
            desk::showIndex(guardedLabel, name, result);
        then();
    });
}

void RefreshCycle::finishTick() {
    const QString wasStale = m_freshness.staleLine();
    m_freshness.tickEnded(m_tickBroughtPrice, m_clock());
    if (const QString stale = m_freshness.staleLine(); stale != wasStale)
        emit staleLineChanged(stale);
    if (desk::isPicksReloadMinute(m_clock()))
        emit picksReloadDue();
    emit tickFinished();
    if (m_sweep.end())
        fetchNextRow();
}
