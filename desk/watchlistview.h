#pragma once

#include "watchlist/watchlistfiles.h"

#include <QHash>
#include <QList>
#include <QTreeWidget>

class QLabel;

#include <vector>

// The watch list shown as a report: seven text columns, one row per stock, in
// the order loaded or added, never sorted. Every row has an id that outlives
// changes to the list, so a reply that arrives late finds its own row or none.
class WatchListView : public QTreeWidget {
    Q_OBJECT
public:
    using RowId = quint64;

    explicit WatchListView(QWidget* parent = nullptr);
    // The model empties itself while the widget is taken down, after the hint has gone.
    ~WatchListView() override { disconnect(model(), nullptr, this, nullptr); }

    // Adds the seven column headers with their widths and alignments.
    void addColumns();

    RowId appendRow(const watchlist::Row& row);
    void appendRows(const std::vector<watchlist::Row>& rows, const QString& nameCell);

    QList<RowId> rowIds() const;
    QTreeWidgetItem* itemFor(RowId id) const { return m_items.value(id); }
    RowId idOf(const QTreeWidgetItem* item) const;

    // Removes a row; replies still on their way for it are then dropped.
    void removeRow(RowId id);

    // The persisted cells of every row, top to bottom, with the lines they
    // were read from.
    std::vector<watchlist::Row> persistedRows() const;

signals:
    void leftClicked();
    void rightReleased(const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows how to add a stock while the list has no row.
    void updateEmptyHint();

    QTreeWidgetItem* makeItem(const watchlist::Row& row);

    QHash<RowId, QTreeWidgetItem*> m_items;
    RowId m_nextId = 1;
    QLabel* m_emptyHint;
};
