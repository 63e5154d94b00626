// Quillon: a desktop stock ticker for the Shanghai and Shenzhen markets.
#include "app/appstartup.h"
#include "app/commandline.h"
#include "app/singleinstance.h"
#include "desk/form1.h"
#include "platform/platform.h"
#include "watchlist/watchlistfiles.h"
#include "widgets/trayshell.h"

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
