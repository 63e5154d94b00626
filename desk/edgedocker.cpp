#include "desk/edgedocker.h"

#include "desk/edgedock.h"
#include "shell/formgeometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

EdgeDocker::EdgeDocker(QWidget* window, QTimer* timer, QObject* parent)
    : QObject(parent)
    , m_window(window) {
    connect(timer, &QTimer::timeout, this, &EdgeDocker::tick);
}

void EdgeDocker::tick() {
    QWidget* window = m_window.data();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!window || !screen)
        return;

    // Qt gives positions in device-independent pixels. The pointer and the
    // edge distances of the rules are device pixels; twips are 15 to a
    // device-independent pixel, as everywhere else in the program.
    const qreal ratio = window->devicePixelRatioF();
    const auto device = [ratio](int independent) {
        return qRound(independent * ratio);
    };
    const QPoint cursor = QCursor::pos();
    // The outer rectangle: with the title bar and borders a window manager
    // adds, the window alone where there is none.
    const QRect frame = window->frameGeometry();

    desk::dock::Window state;
    state.outer = {device(frame.x()), device(frame.y()), device(frame.x() + frame.width()),
                   device(frame.y() + frame.height())};
    state.left = frame.x() * form::kTwipsPerPixel;
    state.top = frame.y() * form::kTwipsPerPixel;
    state.width = frame.width() * form::kTwipsPerPixel;
    state.height = frame.height() * form::kTwipsPerPixel;
    state.minimised = window->isMinimized();

    const desk::dock::Move move =
        desk::dock::tick({device(cursor.x()), device(cursor.y())}, state,
                         screen->geometry().width() * form::kTwipsPerPixel);

    // Twips become pixels rounded half away from zero, negative ones too: the
    // 10-twip overhang is one pixel beyond the left or top edge just as it is
    // beyond the right one, and a 40-twip strip (2.7 pixels) leaves 3 rows or
    // columns on screen at every edge.
    QPoint target = frame.topLeft();
    if (move.top)
        target.setY(form::pixels(*move.top));
    if (move.left)
        target.setX(form::pixels(*move.left));
    // Setting the same place again changes nothing, so it is not sent to the
    // window system every half second while the window rests.
    if (target != frame.topLeft())
        window->move(target); // a window's position is that of its frame
    if (move.show && !window->isVisible())
        window->show();
}
