#include "desk/refreshcycle.h"

#include "desk/deskrules.h"

#include <QLabel>

namespace {

QString toQString(const std::optional<std::u16string>& value) {
    return value ? QString::fromStdU16String(*value) : QString();
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

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
    QTreeWidgetItem* item = m_list ? m_list->itemFor(id) : nullptr;
    if (!item)
        return; // the row was deleted while its quote was on the way

    // A field the reply lacks leaves its cell as the last tick wrote it.
    const std::pair<desk::Column, std::size_t> cells[] = {
        {desk::NameColumn, quote::kNameField},
        {desk::PriceColumn, quote::kPriceField},
        {desk::HighColumn, quote::kHighField},
        {desk::ChangeColumn, quote::kChangeField},
    };
    for (const auto& [column, field] : cells) {
        if (const auto value = reply.field(field))
            item->setText(column, QString::fromStdU16String(*value));
    }

    const auto change = reply.field(quote::kChangeField);
    if (!change)
        return;
    const desk::RowColours colours = desk::rowColours(QString::fromStdU16String(*change));
    for (const desk::Column column :
         {desk::CodeColumn, desk::NameColumn, desk::PriceColumn, desk::HighColumn})
        item->setForeground(column, colours.codeNamePriceHigh);
    item->setForeground(desk::ChangeColumn, colours.change);
}

void RefreshCycle::fetchIndex(QLabel* label, const QString& name, std::string_view target,
                              std::function<void()> then) {
    QPointer<QLabel> guardedLabel(label);
    m_indexFetcher->fetch(std::string(target), [guardedLabel, name, then = std::move(then)](
                                                   const QuoteFetcher::Result& result) {
        QString level;
        QString change;
        if (result) {
            level = toQString(result->field(quote::kIndexLevelField));
            change = toQString(result->field(quote::kIndexChangeField));
        }
        if (guardedLabel) {
            guardedLabel->setText(desk::indexCaption(name, level, change));
            if (const auto colour = desk::indexColour(change))
                setTextColour(guardedLabel, *colour);
        }
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
