#include "desk/savenotice.h"

#include "desk/deskrules.h"

SaveNotice::SaveNotice(QWidget* parent, const QRect& area)
    : QLabel(parent)
    , m_area(area) {
    setObjectName(QStringLiteral("saveNotice"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setMargin(3);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, desk::kRed);
    colours.setColor(QPalette::Window, QColor(255, 255, 225));
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    hide();
}

void SaveNotice::showMessage(const QString& message) {
    setText(message);
    const int height = qMin(heightForWidth(m_area.width()), m_area.height());
    setGeometry(m_area.left(), m_area.bottom() + 1 - height, m_area.width(), height);
    raise();
    show();
}

void SaveNotice::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    hide();
}
