#include "shell/formgeometry.h"

#include <QPalette>
#include <QStringList>

namespace form {

QFont font(const QString& family, double pointSize) {
    QFont result;
    // AR PL UMing has 宋体's look and, unlike the larger CJK families, its
    // line height, so texts fit the heights the windows were drawn for.
    result.setFamilies({family, QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                        QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Serif CJK SC")});
    result.setPointSizeF(pointSize);
    return result;
}

QFont songTi(double pointSize) {
    return font(QStringLiteral("宋体"), pointSize);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setFace(QWidget* button, const QColor& colour) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

} // namespace form
