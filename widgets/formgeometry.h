#pragma once

#include "platform/twips.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAction;
class QMenu;

// Both programs lay their windows out in twips, 15 to a device-independent
// pixel, and name their fonts by their Chinese names.
namespace form {

constexpr int pixels(int twips) {
    // Round half away from zero, so 10 twips of overhang stay one pixel, not zero.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline QRect rect(int left, int top, int width, int height) {
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

inline QSize size(int width, int height) {
    return {pixels(width), pixels(height)};
}

// The bitmap Song face of Linux desktops: its strikes draw solid strokes in
// the text's own colour, where a smoothed outline face at 9 to 12 pt never
// reaches the colour and looks pale.
inline constexpr char kBitmapSong[] = "WenQuanYi Bitmap Song";

// The faces to try, in order, for a design face at a size in device-independent
// pixels, drawn at a device pixel ratio: the design face itself (a Chinese
// Windows desktop has it), the bitmap Song face where it has a strike of
// exactly the size in device pixels, then outline CJK faces.
QStringList fontFamilies(const QString& design, int pixelSize, qreal deviceRatio,
                         const QList<int>& bitmapSizes);

// The primary screen's logical dots per inch; 96 before there is a screen.
qreal logicalDpi();

// The device pixels to a device-independent pixel that text must be ready
// for: the highest ratio among the screens, 1 before there is a screen.
qreal deviceRatio();

// A font by its design-time family, falling back to the CJK faces a Linux
// desktop has, so Chinese never shows as empty boxes.
QFont font(const QString& family, double pointSize);

// 宋体 (SimSun), the face of most of the programs' texts.
QFont songTi(double pointSize);

// The bold of a font. The bitmap Song face has no bold strike and is drawn
// unchanged when asked for bold, so bold text leaves it for the outline faces.
QFont bold(const QFont& font);

// Names a control after its design name and puts it where the design has it.
template <typename T> T* place(T* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A menu entry named after its design name.
QAction* addEntry(QMenu* menu, const char* name, const QString& caption);

// A control's text colour (labels) and a button's face colour.
void setTextColour(QWidget* widget, const QColor& colour);
void setFace(QWidget* button, const QColor& colour);

} // namespace form
