// Quillon: a desktop stock ticker for the Shanghai and Shenzhen markets.
#include "desk/form1.h"
#include "shell/appstartup.h"
#include "shell/commandline.h"
#include "shell/platform.h"
#include "shell/singleinstance.h"
#include "shell/trayshell.h"
#include "watchlist/watchlistfiles.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (const auto status = commandline::handle(commandline::Program::Quillon, argc, argv))
        return *status;
    choosePlatform();
    prepareWebEngineProcess();
    QApplication app(argc, argv);
    applyApplicationDefaults(QStringLiteral("Quillon"));

    const QString watchList =
        watchlist::folder(QCoreApplication::applicationDirPath(), platform::appConfigFolder());
    SingleInstance instance(QStringLiteral("Quillon"), watchList);
    if (!instance.isTheRunningCopy())
        return instance.exitCode();

    Form1 window(QCoreApplication::applicationDirPath(), watchList);
    QObject::connect(&instance, &SingleInstance::comeForwardAsked, &window, &Form1::comeForward);
    platform::onTerminationRequest(&window, [&window] { window.trayShell()->exitNow(); });
    window.show();
    return app.exec();
}
