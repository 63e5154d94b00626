#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

// The programs' icon: a rounded tile with a rising candle chart and the
// program's initial. Drawn in code at every size asked for, so it stays sharp
// in the tray and the window frame, and rendered at build time into the
// desktop's icon theme from the same drawing.
struct AppIconLook {
    QColor tile;
    QString initial;
};
inline const AppIconLook kQuillonIcon{QColor(176, 24, 32), QStringLiteral("Q")};
inline const AppIconLook kTarvexIcon{QColor(200, 120, 16), QStringLiteral("T")};

// The icon at size x size pixels; needs a QGuiApplication for the initial's font.
QImage renderAppIcon(const AppIconLook& look, int size);

// The window and tray icon, holding the sizes trays and frames ask for.
QIcon makeAppIcon(const AppIconLook& look);
