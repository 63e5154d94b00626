#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class EdgeStrip;
class QScreen;
class QTimer;
class QWidget;

namespace desk {

// The screen a window with this outer rectangle is on, as docking decides it:
// the one holding most of it (a hidden window's strip), else the nearest; null
// without screens.
QScreen* screenHolding(const QRect& outer);

} // namespace desk

// Timer3's work on the main window: docking at the top, left and right edges of
// the desktop (see desk/edgedock.h for the rules). Each timeout reads the
// pointer, the window's frame and every screen, and moves the window in one step.
// The timer's period and running are its owner's; this only listens to it.
//
// Where the window system keeps windows on the screen, a window the rules hide
// at an edge is withdrawn instead and an EdgeStrip stands where its visible
// strip would be; the rules go on seeing the window where they put it.
//
// The window is read and moved through its WindowPlacer; outerMoved() tells
// the windows that keep beside it of every change to its outer rectangle.
class EdgeDocker : public QObject {
    Q_OBJECT
public:
    EdgeDocker(QWidget* window, QTimer* timer, QObject* parent = nullptr);
    ~EdgeDocker() override;

    // The window's outer rectangle as the rules have it: where they put it
    // while it is hidden at an edge, its frame otherwise.
    QRect outerRect() const;

public slots:
    void tick();

signals:
    // outerRect() may have changed: the window moved, by the rules, the user
    // or its window manager, or it was hidden or shown.
    void outerMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hideAt(const QRect& outer, const QRect& screen);
    void showAt(QPoint outerTopLeft);
    void dropStrip();

    QPointer<QWidget> m_window;
    std::unique_ptr<EdgeStrip> m_strip; // only where moves beyond the edges are refused
    std::optional<QRect> m_hiddenAt;    // set while withdrawn behind the strip
};
