#pragma once

#include <QLabel>
#include <QRect>

// A line laid over the foot of an area of its window, red on light yellow,
// for news the user must see where there is no tray to show a balloon. It is
// no message box: it stays until clicked or hidden by its owner.
class SaveNotice : public QLabel {
    Q_OBJECT
public:
    // area: what the line lies over, in the parent's coordinates.
    SaveNotice(QWidget* parent, const QRect& area);

    void showMessage(const QString& message);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRect m_area;
};
