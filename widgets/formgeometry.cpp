#include "widgets/formgeometry.h"

#include <QAction>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QStringList>

namespace form {

QStringList fontFamilies(const QString& design, int pixelSize, qreal deviceRatio,
                         const QList<int>& bitmapSizes) {
    QStringList families{design, QStringLiteral("SimSun")};
    // Qt picks a bitmap face's strike by the size in device-independent pixels
    // and draws it unscaled, however many device pixels those cover: at 150 %
    // the 16-pixel strike of 12 pt text is drawn 16 device pixels high on
    // 24-pixel advances. So a strike is at the size in device pixels only where
    // the ratio is 1; at any other ratio the outline faces draw the text.
    if (qFuzzyCompare(deviceRatio, 1.0) && bitmapSizes.contains(pixelSize))
        families.append(QString::fromLatin1(kBitmapSong));
    // AR PL UMing has 宋体's look and, unlike the larger CJK families, its
    // line height, so texts fit the heights the windows were drawn for.
    families.append({QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei"),
                     QStringLiteral("Noto Serif CJK SC")});
    return families;
}

namespace {

// The pixel sizes of the bitmap face's strikes on this system, none where it
// is not installed.
QList<int> bitmapSongSizes() {
    static const QList<int> sizes = [] {
        QList<int> found;
        const QString family = QString::fromLatin1(kBitmapSong);
        if (!QFontDatabase::families().contains(family))
            return found;
        // A bitmap face is listed by point sizes at the screen's resolution.
        for (const int points : QFontDatabase::pointSizes(family))
            found.append(qRound(points * logicalDpi() / 72.0));
        return found;
    }();
    return sizes;
}

} // namespace

qreal logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

qreal deviceRatio() {
    // Fonts are chosen once, as a window is built, and a window may be moved to
    // any screen later. Chosen for the highest ratio, text keeps its size on
    // every screen; on a 100 % screen beside a scaled one it is drawn smoothed
    // rather than from a strike, which beats glyphs shrunk to a fraction of
    // their advances. (On X11 all screens share the ratio Qt takes from
    // Xft.dpi or QT_SCALE_FACTOR; Windows may give each screen its own.)
    qreal highest = 1.0;
    for (const QScreen* screen : QGuiApplication::screens())
        highest = qMax(highest, screen->devicePixelRatio());
    return highest;
}

QFont font(const QString& family, double pointSize) {
    QFont result;
    result.setFamilies(fontFamilies(family, qRound(pointSize * logicalDpi() / 72.0), deviceRatio(),
                                    bitmapSongSizes()));
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

QAction* addEntry(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QFont bold(const QFont& font) {
    QFont result = font;
    result.setBold(true);
    QStringList families = font.families();
    families.removeAll(QLatin1String(kBitmapSong));
    result.setFamilies(families);
    return result;
}

} // namespace form
