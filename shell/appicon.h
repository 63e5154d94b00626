#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The programs' window and tray icon, drawn at run time so it stays sharp at
// every size the tray asks for: a rounded tile with a rising candle chart and
// the program's initial.
QIcon makeAppIcon(const QColor& tile, const QString& initial);
