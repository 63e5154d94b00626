#include "quote/quotefetcher.h"

#include "tests/support/scriptedhttpserver.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Mode = ScriptedResponse::Mode;

// Generous: the machine is shared, and a wait only lasts this long when a test fails.
constexpr int kWaitMs = 10000;

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = kWaitMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

ScriptedResponse reply(QByteArray body, int delayMs = 0) {
    ScriptedResponse response;
    response.body = std::move(body);
    response.delayMs = delayMs;
    return response;
}

std::string stockTarget(int n) {
    return "/msq?cn_" + std::to_string(n);
}

// The callbacks of one test, in the order they ran.
struct Outcome {
    int id;
    QuoteFetcher::Result result;
};

class QuoteFetcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.listen()); }

    QuoteFetcher::Callback record(int id) {
        return [this, id](const QuoteFetcher::Result& result) {
            m_outcomes.push_back({id, result});
        };
    }
    bool waitForOutcomes(std::size_t count) {
        return waitUntil([&] { return m_outcomes.size() >= count; });
    }

    ScriptedHttpServer m_server;
    std::vector<Outcome> m_outcomes;
};

TEST_F(QuoteFetcherTest, GbkReplyIsDecodedAndSplit) {
    m_server.setHandler([](const RecordedRequest&) {
        return reply("'cn_600000','600000','\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0','7.50','-1.20%',"
                     "'7.61','7.59','7.49','100','200','0','7.66'");
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetchStock(QStringLiteral("600000"), record(0));
    ASSERT_TRUE(waitForOutcomes(1));

    const QuoteFetcher::Result& result = m_outcomes[0].result;
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->field(quote::kNameField), u"浦发银行");
    EXPECT_EQ(result->field(quote::kPriceField), u"7.50");
    EXPECT_EQ(result->field(quote::kChangeField), u"-1.20%");
    EXPECT_EQ(result->field(quote::kHighField), u"7.66");
    EXPECT_TRUE(fetcher.isIdle());

    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/msq?cn_600000");
}

TEST_F(QuoteFetcherTest, CodesReachTheWireAsOneRequestWithAnEncodedTarget) {
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetchStock(QStringLiteral("600000"), record(0));
    fetcher.fetchStock(QString(), record(1));
    fetcher.fetchStock(QStringLiteral("600000\r\nX-Injected: 1\r\n\r\nGET /evil#frag x"),
                       record(2));
    fetcher.fetchStock(QStringLiteral("浦发 A"), record(3));
    fetcher.fetch(std::string(quote::kShenzhenIndexTarget), record(4));
    ASSERT_TRUE(waitForOutcomes(5));
    for (const Outcome& outcome : m_outcomes)
        EXPECT_TRUE(outcome.result.has_value()) << "request " << outcome.id;

    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 5);
    EXPECT_EQ(requests[0].target, "/msq?cn_600000");
    EXPECT_EQ(requests[1].target, "/msq?cn_");
    EXPECT_EQ(requests[2].target,
              "/msq?cn_600000%0D%0AX-Injected:%201%0D%0A%0D%0AGET%20/evil%23frag%20x");
    EXPECT_EQ(requests[3].target, "/msq?cn_%C6%D6%B7%A2%20A");
    EXPECT_EQ(requests[4].target, "/msq?zs_399001");
    for (const RecordedRequest& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_FALSE(request.hasHeader("X-Injected")) << request.target.constData();
    }
}

TEST_F(QuoteFetcherTest, ResultsComeInRequestOrderWithOneRequestInFlight) {
    // Later requests are answered faster, so any overlap would reorder the results.
    const int delays[] = {400, 50, 250, 0, 150, 0};
    m_server.setHandler([&delays](const RecordedRequest& request) {
        const int n = request.target.mid(8).toInt();
        return reply("reply," + QByteArray::number(n), delays[n]);
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    for (int n = 0; n < 5; ++n) {
        fetcher.fetch(stockTarget(n), [this, n, &fetcher](const QuoteFetcher::Result& result) {
            m_outcomes.push_back({n, result});
            if (n == 0) // queued from a callback: it goes behind the ones already waiting
                fetcher.fetch(stockTarget(5), record(5));
        });
    }
    ASSERT_TRUE(waitForOutcomes(6));

    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(m_outcomes[n].id, n);
        ASSERT_TRUE(m_outcomes[n].result.has_value());
        EXPECT_EQ(m_outcomes[n].result->field(1), std::u16string(1, char16_t(u'0' + n)));
    }
    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 6);
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(requests[n].target, QByteArray::fromStdString(stockTarget(n)));
        ASSERT_GE(requests[n].answeredMs, 0);
        if (n > 0) {
            EXPECT_GE(requests[n].arrivedMs, requests[n - 1].answeredMs) << "request " << n;
        }
    }
}

TEST_F(QuoteFetcherTest, SlowReplyTimesOutAndTheNextRequestStillRuns) {
    m_server.setHandler([](const RecordedRequest& request) {
        ScriptedResponse response = reply("fast,reply");
        if (request.target == "/msq?cn_0")
            response.mode = Mode::Hang;
        return response;
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.setTimeout(300);
    QElapsedTimer clock;
    clock.start();
    fetcher.fetch(stockTarget(0), record(0));
    fetcher.fetch(stockTarget(1), record(1));

    ASSERT_TRUE(waitForOutcomes(1));
    const qint64 failedAfterMs = clock.elapsed();
    EXPECT_FALSE(m_outcomes[0].result.has_value());
    EXPECT_GE(failedAfterMs, 250);
    EXPECT_LT(failedAfterMs, 4000);

    ASSERT_TRUE(waitForOutcomes(2));
    ASSERT_TRUE(m_outcomes[1].result.has_value());
    EXPECT_EQ(m_outcomes[1].result->field(1), u"reply");
}

TEST_F(QuoteFetcherTest, AReplyThatDripsInIsHeldNoLongerThanTheTimeOut) {
    // A byte every 100 ms never leaves the line silent, yet takes 4 s in all.
    m_server.setHandler([](const RecordedRequest&) {
        ScriptedResponse response = reply(QByteArray(40, 'x'));
        response.mode = Mode::Chunked;
        response.chunkBytes = 1;
        response.chunkIntervalMs = 100;
        return response;
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.setTimeout(500);
    QElapsedTimer clock;
    clock.start();
    fetcher.fetch(stockTarget(0), record(0));
    ASSERT_TRUE(waitForOutcomes(1));
    EXPECT_FALSE(m_outcomes[0].result.has_value());
    EXPECT_LT(clock.elapsed(), 2500);
}

TEST_F(QuoteFetcherTest, RefusedConnectionFails) {
    // A port that was just ours and has nothing listening any more.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();

    QuoteFetcher fetcher(QStringLiteral("http://127.0.0.1:") + QString::number(port));
    fetcher.fetch(stockTarget(0), record(0));
    ASSERT_TRUE(waitForOutcomes(1));
    EXPECT_FALSE(m_outcomes[0].result.has_value());
}

TEST_F(QuoteFetcherTest, UnusableBaseUrlFailsLaterAndInOrder) {
    QuoteFetcher fetcher(QStringLiteral("http://127.0.0.1:99999"));
    for (int n = 0; n < 3; ++n)
        fetcher.fetch(stockTarget(n), record(n));
    // Never from inside fetch(): the caller may still be setting up.
    EXPECT_TRUE(m_outcomes.empty());
    ASSERT_TRUE(waitForOutcomes(3));
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(m_outcomes[n].id, n);
        EXPECT_FALSE(m_outcomes[n].result.has_value());
    }
    EXPECT_TRUE(fetcher.isIdle());
}

TEST_F(QuoteFetcherTest, TruncatedReplyFails) {
    m_server.setHandler([](const RecordedRequest&) {
        ScriptedResponse response = reply("'cn_600000','600000','x','7.50'");
        response.mode = Mode::Truncated;
        return response;
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetch(stockTarget(0), record(0));
    ASSERT_TRUE(waitForOutcomes(1));
    EXPECT_FALSE(m_outcomes[0].result.has_value());
}

// The service's error page is split like any reply; which status it came with
// does not matter.
TEST_F(QuoteFetcherTest, ErrorPageBodyIsStillTheReply) {
    const int statuses[] = {400, 403, 404, 410, 418, 500, 501, 503, 599};
    m_server.setHandler([&statuses](const RecordedRequest& request) {
        ScriptedResponse response = reply("<html>error,page,'" + request.target.mid(8) + "'");
        response.status = statuses[request.target.mid(8).toInt()];
        return response;
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    for (int n = 0; n < int(std::size(statuses)); ++n)
        fetcher.fetch(stockTarget(n), record(n));
    ASSERT_TRUE(waitForOutcomes(std::size(statuses)));
    for (int n = 0; n < int(std::size(statuses)); ++n) {
        EXPECT_TRUE(m_outcomes[n].result.has_value()) << "HTTP " << statuses[n];
        if (m_outcomes[n].result) {
            EXPECT_EQ(m_outcomes[n].result->field(2), QString::number(n).toStdU16String());
        }
    }
}

TEST_F(QuoteFetcherTest, ReplyOfExactlyTheCapIsKeptOneByteMoreFails) {
    m_server.setHandler([](const RecordedRequest& request) {
        const qsizetype size = QuoteFetcher::kMaxReplyBytes + (request.target == "/msq?cn_1");
        return reply("a," + QByteArray(size - 2, 'x'));
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetch(stockTarget(0), record(0));
    fetcher.fetch(stockTarget(1), record(1));
    ASSERT_TRUE(waitForOutcomes(2));
    ASSERT_TRUE(m_outcomes[0].result.has_value());
    EXPECT_EQ(m_outcomes[0].result->field(1)->size(),
              std::size_t(QuoteFetcher::kMaxReplyBytes - 2));
    EXPECT_FALSE(m_outcomes[1].result.has_value());
}

TEST_F(QuoteFetcherTest, GrowingChunkedReplyFailsAndIsNotReadToTheEnd) {
    // 1 MiB in 16 KiB chunks, one every 20 ms: over a second for all of it.
    const QByteArray body(1024 * 1024, ',');
    m_server.setHandler([&body](const RecordedRequest&) {
        ScriptedResponse response = reply(body);
        response.mode = Mode::Chunked;
        response.chunkBytes = 16 * 1024;
        response.chunkIntervalMs = 20;
        return response;
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetch(stockTarget(0), record(0));
    ASSERT_TRUE(waitForOutcomes(1));
    EXPECT_FALSE(m_outcomes[0].result.has_value());

    ASSERT_TRUE(waitUntil([&] { return m_server.requests().value(0).peerClosedEarly; }));
    EXPECT_LT(m_server.requests()[0].bodyBytesSent, body.size() / 2);
}

TEST_F(QuoteFetcherTest, BodiesThatAreNotGbkStillGiveAReply) {
    std::mt19937 random(20240506);
    QByteArray noise(8192, '\0');
    for (char& byte : noise)
        byte = char(random() & 0xFF);
    noise[100] = ','; // at least one split, wherever the noise lands
    const QByteArray utf8 = QStringLiteral("浦发银行,7.50,新希望").toUtf8();

    m_server.setHandler([&](const RecordedRequest& request) {
        return reply(request.target == "/msq?cn_0" ? noise : utf8);
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    fetcher.fetch(stockTarget(0), record(0));
    fetcher.fetch(stockTarget(1), record(1));
    ASSERT_TRUE(waitForOutcomes(2));
    ASSERT_TRUE(m_outcomes[0].result.has_value());
    EXPECT_GE(m_outcomes[0].result->fieldCount(), 2u);
    ASSERT_TRUE(m_outcomes[1].result.has_value());
    EXPECT_EQ(m_outcomes[1].result->fieldCount(), 3u);
    EXPECT_EQ(m_outcomes[1].result->field(1), u"7.50");
}

TEST_F(QuoteFetcherTest, CancelAllDropsInFlightAndQueuedRequests) {
    m_server.setHandler([](const RecordedRequest& request) {
        return reply("reply," + request.target, request.target == "/msq?cn_9" ? 0 : 300);
    });
    QuoteFetcher fetcher(m_server.baseUrl());
    for (int n = 0; n < 3; ++n)
        fetcher.fetch(stockTarget(n), record(n));
    ASSERT_TRUE(waitUntil([&] { return m_server.requestCount() == 1; }));
    fetcher.cancelAll();
    EXPECT_TRUE(fetcher.isIdle());

    // The server sees the aborted request's connection go before it answers.
    ASSERT_TRUE(waitUntil([&] { return m_server.requests()[0].peerClosedEarly; }));
    fetcher.fetch(stockTarget(9), record(9));
    ASSERT_TRUE(waitForOutcomes(1));
    ASSERT_EQ(m_outcomes.size(), 1u);
    EXPECT_EQ(m_outcomes[0].id, 9);
    ASSERT_TRUE(m_outcomes[0].result.has_value());
    EXPECT_EQ(m_outcomes[0].result->field(1), u"/msq?cn_9");

    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[1].target, "/msq?cn_9");
}

TEST_F(QuoteFetcherTest, DestroyingTheFetcherMidRequestRunsNoCallback) {
    m_server.setHandler([](const RecordedRequest&) { return reply("late,reply", 300); });
    auto fetcher = std::make_unique<QuoteFetcher>(m_server.baseUrl());
    fetcher->fetch(stockTarget(0), record(0));
    fetcher->fetch(stockTarget(1), record(1));
    ASSERT_TRUE(waitUntil([&] { return m_server.requestCount() == 1; }));
    fetcher.reset();

    ASSERT_TRUE(waitUntil([&] { return m_server.requests()[0].peerClosedEarly; }));
    EXPECT_TRUE(m_outcomes.empty());
    EXPECT_EQ(m_server.requestCount(), 1);
}

// A caller may close its window, and so drop its fetcher, from a result.
TEST_F(QuoteFetcherTest, CallbackMayDestroyTheFetcher) {
    m_server.setHandler(
        [](const RecordedRequest& request) { return reply("reply," + request.target); });
    auto* fetcher = new QuoteFetcher(m_server.baseUrl());
    fetcher->fetch(stockTarget(0), [&](const QuoteFetcher::Result& result) {
        m_outcomes.push_back({0, result});
        delete fetcher;
    });
    fetcher->fetch(stockTarget(1), record(1));
    ASSERT_TRUE(waitForOutcomes(1));

    QuoteFetcher next(m_server.baseUrl());
    next.fetch(stockTarget(2), record(2));
    ASSERT_TRUE(waitForOutcomes(2));
    ASSERT_EQ(m_outcomes.size(), 2u);
    EXPECT_EQ(m_outcomes[1].id, 2);
    ASSERT_TRUE(m_outcomes[1].result.has_value());
    EXPECT_EQ(m_outcomes[1].result->field(1), u"/msq?cn_2");
    EXPECT_EQ(m_server.requestCount(), 2);
}

TEST_F(QuoteFetcherTest, SequentialRequestsShareOneConnection) {
    m_server.setHandler([](const RecordedRequest&) { return reply("a,b,c"); });
    QuoteFetcher fetcher(m_server.baseUrl());
    constexpr int kRequests = 20;
    for (int n = 0; n < kRequests; ++n)
        fetcher.fetch(stockTarget(n), record(n));
    ASSERT_TRUE(waitForOutcomes(kRequests));
    for (const Outcome& outcome : m_outcomes)
        EXPECT_TRUE(outcome.result.has_value());
    EXPECT_EQ(m_server.requestCount(), kRequests);
    EXPECT_EQ(m_server.connectionCount(), 1);
}

} // namespace
