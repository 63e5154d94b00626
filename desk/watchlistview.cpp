#include "desk/watchlistview.h"

#include "desk/deskrules.h"
#include "widgets/formgeometry.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

constexpr int kRowIdRole = Qt::UserRole + 1;
// A persisted cell's line as read from its file, kept so a rewrite can put it back unchanged.
constexpr int kLineRole = Qt::UserRole + 2;

struct ColumnSpec {
    const char16_t* caption;
    int widthTwips;
    Qt::Alignment alignment;
};

const ColumnSpec kColumns[desk::ColumnCount] = {
    {u"代码", 800, Qt::AlignLeft},      {u"股票名称", 1000, Qt::AlignHCenter},
    {u"现价", 800, Qt::AlignRight},     {u"最高价", 800, Qt::AlignRight},
    {u"涨跌幅", 800, Qt::AlignHCenter}, {u"止盈价", 800, Qt::AlignRight},
    {u"止损价", 800, Qt::AlignRight},
};

// Rows keep at every scale the leading they have at 100 %, where the bitmap
// Song face's lines are a quarter taller than its size: the outline face that
// draws them when scaled has none, and would set the rows glyph to glyph.
class LeadedRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(qMax(size.height(), QFontInfo(option.font).pixelSize() * 5 / 4));
        return size;
    }
};

} // namespace

WatchListView::WatchListView(QWidget* parent)
    : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setItemDelegate(new LeadedRows(this));
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    setColumnCount(0);

    // On the empty list itself, not a row: nothing of it is ever saved, and
    // the right click it tells of still reaches the list through it.
    m_emptyHint = new QLabel(QStringLiteral("还没有自选股。\n在列表中点鼠标右键，选“添加股票”。"),
                             viewport());
    m_emptyHint->setObjectName(QStringLiteral("emptyListHint"));
    m_emptyHint->setTextFormat(Qt::PlainText);
    m_emptyHint->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_emptyHint->setForegroundRole(QPalette::PlaceholderText);
    connect(model(), &QAbstractItemModel::rowsInserted, this, &WatchListView::updateEmptyHint);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &WatchListView::updateEmptyHint);
    connect(model(), &QAbstractItemModel::modelReset, this, &WatchListView::updateEmptyHint);
    updateEmptyHint();
}

void WatchListView::updateEmptyHint() {
    m_emptyHint->setGeometry(viewport()->rect().adjusted(8, 16, -8, 0));
    m_emptyHint->setVisible(topLevelItemCount() == 0);
}

void WatchListView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    updateEmptyHint();
}

void WatchListView::addColumns() {
    QStringList captions;
    for (const ColumnSpec& column : kColumns)
        captions.append(QString::fromUtf16(column.caption));
    setHeaderLabels(captions);
    for (int c = 0; c < desk::ColumnCount; ++c) {
        setColumnWidth(c, form::pixels(kColumns[c].widthTwips));
        headerItem()->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
    }
}

QTreeWidgetItem* WatchListView::makeItem(const watchlist::Row& row) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < desk::ColumnCount; ++c)
        item->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
    item->setText(desk::CodeColumn, row.code);
    item->setText(desk::TakeProfitColumn, row.takeProfit);
    item->setText(desk::StopLossColumn, row.stopLoss);
    if (row.read) {
        item->setData(desk::CodeColumn, kLineRole, row.read->code);
        item->setData(desk::TakeProfitColumn, kLineRole, row.read->takeProfit);
        item->setData(desk::StopLossColumn, kLineRole, row.read->stopLoss);
    }
    const RowId id = m_nextId++;
    item->setData(desk::CodeColumn, kRowIdRole, id);
    m_items.insert(id, item);
    return item;
}

WatchListView::RowId WatchListView::appendRow(const watchlist::Row& row) {
    QTreeWidgetItem* item = makeItem(row);
    addTopLevelItem(item);
    return idOf(item);
}

void WatchListView::appendRows(const std::vector<watchlist::Row>& rows, const QString& nameCell) {
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const watchlist::Row& row : rows) {
        QTreeWidgetItem* item = makeItem(row);
        item->setText(desk::NameColumn, nameCell);
        items.append(item);
    }
    addTopLevelItems(items); // one insertion keeps a long list quick to load
}

QList<WatchListView::RowId> WatchListView::rowIds() const {
    QList<RowId> ids;
    const int count = topLevelItemCount();
    ids.reserve(count);
    for (int i = 0; i < count; ++i)
        ids.append(idOf(topLevelItem(i)));
    return ids;
}

WatchListView::RowId WatchListView::idOf(const QTreeWidgetItem* item) const {
    return item ? item->data(desk::CodeColumn, kRowIdRole).toULongLong() : 0;
}

void WatchListView::removeRow(RowId id) {
    QTreeWidgetItem* item = m_items.take(id);
    delete item;
}

std::vector<watchlist::Row> WatchListView::persistedRows() const {
    std::vector<watchlist::Row> rows;
    const int count = topLevelItemCount();
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* item = topLevelItem(i);
        watchlist::Row& row = rows.emplace_back();
        row.code = item->text(desk::CodeColumn);
        row.takeProfit = item->text(desk::TakeProfitColumn);
        row.stopLoss = item->text(desk::StopLossColumn);
        if (item->data(desk::CodeColumn, kLineRole).isValid())
            row.read = watchlist::Lines{item->data(desk::CodeColumn, kLineRole).toByteArray(),
                                        item->data(desk::TakeProfitColumn, kLineRole).toByteArray(),
                                        item->data(desk::StopLossColumn, kLineRole).toByteArray()};
    }
    return rows;
}

void WatchListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit leftClicked();
    else if (event->button() == Qt::RightButton)
        emit rightReleased(event->globalPosition().toPoint());
}
