#pragma once

#include <QTimer>
#include <QTreeView>

class QLabel;

// The watch list shown as a report over its model: seven text columns, one
// row per stock, in the order loaded or added, never sorted.
class WatchListView : public QTreeView {
    Q_OBJECT
public:
    explicit WatchListView(QWidget* parent = nullptr);

    // Shows the model, its seven columns with their widths.
    void setModel(QAbstractItemModel* model) override;

signals:
    void leftClicked();
    void rightReleased(const QPoint& globalPos);

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows how to add a stock while the list has no row.
    void updateEmptyHint();

    // Hands the rows changed since the last repaint to the tree view at once.
    void repaintChangedRows();

    QLabel* m_emptyHint;
    // Replies come one at a time; each painted on its own costs a whole
    // repaint of the window. Rows changed within this short wait share one.
    QTimer m_repaintTimer;
    int m_firstChanged = -1;
    int m_lastChanged = -1;
};
