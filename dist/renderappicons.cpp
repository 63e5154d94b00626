// Renders a program's icon into a hicolor icon theme at build time, from the
// same drawing the program shows in its window frame and tray:
//   quillon-render-icons quillon|tarvex APP_ID THEME_DIR SIZE...
// writes THEME_DIR/hicolor/SIZExSIZE/apps/APP_ID.png for every SIZE.
#include "widgets/appicon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    // Drawing only: no display needed, so it runs on a build machine without one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 4 || (arguments[0] != u"quillon"_s && arguments[0] != u"tarvex"_s)) {
        std::fputs("usage: quillon-render-icons quillon|tarvex APP_ID THEME_DIR SIZE...\n", stderr);
        return 2;
    }
    const AppIconLook& look = arguments[0] == u"quillon"_s ? kQuillonIcon : kTarvexIcon;
    for (const QString& sizeText : arguments.mid(3)) {
        bool isNumber = false;
        const int size = sizeText.toInt(&isNumber);
        const QString folder = u"%1/hicolor/%2x%2/apps"_s.arg(arguments[2]).arg(size);
        const QString file = folder + u'/' + arguments[1] + u".png"_s;
        if (!isNumber || size <= 0 || !QDir().mkpath(folder) ||
            !renderAppIcon(look, size).save(file, "PNG")) {
            std::fprintf(stderr, "quillon-render-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
