#include "app/appstartup.h"

#include "widgets/formgeometry.h"

#include "platform/platform.h"
#include "platform/shelllog.h"

#include <QApplication>
#include <QQuickWindow>

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

QByteArray chromiumFlags(const QByteArray& userFlags) {
    QByteArray flags = userFlags.trimmed();
    const QList<QByteArray> given = flags.split(' ');
    for (const QByteArray& ours : {QByteArrayLiteral("--process-per-site")})
        if (!given.contains(ours))
            flags += (flags.isEmpty() ? "" : " ") + ours;
    return flags;
}

void prepareWebEngineProcess() {
    if (const auto obstacle = platform::sandboxObstacle();
        obstacle && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        // Without the switch Chromium would end the program at its first page.
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qCWarning(lcShell).noquote()
            << "The web views run without Chromium's sandbox:" << *obstacle;
    }
    if (qEnvironmentVariableIsSet("QUILLON_WEBENGINE_DEFAULTS")) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        return;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", chromiumFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
    // The views show small pages of text that the CPU composes as fast as a
    // GPU would. Drawn in software, the program loads no GL driver, which
    // would be the largest private part of it after the engine itself (Mesa's
    // software GL alone holds some 40 MB per program). A user who chose a
    // Qt Quick back end keeps it, and then the GL contexts it may need.
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    else
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

void applyApplicationDefaults(const QString& applicationName) {
    QCoreApplication::setApplicationName(applicationName);
    // No organisation name: it would put the user's folders one level deeper,
    // ~/.config/<organisation>/Quillon instead of ~/.config/Quillon.
    QApplication::setQuitOnLastWindowClosed(false);
    // The programs' default face, as on a Chinese Windows desktop: 宋体 9 pt.
    QApplication::setFont(form::songTi(9));
}
