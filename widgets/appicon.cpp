#include "widgets/appicon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QImage renderAppIcon(const AppIconLook& look, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    painter.fillPath(rounded, look.tile);

    // Three candles rising left to right: red for up, as on the quote list.
    const QColor up(255, 70, 70);
    const QColor down(60, 200, 90);
    struct Candle {
        qreal x, low, high, open, close;
    };
    const Candle candles[] = {{0.22, 0.80, 0.50, 0.72, 0.58},
                              {0.50, 0.70, 0.36, 0.44, 0.60},
                              {0.78, 0.56, 0.14, 0.48, 0.22}};
    for (const Candle& c : candles) {
        const QColor colour = c.close < c.open ? up : down;
        painter.setPen(QPen(colour.lighter(130), qMax(1.0, s / 32)));
        painter.drawLine(QPointF(c.x * s, c.low * s), QPointF(c.x * s, c.high * s));
        const qreal top = qMin(c.open, c.close) * s;
        const qreal height = qMax(s / 16, qAbs(c.open - c.close) * s);
        painter.fillRect(QRectF(c.x * s - s * 0.08, top, s * 0.16, height), colour);
    }

    if (!look.initial.isEmpty() && size >= 24) {
        // A face of its own rather than the program's Song face, so the
        // build-time rendering for the icon theme matches the window's icon.
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setBold(true);
        font.setPixelSize(int(s * 0.34));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(s * 0.06, s * 0.04, s * 0.5, s * 0.4), Qt::AlignLeft | Qt::AlignTop,
                         look.initial);
    }
    return image;
}

QIcon makeAppIcon(const AppIconLook& look) {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(renderAppIcon(look, size)));
    return icon;
}
