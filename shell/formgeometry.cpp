#include "shell/formgeometry.h"

#include <QStringList>

namespace form {

QFont font(const QString& family, double pointSize) {
    QFont result;
    result.setFamilies({family, QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")});
    result.setPointSizeF(pointSize);
    return result;
}

QFont songTi(double pointSize) {
    return font(QStringLiteral("宋体"), pointSize);
}

} // namespace form
