#include "widgets/fittinglabel.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

FittingLabel::FittingLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
}

void FittingLabel::paintEvent(QPaintEvent* event) {
    const QRect area = contentsRect();
    if (fontMetrics().horizontalAdvance(text()) <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QFont smaller = font();
    smaller.setPixelSize(form::fittingPixelSize(font(), text(), area.width()));
    QPainter painter(this);
    painter.setFont(smaller);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, text());
}

namespace form {

int fittingPixelSize(const QFont& font, const QString& text, int width) {
    QFont trial = font;
    int size = QFontInfo(font).pixelSize();
    for (; size > 1; --size) {
        trial.setPixelSize(size);
        if (QFontMetrics(trial).horizontalAdvance(text) <= width)
            break;
    }
    return size;
}

} // namespace form
