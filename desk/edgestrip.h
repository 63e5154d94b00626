#pragma once

#include <QWidget>

// What stays of the main window on the screen while it is hidden at an edge,
// where the window itself may not reach beyond the screen: a bare strip in the
// window's own colour. It is no window the window manager knows of, so it
// lands exactly where it is put, takes no focus and has no task bar entry.
class EdgeStrip : public QWidget {
    Q_OBJECT
public:
    explicit EdgeStrip(const QColor& colour);

    // Stands the strip over area, above other windows.
    void showAt(const QRect& area);
};
