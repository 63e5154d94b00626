// Tarvex: the maker's rumour and news pages, watched for changes.
#include "app/appstartup.h"
#include "app/commandline.h"
#include "app/singleinstance.h"
#include "platform/platform.h"
#include "viewer/newswindow.h"
#include "widgets/trayshell.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (const auto status = commandline::handle(commandline::Program::Tarvex, argc, argv))
        return *status;
    choosePlatform();
    prepareWebEngineProcess();
    QApplication app(argc, argv);
    applyApplicationDefaults(QStringLiteral("Tarvex"));

    SingleInstance instance(QStringLiteral("Tarvex"));
    if (!instance.isTheRunningCopy())
        return instance.exitCode();

    NewsWindow window;
    QObject::connect(&instance, &SingleInstance::comeForwardAsked, &window,
                     &NewsWindow::comeForward);
    platform::onTerminationRequest(&window, [&window] { window.trayShell()->exitNow(); });
    window.show();
    return app.exec();
}
