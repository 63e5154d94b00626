#include "desk/edgestrip.h"

#include "widgets/windowplacer.h"

EdgeStrip::EdgeStrip(const QColor& colour)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("EdgeStrip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette palette;
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
    setAutoFillBackground(true);
}

void EdgeStrip::showAt(const QRect& area) {
    resize(area.size());
    WindowPlacer::of(this)->moveTo(area.topLeft());
    show();
    // Windows raised since may have covered it; the user must still find it.
    raise();
}
