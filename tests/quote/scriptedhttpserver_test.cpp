#include "tests/support/scriptedhttpserver.h"

#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// The benchmark runs the server on a thread of its own and a blocking client on
// this one: the client's thread never returns to its event loop while it waits.
TEST(QuoteTestServer, AnswersABlockingClientFromItsOwnThread) {
    QThread thread;
    thread.start();
    QObject inThread;
    inThread.moveToThread(&thread);
    ScriptedHttpServer* server = nullptr;
    QMetaObject::invokeMethod(
        &inThread,
        [&] {
            server = new ScriptedHttpServer;
            server->listen();
        },
        Qt::BlockingQueuedConnection);
    ASSERT_NE(server->port(), 0);
    server->setHandler([](const RecordedRequest& request) {
        ScriptedResponse response;
        response.body = "reply to " + request.target;
        response.delayMs = 20;
        return response;
    });
    // The signal crosses threads, so it arrives queued on this thread's loop.
    QList<RecordedRequest> received;
    QObject receiver;
    QObject::connect(server, &ScriptedHttpServer::requestReceived, &receiver,
                     [&](const RecordedRequest& request) { received.append(request); });

    // Two requests sent at once on one connection come back in order on it.
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server->port());
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write("GET /msq?cn_1 HTTP/1.1\r\nHost: x\r\n\r\n"
                 "GET /msq?cn_2 HTTP/1.1\r\nHost: x\r\n\r\n");
    QByteArray answer;
    while (!answer.endsWith("reply to /msq?cn_2") && client.waitForReadyRead(5000))
        answer += client.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << answer.constData();
    EXPECT_TRUE(answer.contains("\r\n\r\nreply to /msq?cn_1HTTP/1.1 200 OK\r\n"))
        << answer.constData();
    EXPECT_TRUE(answer.endsWith("\r\n\r\nreply to /msq?cn_2")) << answer.constData();

    const QList<RecordedRequest> requests = server->requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[1].target, "/msq?cn_2");
    EXPECT_EQ(requests[1].header("host"), "x");
    EXPECT_GE(requests[1].answeredMs, requests[0].answeredMs);
    EXPECT_EQ(server->connectionCount(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    EXPECT_EQ(received.value(1).target, "/msq?cn_2");

    QMetaObject::invokeMethod(
        &inThread, [&] { delete server; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

} // namespace
