#pragma once

#include "tests/support/scriptedhttpserver.h"

#include <QThread>

// A scripted service in a thread of its own, so that it keeps answering while
// a blocking variant holds the main thread.
class ServiceThread {
public:
    explicit ServiceThread(const QString& name) {
        m_server = new ScriptedHttpServer;
        m_server->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
        m_thread.setObjectName(name);
        m_thread.start();
    }
    ~ServiceThread() {
        m_thread.quit();
        m_thread.wait();
    }
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    // The listening socket must be made on the thread that serves it.
    bool listen() {
        bool listening = false;
        QMetaObject::invokeMethod(
            m_server, [&] { listening = m_server->listen(); }, Qt::BlockingQueuedConnection);
        return listening;
    }
    ScriptedHttpServer& server() { return *m_server; }

private:
    QThread m_thread;
    ScriptedHttpServer* m_server;
};

// Before the QApplication exists: windows go to the offscreen platform unless
// the user chose one, and its warning about every window it shows, which
// would drown a benchmark's table, is dropped.
inline void prepareOffscreenBenchmark() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QtMessageHandler defaultHandler = nullptr;
    defaultHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message != QLatin1String("This plugin does not support propagateSizeHints()") &&
                message != QLatin1String("This plugin does not support raise()"))
                defaultHandler(type, context, message);
        });
}
