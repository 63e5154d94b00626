#include "desk/watchlistmodel.h"

#include <algorithm>

namespace desk {

namespace {

struct ColumnSpec {
    const char16_t* caption;
    Qt::Alignment alignment;
};

const ColumnSpec kColumns[ColumnCount] = {
    {u"代码", Qt::AlignLeft},    {u"股票名称", Qt::AlignHCenter}, {u"现价", Qt::AlignRight},
    {u"最高价", Qt::AlignRight}, {u"涨跌幅", Qt::AlignHCenter},   {u"止盈价", Qt::AlignRight},
    {u"止损价", Qt::AlignRight},
};

// Takes a reply's field into a cell; true when the cell changed.
bool take(QString& cell, const std::optional<QString>& field) {
    if (!field || *field == cell)
        return false;
    cell = *field;
    return true;
}

} // namespace

int WatchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WatchListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString WatchListModel::text(const Entry& entry, int column) const {
    switch (column) {
    case CodeColumn:
        return entry.saved.code;
    case NameColumn:
        return entry.name;
    case PriceColumn:
        return entry.price;
    case HighColumn:
        return entry.high;
    case ChangeColumn:
        return entry.change.value_or(QString());
    case TakeProfitColumn:
        return entry.saved.takeProfit;
    case StopLossColumn:
        return entry.saved.stopLoss;
    }
    return {};
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Entry& entry = m_rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return text(entry, index.column());
    case Qt::TextAlignmentRole:
        return int(kColumns[index.column()].alignment | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        // The thresholds keep the list's colour, and so does a row no change has reached.
        if (!entry.change || index.column() > ChangeColumn)
            return {};
        return index.column() == ChangeColumn ? entry.changeBrush : entry.rowBrush;
    }
    return {};
}

QVariant WatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(kColumns[section].caption);
    if (role == Qt::TextAlignmentRole)
        return int(kColumns[section].alignment | Qt::AlignVCenter);
    return {};
}

WatchListModel::Entry WatchListModel::makeEntry(const watchlist::Row& row, const Quote& shown) {
    Entry entry{m_nextId++,
                row,
                shown.name.value_or(QString()),
                shown.price.value_or(QString()),
                shown.high.value_or(QString()),
                std::nullopt};
    if (shown.change)
        setChange(entry, *shown.change);
    return entry;
}

void WatchListModel::setChange(Entry& entry, const QString& change) {
    const RowColours colours = rowColours(change);
    entry.change = change;
    entry.rowBrush = colours.codeNamePriceHigh;
    entry.changeBrush = colours.change;
}

WatchListModel::RowId WatchListModel::append(const watchlist::Row& row, const Quote& shown) {
    append(std::vector<watchlist::Row>{row}, shown);
    return m_rows.back().id;
}

void WatchListModel::append(const std::vector<watchlist::Row>& rows, const Quote& shown) {
    if (rows.empty())
        return;
    // One insertion keeps a long list quick to load.
    beginInsertRows({}, rowCount(), rowCount() + int(rows.size()) - 1);
    for (const watchlist::Row& row : rows)
        m_rows.push_back(makeEntry(row, shown));
    endInsertRows();
}

void WatchListModel::remove(RowId id) {
    const int row = rowOf(id);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

bool WatchListModel::setQuote(RowId id, const Quote& quote) {
    const int row = rowOf(id);
    if (row < 0)
        return false;
    Entry& entry = m_rows[std::size_t(row)];
    int first = ColumnCount;
    int last = -1;
    const auto changed = [&](int column) {
        first = std::min(first, column);
        last = std::max(last, column);
    };
    if (take(entry.name, quote.name))
        changed(NameColumn);
    if (take(entry.price, quote.price))
        changed(PriceColumn);
    if (take(entry.high, quote.high))
        changed(HighColumn);
    if (quote.change && quote.change != entry.change) {
        // A change turns the colours of the code to the high along with its own cell.
        const QBrush was = entry.changeBrush;
        const bool recoloured = !entry.change;
        setChange(entry, *quote.change);
        changed(ChangeColumn);
        if (recoloured || entry.changeBrush != was)
            changed(CodeColumn);
    }
    if (last < 0)
        return false;
    emit dataChanged(index(row, first), index(row, last));
    return true;
}

int WatchListModel::rowOf(RowId id) const {
    const auto found =
        std::lower_bound(m_rows.begin(), m_rows.end(), id,
                         [](const Entry& entry, RowId key) { return entry.id < key; });
    return found != m_rows.end() && found->id == id ? int(found - m_rows.begin()) : -1;
}

const WatchListModel::Entry* WatchListModel::find(RowId id) const {
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_rows[std::size_t(row)];
}

QList<WatchListModel::RowId> WatchListModel::rowIds() const {
    QList<RowId> ids;
    ids.reserve(qsizetype(m_rows.size()));
    for (const Entry& entry : m_rows)
        ids.append(entry.id);
    return ids;
}

std::vector<watchlist::Row> WatchListModel::savedRows() const {
    std::vector<watchlist::Row> rows;
    rows.reserve(m_rows.size());
    for (const Entry& entry : m_rows)
        rows.push_back(entry.saved);
    return rows;
}

} // namespace desk
