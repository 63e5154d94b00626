#pragma once

#include <QObject>
#include <QPointer>

class QTimer;
class QWidget;

// Timer3's work on the main window: docking at the top, left and right screen
// edges (see desk/edgedock.h for the rules). Each timeout reads the pointer,
// the window's frame and the primary screen, and moves the window in one step.
// The timer's period and running are its owner's; this only listens to it.
class EdgeDocker : public QObject {
    Q_OBJECT
public:
    EdgeDocker(QWidget* window, QTimer* timer, QObject* parent = nullptr);

public slots:
    void tick();

private:
    QPointer<QWidget> m_window;
};
