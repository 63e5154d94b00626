#pragma once

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
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows how to add a stock while the list has no row.
    void updateEmptyHint();

    QLabel* m_emptyHint;
};
