#include "net/httpclient.h"

#include "tests/support/processprobe.h"
#include "tests/support/qtry.h"
#include "tests/support/scriptedhttpserver.h"

#include <QElapsedTimer>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Only to the same scheme, host and port: never from https to http, where a
// service's credentials would travel in the clear. The five hops are the
// queue's test's redirect loop, whose refusal of another port gives the wording.
TEST(HttpQueueRedirect, StaysOnItsSchemeHostAndPort) {
    const auto refusal = [](const char* from, const char* to, int hop) {
        return HttpQueue::redirectRefusal(QUrl(from), QUrl(to), hop).toStdString();
    };
    EXPECT_NE(refusal("https://q.test:8443/a", "http://q.test:8443/a", 1), "");
    EXPECT_NE(refusal("http://q.test:8080/a", "https://q.test:8080/a", 1), "");
    EXPECT_EQ(refusal("https://q.test/a", "https://q.test:443/b", 5), "");
}

// One callback as it ran, with when it ran.
struct Outcome {
    int id;
    HttpQueue::Result result;
    qint64 atMs;
};

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.listen());
        m_clock.start();
    }

    // Callback of fetch n; where it asks for stock "n", handlers read n back from the target.
    HttpQueue::Callback record(int id) {
        return [this, id](const HttpQueue::Result& result) {
            m_outcomes.push_back({id, result, m_clock.elapsed()});
        };
    }
    // "id:field" of each callback as it ran; replies that echo their target have it as field 2.
    QString results(std::size_t field = 2) const {
        QStringList all;
        for (const Outcome& outcome : m_outcomes)
            all << QString::number(outcome.id) + u':' +
                       QString::fromStdU16String(
                           outcome.result ? outcome.result->field(field).value_or(u"") : u"failed");
        return all.join(u' ');
    }

    ScriptedHttpServer m_server;
    HttpClient m_http; // the program's one client, every queue's
    QElapsedTimer m_clock;
    std::vector<Outcome> m_outcomes;
};

// Codes as typed, error pages and redirects, each answered later the sooner
// it was asked, so that any overlap would reorder the results. Every reply
// echoes its target after a GBK name. Redirects are followed on the same
// connection and a loop fails; one to another origin fails before our header
// lines go there. A reply that closes its connection, or a failure, is not
// followed by a reuse of it.
TEST_F(HttpClientTest, ResultsComeInRequestOrderWithOneRequestInFlightAndCodesAsOneTarget) {
    const QByteArray base = m_server.baseUrl().toUtf8();
    ScriptedHttpServer elsewhere;
    ASSERT_TRUE(elsewhere.listen());
    const QByteArray other = elsewhere.baseUrl().toUtf8();
    const QHash<QByteArray, std::tuple<int, HttpHeaders, int>> answers = {
        {"/msq?cn_600000", {200, {}, 400}},
        {"/msq?cn_404", {404, {}, 250}},
        {"/msq?cn_503", {503, {{"Connection", "close"}}, 100}},
        {"/msq?cn_302", {302, {{"Location", base + "/msq?cn_10"}}, 50}},
        {"/msq?cn_307", {307, {{"Location", "/msq?cn_307"}}, 0}}, // to itself, for ever
        {"/msq?cn_300", {300, {{"Location", "/msq?cn_10"}}, 0}},  // a choice is not a redirect
        {"/msq?cn_301", {301, {{"Location", other + "/msq?cn_10"}}, 0}},
        {"/msq?cn_308", {308, {{"Location", "//" + other.mid(7) + "/x"}}, 0}},
    };
    m_server.setHandler([&answers](const RecordedRequest& request) {
        ScriptedResponse response("'cn','\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0'," + request.target);
        std::tie(response.status, response.headers, response.delayMs) =
            answers.value(request.target, {200, {}, 0});
        return response;
    });
    HttpQueue fetcher(&m_http, m_server.baseUrl());
    ASSERT_TRUE(fetcher.setExtraHeaders({"Authorization: Basic c2VjcmV0"}));
    QStringList codes = u"600000 404 503 302 307 300"_s.split(u' ');
    codes << u"600000\r\nX-Injected: 1\r\n\r\nGET /evil#frag x"_s << u"浦发 A"_s << QString()
          << u"301"_s << u"308"_s;
    QStringList failures;
    for (int n = 0; n < 11; ++n) {
        fetcher.fetchStock(codes[n], [&, n](const HttpQueue::Result& result) {
            record(n)(result);
            failures << fetcher.lastFailure();
            if (n == 0) // queued from a callback: it goes behind the ones already waiting
                fetcher.fetch("/msq?cn_last", record(11));
        });
    }
    ASSERT_TRUE(soon([&] { return m_outcomes.size() >= 12; }));
    EXPECT_EQ(elsewhere.requestCount(), 0);
    EXPECT_EQ(failures[9], u"redirect to another origin refused: "_s + elsewhere.baseUrl());
    EXPECT_EQ(m_outcomes[0].result.value_or(quote::Reply()).field(1), u"浦发银行");
    const std::string injected =
        "/msq?cn_600000%0D%0AX-Injected:%201%0D%0A%0D%0AGET%20/evil%23frag%20x";
    EXPECT_EQ(
        results().toStdString(),
        "0:/msq?cn_600000 1:/msq?cn_404 2:/msq?cn_503 3:/msq?cn_10 4:failed 5:/msq?cn_300 6:" +
            injected + " 7:/msq?cn_%C6%D6%B7%A2%20A 8:/msq?cn_ 9:failed 10:failed 11:/msq?cn_last");

    // Target @ connection: the loop is its first request and five hops. Each
    // request is the whole of what went out: one line, these headers.
    const QList<RecordedRequest> requests = m_server.requests();
    const QByteArray head = " HTTP/1.1\r\nHost: " + base.mid(7) +
                            "\r\nConnection: keep-alive\r\nAccept-Encoding: identity\r\nAccept: "
                            "*/*\r\nAuthorization: Basic c2VjcmV0";
    QByteArrayList wire;
    for (qsizetype n = 0; n < requests.size(); ++n) {
        const RecordedRequest& request = requests[n];
        wire << request.target + '@' + QByteArray::number(request.connection);
        EXPECT_EQ(request.head.toStdString(), ("GET " + request.target + head).toStdString());
        EXPECT_GE(request.arrivedMs, n ? requests[n - 1].answeredMs : 0) << "request " << n;
    }
    EXPECT_EQ(wire.join(' ').toStdString(),
              "/msq?cn_600000@1 /msq?cn_404@1 /msq?cn_503@1 /msq?cn_302@2 /msq?cn_10@2 " +
                  QByteArray("/msq?cn_307@2 ").repeated(6).toStdString() + "/msq?cn_300@3 " +
                  injected +
                  "@3 /msq?cn_%C6%D6%B7%A2%20A@3 /msq?cn_@3 /msq?cn_301@3 /msq?cn_308@4 " +
                  "/msq?cn_last@5");
}

// Each way a fetch can go wrong fails that fetch alone, leaves one warning
// with its reason, and the queue goes on in order on a fresh connection. Among them, services that
// never finish the head of their reply, as users met them: each once held a core and grew memory
// for as long as it went on, past every deadline.
TEST_F(HttpClientTest, EachFailureEndsAloneWithinItsDeadlineAtLittleCostAndInOrder) {
    // A port that was just ours and has nothing listening until the first fetch failed.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const auto stream = ScriptedResponse::rawStream; // every argument given
    const ScriptedResponse answers[] = {
        ScriptedResponse(), // never asked: refused
        // Announces more than it sends, then closes.
        stream("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n'cn_600000','7.50'", {}, 0, 0),
        ScriptedResponse({}, 60'000), // answers long after the test
        // Never silent, yet 6 s in all.
        stream("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "1\r\nx\r\n", 60, 100),
        stream("HTTP/1.1 200 OK\r\n", "X-Padding: 0123456789abcdef\r\n", 100'000'000, 0),
        stream("HTTP/1.1 200 OK\r\nX-Long: ", QByteArray(64 * 1024, 'a'), 160, 0), // one 10 MB line
        stream({}, "HTTP/1.1 100 Continue\r\n\r\n", 100'000'000, 0),
        // Exactly the cap, then one byte more.
        ScriptedResponse("a," + QByteArray(HttpQueue::kMaxReplyBytes - 2, 'x')),
        ScriptedResponse("a," + QByteArray(HttpQueue::kMaxReplyBytes - 1, 'x')),
    };
    ScriptedHttpServer late;
    late.setHandler([&answers](const RecordedRequest& request) {
        return answers[request.target.mid(8).toInt()];
    });
    static QStringList warnings;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& at, const QString& text) {
            if (type == QtWarningMsg)
                warnings.append(QLatin1String(at.category) + u": "_s + text);
        });
    const qint64 cpuBefore = processprobe::cpuMs(), residentBefore = processprobe::residentKiB();
    HttpQueue fetcher(&m_http, QStringLiteral("http://127.0.0.1:") + QString::number(port));
    fetcher.setTimeout(400);
    fetcher.fetchStock(QString::number(0), [&](const HttpQueue::Result& result) {
        record(0)(result);
        EXPECT_TRUE(late.listen(port));
    });
    for (int n = 1; n < 9; ++n)
        fetcher.fetchStock(QString::number(n), record(n));
    ASSERT_TRUE(soon([&] { return m_outcomes.size() >= 9; }));
    // A base URL that cannot form a request fails too, but never from inside
    // fetch(): the caller may still be setting up.
    HttpQueue unusable(&m_http, QStringLiteral("http://127.0.0.1:99999"));
    unusable.fetchStock(QString::number(9), record(9));
    unusable.fetchStock(QString::number(10), record(10));
    EXPECT_EQ(m_outcomes.size(), 9u);
    ASSERT_TRUE(soon([&] { return m_outcomes.size() >= 11; }));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(fetcher.isIdle() && unusable.isIdle());
    EXPECT_EQ(warnings.size(), 10);
    EXPECT_EQ(warnings.value(0), u"quillon.net: fetch of http://127.0.0.1:%1/msq?cn_0 failed: "
                                 u"connection failed: Connection refused"_s.arg(port));
    for (int n = 0; n < 11; ++n) {
        EXPECT_EQ(m_outcomes[n].id, n);
        EXPECT_EQ(m_outcomes[n].result.has_value(), n == 7) << "request " << n;
        // Only the hung and the drip-fed one run into the deadline.
        const qint64 tookMs = m_outcomes[n].atMs - (n ? m_outcomes[n - 1].atMs : 0);
        EXPECT_GE(tookMs, n == 2 || n == 3 ? 350 : 0) << "request " << n;
        EXPECT_LT(tookMs, n == 2 || n == 3 ? 3000 : 350) << "request " << n;
    }
    EXPECT_EQ(m_outcomes[7].result.value_or(quote::Reply()).field(1).value_or(u"").size(),
              std::size_t(HttpQueue::kMaxReplyBytes - 2));
    // Request n is the service's (n - 1)th: the first never reached it.
    for (int n = 1; n < 7; ++n) {
        EXPECT_SOON(n == 1 || late.requests()[n - 1].peerClosedEarly) << "request " << n;
        EXPECT_NE(late.requests()[n].connection, late.requests()[n - 1].connection);
    }
    const qint64 wallMs = m_clock.elapsed(), cpuSpentMs = processprobe::cpuMs() - cpuBefore;
    EXPECT_LT(cpuSpentMs * 2, wallMs) << cpuSpentMs << " ms of CPU in " << wallMs << " ms";
    EXPECT_LT(processprobe::residentKiB() - residentBefore, 8 * 1024);
}

// A service that ends each connection after its answer without saying so,
// as an idle time-out does between two ticks: the request that went out on
// the closing connection goes once more on a fresh one. One whose reply had
// begun is not sent again.
TEST_F(HttpClientTest, AKeptConnectionTheServiceClosedIsRetriedOnceUnlessItsReplyHadBegun) {
    m_server.setHandler([](const RecordedRequest& request) {
        const int n = request.target.mid(8).toInt();
        return n == 2
                   ? ScriptedResponse("ok") // keeps the connection for the next one
                   : ScriptedResponse::rawStream("HTTP/1.1 200 OK\r\nContent-Length: " +
                                                     QByteArray(n == 3 ? "9" : "2") + "\r\n\r\nok",
                                                 {}, 0);
    });
    HttpQueue fetcher(&m_http, m_server.baseUrl());
    for (int n = 0; n < 6; ++n)
        fetcher.fetchStock(QString::number(n), record(n));
    ASSERT_TRUE(soon([&] { return m_outcomes.size() >= 6; }));
    EXPECT_EQ(results(0), u"0:ok 1:ok 2:ok 3:failed 4:ok 5:ok"_s);
    int sentOfThree = 0;
    for (const RecordedRequest& request : m_server.requests())
        sentOfThree += request.target.endsWith("_3");
    EXPECT_EQ(sentOfThree, 1);
}

// Callers on one service, as the rows, indexes and alerts are, take turns on
// one connection, each in its own order; a hung exchange holds the others no
// longer than its own deadline (theirs starts on the wire). A caller that
// cancels, or drops its queue while waiting or from inside a result, sends and
// hears nothing more, and the others go on, in order, on a fresh connection.
TEST_F(HttpClientTest, CallersTakeTurnsOnOneConnectionAndNoHangOrCancelSpillsOver) {
    m_server.setHandler([](const RecordedRequest& request) {
        const int n = request.target.mid(8).toInt();
        return ScriptedResponse("reply,," + request.target, n < 10 && n % 2 == 0 ? 60'000 : 0);
    });
    HttpQueue rows(&m_http, m_server.baseUrl()), indexes(&m_http, m_server.baseUrl());
    auto alerts = std::make_unique<HttpQueue>(&m_http, m_server.baseUrl());
    rows.setTimeout(600);
    indexes.setTimeout(300);
    for (int n = 1; n < 4; ++n) {
        rows.fetchStock(QString::number(n), record(n));
        indexes.fetchStock(QString::number(n + 10), record(n + 10));
    }
    ASSERT_TRUE(soon([&] { return m_outcomes.size() >= 6; }));
    EXPECT_LT(m_outcomes[3].atMs - m_outcomes[1].atMs, 600 + 300);
    EXPECT_EQ(m_server.connectionCount(), 2); // the hung exchange's went with it

    rows.fetchStock(QString::number(4), record(4));
    rows.fetchStock(QString::number(5), record(5));
    alerts->fetchStock(QString::number(6), record(6)); // waits its turn, then is gone
    indexes.fetchStock(QString::number(14), record(14));
    ASSERT_TRUE(soon([&] { return m_server.requestCount() == 7; }));
    alerts.reset();
    rows.cancelAll();
    auto* owned = new HttpQueue(&m_http, m_server.baseUrl());
    owned->fetchStock(QString::number(7), [&](const HttpQueue::Result& result) {
        record(7)(result);
        delete owned;
    });
    owned->fetchStock(QString::number(8), record(8));
    rows.fetchStock(QString::number(9), record(9));
    ASSERT_TRUE(soon([&] { return m_outcomes.size() >= 9; }));
    EXPECT_EQ(results(), u"1:/msq?cn_1 11:/msq?cn_11 2:failed 12:/msq?cn_12 3:/msq?cn_3 "
                         u"13:/msq?cn_13 14:/msq?cn_14 7:/msq?cn_7 9:/msq?cn_9"_s);
    EXPECT_SOON(m_server.requests()[6].peerClosedEarly);
    EXPECT_EQ(m_server.requestCount(), 10);
    EXPECT_EQ(m_server.connectionCount(), 3);
}

} // namespace
