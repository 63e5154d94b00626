#pragma once

#include "bench/benchfigures.h"
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

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

    // The listening socket must be made on the thread that serves it. Says
    // so on standard error when it could not listen.
    bool listen() {
        bool listening = false;
        QMetaObject::invokeMethod(
            m_server, [&] { listening = m_server->listen(); }, Qt::BlockingQueuedConnection);
        if (!listening)
            std::fprintf(stderr, "the %s could not listen on 127.0.0.1\n",
                         qPrintable(m_thread.objectName()));
        return listening;
    }
    ScriptedHttpServer& server() { return *m_server; }

private:
    QThread m_thread;
    ScriptedHttpServer* m_server;
};

// The number of runs the command line asks for ("--runs N"), or fallback;
// 0 when this Qt cannot decode GBK, which the services' replies are in.
inline int benchmarkRuns(int fallback) {
    if (!gbk::available()) {
        std::fprintf(stderr, "this Qt has no GBK codec; the replies could not be decoded\n");
        return 0;
    }
    return bench::positiveOption(QCoreApplication::arguments(), QStringLiteral("--runs"), fallback);
}

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
