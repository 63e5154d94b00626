#include "quote/httpresponseparser.h"
#include "quote/quotefetcher.h"

#include "tests/support/scriptedhttpserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using State = http::ResponseParser::State;

// What the parser made of a reply; a failed one is its state alone.
struct Parsed {
    State state;
    int status;
    std::string body;
    bool keepAlive;
    std::string location;
    bool operator==(const Parsed&) const = default;
};

Parsed done(int status, std::string body, bool keepAlive, std::string location = "") {
    return {State::Done, status, std::move(body), keepAlive, std::move(location)};
}

// Feeds the wire in pieces of the given size, then the close when asked.
Parsed parse(std::string_view wire, bool closed, std::size_t piece) {
    http::ResponseParser parser;
    for (std::size_t at = 0; at < wire.size(); at += piece)
        parser.feed(wire.substr(at, piece));
    if (closed)
        parser.endOfStream();
    if (parser.state() != State::Done)
        return {parser.state(), 0, "", false, ""};
    return done(parser.status(), parser.body(), parser.keepAlive(), parser.location());
}

// Each reply is read whole and one byte at a time; the limits fail as the
// bytes arrive, without waiting for the service to close.
TEST(HttpResponseParser, ReadsEveryKindOfReplyAndFailsOversizedOrMalformedOnes) {
    const std::string ok = "HTTP/1.1 200 OK\r\n", alphabet = "abcdefghijklmnopqrstuvwxyz";
    std::string interim;
    for (int n = 0; n < 2; ++n)
        interim += "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n";
    const std::string head = ok + "Content-Length: 0\r\nX-Pad: ";
    const std::string fullHead = head + std::string(16 * 1024 - head.size() - 4, 'p');
    const std::string half(32 * 1024, 'b'), chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const Parsed failed{State::Failed, 0, "", false, ""};
    const struct {
        std::string wire;
        bool closed;
        Parsed expected;
    } cases[] = {
        // Framed by length, with a folded header line that changes nothing.
        {ok + "X-Old: a\r\n  folded\r\nContent-Length: 10\r\n\r\na,'b'\r\nc,d", false,
         done(200, "a,'b'\r\nc,d", true)},
        // Chunked, with extensions on the sizes and trailer fields after the last chunk.
        {chunked + "4;name=\"v;x\"\r\n7.50\r\n1A ; ext\r\n" + alphabet +
             "\r\n0\r\nX-Sum: 1\r\n\r\n",
         false, done(200, "7.50" + alphabet, true)},
        // Four interim replies, some with headers, then an error page: still a reply.
        {interim + "HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\nerror", false,
         done(404, "error", true)},
        // Replies after which the connection is not reused.
        {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", false, done(200, "ok", false)},
        {"HTTP/1.1 200 OK\nConnection: keep-alive, Close\nContent-Length: 2\n\nok", false,
         done(200, "ok", false)},
        {ok + "Server: x\r\n\r\nfirst,second", true, done(200, "first,second", false)},
        {ok + "Content-Length: 2\r\n\r\nokHTTP/1.1", false, done(200, "ok", false)},
        // No body at all, and a redirect's target.
        {"HTTP/1.1 204 No Content\r\n\r\n", false, done(204, "", true)},
        {"HTTP/1.1 302 Found\r\nLocation:  /msq?cn_1 \r\nContent-Length: 0\r\n\r\n", false,
         done(302, "", true, "/msq?cn_1")},
        // A head of exactly 16 KiB, and one byte more; a fifth interim reply.
        {fullHead + "\r\n\r\n", false, done(200, "", true)},
        {fullHead + "ppppp", false, failed},
        {interim + "HTTP/1.1 100 Continue\r\n\r\n", false, failed},
        // A body of exactly 64 KiB, and past it however it is framed.
        {ok + "\r\n" + half + half, true, done(200, half + half, false)},
        {ok + "\r\n" + half + half + "b", false, failed},
        {ok + "Content-Length: 65537\r\n\r\n", false, failed},
        {chunked + "8000\r\n" + half + "\r\n8000\r\n" + half + "\r\n1\r\n", false, failed},
        // Not HTTP/1.x, framing we cannot read, or cut short.
        {"<html>quote,7.50</html>\r\n\r\n", true, failed},
        {"HTTP/2 200\r\n\r\n", true, failed},
        {ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", true, failed},
        {ok + "Content-Length: 5\r\nContent-Length: 6\r\n\r\n", true, failed},
        {ok + "Content-Length: -1\r\n\r\n", true, failed},
        {chunked + "zz\r\n", true, failed},
        {chunked + "2\r\nabc\r\n", true, failed},
        {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n", true, failed},
        {ok + "Content-Length: 5\r\n\r\nab", true, failed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(c.wire, c.closed, std::string::npos), c.expected) << c.wire.substr(0, 120);
        EXPECT_EQ(parse(c.wire, c.closed, 1), c.expected)
            << "byte by byte: " << c.wire.substr(0, 120);
    }
}

ScriptedResponse reply(QByteArray body, int delayMs = 0) {
    ScriptedResponse response;
    response.body = std::move(body);
    response.delayMs = delayMs;
    return response;
}

// Raw bytes, then copies of chunk: a little ahead of the client, or one every intervalMs.
ScriptedResponse stream(QByteArray prefix, QByteArray chunk, int copies, int intervalMs = 0) {
    ScriptedResponse response = reply(std::move(prefix));
    response.mode = ScriptedResponse::Mode::RawStream;
    response.repeatChunk = std::move(chunk);
    response.repeatCount = copies;
    response.repeatIntervalMs = intervalMs;
    return response;
}

std::string stockTarget(int n) {
    return "/msq?cn_" + std::to_string(n);
}

// The n of a request for stockTarget(n).
int numberOf(const RecordedRequest& request) {
    return request.target.mid(8).toInt();
}

// One callback as it ran, with when it ran.
struct Outcome {
    int id;
    QuoteFetcher::Result result;
    qint64 atMs;
};

class QuoteFetcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.listen());
        m_clock.start();
    }

    QuoteFetcher::Callback record(int id) {
        return [this, id](const QuoteFetcher::Result& result) {
            m_outcomes.push_back({id, result, m_clock.elapsed()});
        };
    }
    // Generous: the machine is shared, and a wait only lasts this long when a test fails.
    static bool waitUntil(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 10000);
    }
    bool waitForOutcomes(std::size_t count) {
        return waitUntil([&] { return m_outcomes.size() >= count; });
    }
    // The request for stockTarget(n); empty when none came.
    RecordedRequest requestFor(int n) const {
        for (const RecordedRequest& request : m_server.requests())
            if (numberOf(request) == n)
                return request;
        return {};
    }

    ScriptedHttpServer m_server;
    QElapsedTimer m_clock;
    std::vector<Outcome> m_outcomes;
};

TEST_F(QuoteFetcherTest, GbkRepliesAreSplitAndCodesReachTheWireAsOneEncodedTarget) {
    m_server.setHandler([](const RecordedRequest&) {
        return reply("'cn_600000','600000','\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0','7.50','-1.20%'");
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetchStock(QStringLiteral("600000"), record(0));
    fetcher.fetchStock(QStringLiteral("600000\r\nX-Injected: 1\r\n\r\nGET /evil#frag x"),
                       record(1));
    fetcher.fetchStock(QStringLiteral("浦发 A"), record(2));
    fetcher.fetchStock(QString(), record(3));
    ASSERT_TRUE(waitForOutcomes(4));
    ASSERT_TRUE(m_outcomes[0].result.has_value());
    EXPECT_EQ(m_outcomes[0].result->field(quote::kNameField), u"浦发银行");
    EXPECT_EQ(m_outcomes[0].result->field(quote::kChangeField), u"-1.20%");

    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].target, "/msq?cn_600000");
    EXPECT_EQ(requests[1].target,
              "/msq?cn_600000%0D%0AX-Injected:%201%0D%0A%0D%0AGET%20/evil%23frag%20x");
    EXPECT_EQ(requests[2].target, "/msq?cn_%C6%D6%B7%A2%20A");
    EXPECT_EQ(requests[3].target, "/msq?cn_");
    for (const RecordedRequest& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.header("Host"), "127.0.0.1:" + QByteArray::number(m_server.port()));
        EXPECT_EQ(request.header("Connection"), "keep-alive");
        EXPECT_EQ(request.header("Accept-Encoding"), "identity");
        EXPECT_TRUE(request.header("X-Injected").isNull()) << request.target.constData();
    }
}

// Also: the requests share one kept-alive connection.
TEST_F(QuoteFetcherTest, ResultsComeInRequestOrderWithOneRequestInFlight) {
    // Later requests are answered faster, so any overlap would reorder the results.
    const int delays[] = {400, 50, 250, 0, 150, 0};
    m_server.setHandler([&delays](const RecordedRequest& request) {
        return reply("reply," + QByteArray::number(numberOf(request)), delays[numberOf(request)]);
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    for (int n = 0; n < 5; ++n) {
        fetcher.fetch(stockTarget(n), [this, n, &fetcher](const QuoteFetcher::Result& result) {
            record(n)(result);
            if (n == 0) // queued from a callback: it goes behind the ones already waiting
                fetcher.fetch(stockTarget(5), record(5));
        });
    }
    ASSERT_TRUE(waitForOutcomes(6));
    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 6);
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(m_outcomes[n].id, n);
        ASSERT_TRUE(m_outcomes[n].result.has_value());
        EXPECT_EQ(m_outcomes[n].result->field(1), std::u16string(1, char16_t(u'0' + n)));
        EXPECT_EQ(numberOf(requests[n]), n);
        EXPECT_GE(requests[n].arrivedMs, n ? requests[n - 1].answeredMs : 0) << "request " << n;
    }
    EXPECT_EQ(m_server.connectionCount(), 1);
}

// Each way a fetch can go wrong fails that fetch alone; the queue goes on in order.
TEST_F(QuoteFetcherTest, RefusedTruncatedHungDripFedOversizedAndUnsendableRequestsFailInOrder) {
    // A port that was just ours and has nothing listening until the first fetch failed.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    ScriptedHttpServer late;
    late.setHandler([](const RecordedRequest& request) {
        const int n = numberOf(request);
        switch (n) {
        case 1: // announces more than it sends, then closes
            return stream("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n'cn_600000','7.50'", {}, 0);
        case 2:
            return reply({}, 60'000); // answers long after the test
        case 3:                       // never silent, yet 6 s in all
            return stream("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "1\r\nx\r\n", 60,
                          100);
        case 5: // exactly the cap, then one byte more
        case 6:
            return reply("a," + QByteArray(QuoteFetcher::kMaxReplyBytes - 7 + n, 'x'));
        default:
            return reply("fast,reply");
        }
    });
    QuoteFetcher fetcher(QStringLiteral("http://127.0.0.1:") + QString::number(port));
    fetcher.setTimeout(400);
    fetcher.fetch(stockTarget(0), [&](const QuoteFetcher::Result& result) {
        record(0)(result);
        EXPECT_TRUE(late.listen(port));
    });
    for (int n = 1; n < 7; ++n)
        fetcher.fetch(stockTarget(n), record(n));
    ASSERT_TRUE(waitForOutcomes(7));
    // A base URL that cannot form a request fails too, but never from inside
    // fetch(): the caller may still be setting up.
    QuoteFetcher unusable(QStringLiteral("http://127.0.0.1:99999"));
    unusable.fetch(stockTarget(7), record(7));
    unusable.fetch(stockTarget(8), record(8));
    EXPECT_EQ(m_outcomes.size(), 7u);
    ASSERT_TRUE(waitForOutcomes(9));
    EXPECT_TRUE(fetcher.isIdle() && unusable.isIdle());
    for (int n = 0; n < 9; ++n) {
        EXPECT_EQ(m_outcomes[n].id, n);
        EXPECT_EQ(m_outcomes[n].result.has_value(), n == 4 || n == 5) << "request " << n;
    }
    EXPECT_EQ(m_outcomes[4].result.value_or(quote::Reply()).field(1), u"reply");
    EXPECT_EQ(m_outcomes[5].result.value_or(quote::Reply()).field(1).value_or(u"").size(),
              std::size_t(QuoteFetcher::kMaxReplyBytes - 2));
    const qint64 hungMs = m_outcomes[2].atMs - m_outcomes[1].atMs;
    const qint64 drippedMs = m_outcomes[3].atMs - m_outcomes[2].atMs;
    EXPECT_GE(hungMs, 350);
    EXPECT_LT(hungMs, 4000);
    EXPECT_GE(drippedMs, 350);
    EXPECT_LT(drippedMs, 3000);
}

// CPU time of this whole process, the server's share included.
qint64 cpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Services that never finish the head of their reply, as users met them: each
// once held a core and grew memory for as long as it went on, past every deadline.
TEST_F(QuoteFetcherTest,
       EndlessHeadsFailWithinTheDeadlineAtLittleCostAndTheNextFetchConnectsAfresh) {
    const ScriptedResponse hostile[] = {
        stream("HTTP/1.1 200 OK\r\n", "X-Padding: 0123456789abcdef\r\n", 100'000'000),
        stream("HTTP/1.1 200 OK\r\nX-Long: ", QByteArray(64 * 1024, 'a'), 160), // one 10 MB line
        stream({}, "HTTP/1.1 100 Continue\r\n\r\n", 100'000'000),
    };
    m_server.setHandler([&hostile](const RecordedRequest& request) {
        const int n = numberOf(request);
        return n % 2 == 0 ? hostile[n / 2] : reply("fresh," + QByteArray::number(n));
    });
    QElapsedTimer wall;
    wall.start();
    const qint64 cpuBefore = cpuMs(), residentBefore = residentKiB();
    const qint64 startMs = m_clock.elapsed();
    // All at once, a fetcher each, so that the deadline spans all three.
    std::vector<std::unique_ptr<QuoteFetcher>> fetchers;
    for (int k = 0; k < 3; ++k) {
        fetchers.push_back(std::make_unique<QuoteFetcher>(m_server.baseUrl()));
        fetchers.back()->setTimeout(1000);
        fetchers.back()->fetch(stockTarget(2 * k), record(2 * k));
        fetchers.back()->fetch(stockTarget(2 * k + 1), record(2 * k + 1));
    }
    ASSERT_TRUE(waitForOutcomes(6));
    // Whatever the client still does until the deadline counts against it.
    QTest::qWait(int(qMax<qint64>(0, 1000 - wall.elapsed())));
    const qint64 wallMs = wall.elapsed(), cpuSpentMs = cpuMs() - cpuBefore;
    const qint64 grownKiB = residentKiB() - residentBefore;

    std::sort(m_outcomes.begin(), m_outcomes.end(),
              [](const Outcome& a, const Outcome& b) { return a.id < b.id; });
    for (int k = 0; k < 3; ++k) {
        const Outcome &failed = m_outcomes[2 * k], &next = m_outcomes[2 * k + 1];
        EXPECT_FALSE(failed.result.has_value()) << "stream " << k;
        EXPECT_LT(failed.atMs - startMs, 1000) << "stream " << k << " ran into the deadline";
        EXPECT_EQ(next.result.value_or(quote::Reply()).field(1),
                  QString::number(2 * k + 1).toStdU16String())
            << "stream " << k;
        EXPECT_TRUE(waitUntil([&] { return requestFor(2 * k).peerClosedEarly; }))
            << "stream " << k << " still open";
        EXPECT_NE(requestFor(2 * k + 1).connection, requestFor(2 * k).connection);
    }
    EXPECT_LT(cpuSpentMs * 2, wallMs) << cpuSpentMs << " ms of CPU in " << wallMs << " ms";
    EXPECT_LT(grownKiB, 8 * 1024);
}

// An error page is split like any reply, whatever its status. Redirects are
// followed on the same connection within the same deadline and a loop fails;
// a reply that closes its connection is not reused.
TEST_F(QuoteFetcherTest, ErrorPagesAreRepliesAndRedirectsAreFollowedWithinLimits) {
    const QByteArray base = m_server.baseUrl().toUtf8();
    const std::pair<int, HttpHeaders> answers[] = {
        {404, {}},
        {503, {{"Connection", "close"}}},
        {302, {{"Location", base + "/msq?cn_10"}}},
        {307, {{"Location", "/msq?cn_3"}}},  // to itself, for ever
        {300, {{"Location", "/msq?cn_10"}}}, // a choice is not a redirect
    };
    m_server.setHandler([&answers](const RecordedRequest& request) {
        ScriptedResponse response = reply("<html>error,page," + request.target);
        if (numberOf(request) < 5)
            std::tie(response.status, response.headers) = answers[numberOf(request)];
        return response;
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    for (int n = 0; n < 5; ++n)
        fetcher.fetch(stockTarget(n), record(n));
    ASSERT_TRUE(waitForOutcomes(5));
    const char16_t* fields[] = {u"/msq?cn_0", u"/msq?cn_1", u"/msq?cn_10", nullptr, u"/msq?cn_4"};
    for (int n = 0; n < 5; ++n) {
        const auto field = m_outcomes[n].result.value_or(quote::Reply()).field(2);
        EXPECT_EQ(field, fields[n] ? std::optional<std::u16string>(fields[n]) : std::nullopt)
            << "request " << n;
    }
    // Request number @ connection number: the loop is the first request and five hops.
    QStringList seen;
    for (const RecordedRequest& request : m_server.requests())
        seen << QStringLiteral("%1@%2").arg(numberOf(request)).arg(request.connection);
    EXPECT_EQ(seen.join(QLatin1Char(' ')).toStdString(),
              "0@1 1@1 2@2 10@2 3@2 3@2 3@2 3@2 3@2 3@2 4@3");
}

// A caller may cancel, or close its window and so drop its fetcher, at any
// time: while a request is in flight or from inside a result. Nothing queued
// goes out, no further callback runs, the service sees the connection go, and
// a later fetch still runs.
TEST_F(QuoteFetcherTest, CancelledOrDestroyedFetchersRunNoFurtherCallbacks) {
    m_server.setHandler([](const RecordedRequest& request) {
        return reply("reply," + request.target, numberOf(request) % 3 == 0 ? 300 : 0);
    });
    QuoteFetcher cancelled(m_server.baseUrl());
    auto destroyed = std::make_unique<QuoteFetcher>(m_server.baseUrl());
    for (int n = 0; n < 3; ++n) {
        cancelled.fetch(stockTarget(n), record(n));
        destroyed->fetch(stockTarget(n + 3), record(n + 3));
    }
    ASSERT_TRUE(waitUntil([&] { return m_server.requestCount() == 2; }));
    cancelled.cancelAll();
    EXPECT_TRUE(cancelled.isIdle());
    destroyed.reset();
    for (int n : {0, 3})
        EXPECT_TRUE(waitUntil([&] { return requestFor(n).peerClosedEarly; })) << "request " << n;

    auto* owned = new QuoteFetcher(m_server.baseUrl());
    owned->fetch(stockTarget(7), [&](const QuoteFetcher::Result& result) {
        record(7)(result);
        delete owned;
    });
    owned->fetch(stockTarget(8), record(8));
    ASSERT_TRUE(waitForOutcomes(1));
    cancelled.fetch(stockTarget(10), record(10));
    ASSERT_TRUE(waitForOutcomes(2));
    ASSERT_EQ(m_outcomes.size(), 2u);
    EXPECT_EQ(m_outcomes[0].id, 7);
    EXPECT_EQ(m_outcomes[1].id, 10);
    EXPECT_EQ(m_outcomes[1].result.value_or(quote::Reply()).field(1), u"/msq?cn_10");
    EXPECT_EQ(m_server.requestCount(), 4);
}

} // namespace
