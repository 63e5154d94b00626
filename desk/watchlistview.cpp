#include "desk/watchlistview.h"

#include "desk/deskrules.h"
#include "widgets/formgeometry.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// Short enough that a price shows as it comes, long enough to gather the
// replies of a tick that arrive close together into one repaint.
constexpr int kRepaintWaitMs = 200;

const int kColumnTwips[desk::ColumnCount] = {800, 1000, 800, 800, 800, 800, 800};

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
    : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // One row's height for all: a tick that rewrites cells never measures rows again.
    setUniformRowHeights(true);
    setItemDelegate(new LeadedRows(this));
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);

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
    updateEmptyHint();

    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setInterval(kRepaintWaitMs);
    connect(&m_repaintTimer, &QTimer::timeout, this, &WatchListView::repaintChangedRows);
}

void WatchListView::setModel(QAbstractItemModel* model) {
    QTreeView::setModel(model);
    for (int c = 0; c < desk::ColumnCount; ++c)
        setColumnWidth(c, form::pixels(kColumnTwips[c]));
    connect(model, &QAbstractItemModel::rowsInserted, this, &WatchListView::updateEmptyHint);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &WatchListView::updateEmptyHint);
    connect(model, &QAbstractItemModel::modelReset, this, &WatchListView::updateEmptyHint);
    updateEmptyHint();
}

void WatchListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
    // Hidden, the list has nothing to repaint; the tree view's own bookkeeping is all there is.
    if (!isVisible()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    if (m_lastChanged < 0) {
        m_firstChanged = topLeft.row();
        m_lastChanged = bottomRight.row();
        m_repaintTimer.start();
        return;
    }
    m_firstChanged = qMin(m_firstChanged, topLeft.row());
    m_lastChanged = qMax(m_lastChanged, bottomRight.row());
}

void WatchListView::repaintChangedRows() {
    // Rows taken out meanwhile were repainted with the rest of the list.
    const int last = qMin(m_lastChanged, model() ? model()->rowCount() - 1 : -1);
    const int first = m_firstChanged;
    m_firstChanged = m_lastChanged = -1;
    if (first <= last)
        QTreeView::dataChanged(model()->index(first, 0),
                               model()->index(last, model()->columnCount() - 1));
}

void WatchListView::updateEmptyHint() {
    m_emptyHint->setGeometry(viewport()->rect().adjusted(8, 16, -8, 0));
    m_emptyHint->setVisible(!model() || model()->rowCount() == 0);
}

void WatchListView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    updateEmptyHint();
}

void WatchListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit leftClicked();
    else if (event->button() == Qt::RightButton)
        emit rightReleased(event->globalPosition().toPoint());
}
