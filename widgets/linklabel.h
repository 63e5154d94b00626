#pragma once

#include <QLabel>

// A label that acts as a link: a click on it (press and release over it with
// the left button) emits clicked(), and the pointer shows it can be clicked.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
