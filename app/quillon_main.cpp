// Quillon: a desktop stock ticker for the Shanghai and Shenzhen markets.
#include "desk/form1.h"
#include "shell/appstartup.h"
#include "shell/commandline.h"
#include "shell/platform.h"
#include "shell/trayshell.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (const auto status = commandline::handle(commandline::Program::Quillon, argc, argv))
        return *status;
    choosePlatform();
    prepareWebEngineProcess();
    QApplication app(argc, argv);
    applyApplicationDefaults(QStringLiteral("Quillon"));

    Form1 window(QCoreApplication::applicationDirPath());
    platform::onTerminationRequest(&window, [&window] { window.trayShell()->exitNow(); });
    window.show();
    return app.exec();
}
