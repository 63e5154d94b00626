#include "shell/appstartup.h"

#include "shell/formgeometry.h"

#include "shell/platform.h"

#include <QApplication>

std::optional<QByteArray> platformChoice(const QByteArray& waylandDisplay,
                                         const QByteArray& display,
                                         const QByteArray& chosenPlatform) {
    if (waylandDisplay.isEmpty() || display.isEmpty() || !chosenPlatform.isEmpty())
        return std::nullopt;
    return QByteArrayLiteral("xcb");
}

void choosePlatform() {
    if (const auto platform = platformChoice(qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"),
                                             qgetenv("QT_QPA_PLATFORM")))
        qputenv("QT_QPA_PLATFORM", *platform);
}

void prepareWebEngineProcess() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (platform::runningAsRoot() && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void applyApplicationDefaults(const QString& applicationName) {
    QCoreApplication::setApplicationName(applicationName);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvex"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The programs' default face, as on a Chinese Windows desktop: 宋体 9 pt.
    QApplication::setFont(form::songTi(9));
}
