// Tarvex: the maker's rumour and news pages, watched for changes.
#include "shell/appstartup.h"
#include "shell/commandline.h"
#include "shell/platform.h"
#include "shell/singleinstance.h"
#include "shell/trayshell.h"
#include "viewer/newswindow.h"

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
