#include "demo/standinserver.h"
#include "demo/tests/pagetext.h"
#include "quote/gbk.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using standin::StandinServer;

namespace {

struct Fetched {
    int status = 0;
    QByteArray contentType;
    QByteArray body;
};

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "quillon-standin-tests";
        static char* argv[] = {name, nullptr};
        s_app = std::make_unique<QCoreApplication>(argc, argv);
    }
    static void TearDownTestSuite() { s_app.reset(); }

    void SetUp() override { m_network.setProxy(QNetworkProxy::NoProxy); }

    // A real GET over loopback, waited for in a local event loop.
    Fetched get(quint16 port, const QString& pathAndQuery) {
        const QUrl url(u"http://127.0.0.1:"_s + QString::number(port) + pathAndQuery);
        std::unique_ptr<QNetworkReply> reply(m_network.get(QNetworkRequest(url)));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        Fetched result;
        if (!reply->isFinished())
            return result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.contentType = reply->rawHeader("Content-Type");
        result.body = reply->readAll();
        return result;
    }

    static void wait(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    static std::unique_ptr<QCoreApplication> s_app;
    QNetworkAccessManager m_network;
};

std::unique_ptr<QCoreApplication> ServerTest::s_app;

} // namespace

TEST_F(ServerTest, ServesQuotesAndPagesInGbkOverLoopback) {
    StandinServer server(11, 3000);
    const quint16 port = server.listen(0);
    ASSERT_NE(port, 0);

    const Fetched quote = get(port, u"/msq?cn_600000"_s);
    EXPECT_EQ(quote.status, 200);
    EXPECT_EQ(quote.contentType, "text/plain; charset=gbk");
    EXPECT_TRUE(quote.body.contains(QByteArray::fromHex("C6D6B7A2D2F8D0D0")));
    const QStringList fields = standin::test::replyFields(gbk::decode(quote.body));
    EXPECT_EQ(fields.value(2), u"浦发银行"_s);
    EXPECT_TRUE(fields.value(4).endsWith(u'%'));

    const Fetched unknown = get(port, u"/msq?cn_000000"_s);
    EXPECT_EQ(unknown.status, 200);
    EXPECT_TRUE(unknown.body.isEmpty());

    const Fetched risk = get(port, u"/htm/fengxian.htm"_s);
    EXPECT_EQ(risk.status, 200);
    EXPECT_EQ(risk.contentType, "text/html; charset=gbk");
    const QString grade = standin::test::bodyText(gbk::decode(risk.body));
    EXPECT_TRUE(grade == u"高"_s || grade == u"中"_s || grade == u"低"_s) << grade.toStdString();

    const Fetched rumours = get(port, u"/map1.asp?cid=2&page=1"_s);
    EXPECT_TRUE(standin::test::bodyText(gbk::decode(rumours.body)).startsWith(u"传闻"_s));

    const Fetched missing = get(port, u"/no/such/page.htm"_s);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.contentType, "text/html; charset=gbk");
}

TEST_F(ServerTest, PricesStepWhileTheServerRuns) {
    StandinServer server(12, 10);
    const qint64 atStart = server.book().stepCount();
    wait(100);
    // Not listening yet: the walk waits for the server to be up.
    EXPECT_EQ(server.book().stepCount(), atStart);
    ASSERT_NE(server.listen(0), 0);
    wait(300);
    EXPECT_GE(server.book().stepCount(), atStart + 5);
}

TEST_F(ServerTest, APortInUseIsRefused) {
    StandinServer first(1, 3000);
    const quint16 port = first.listen(0);
    ASSERT_NE(port, 0);
    StandinServer second(2, 3000);
    EXPECT_EQ(second.listen(port), 0);
    // The first one is unaffected.
    EXPECT_EQ(get(port, u"/msq?zs_000001"_s).status, 200);
}
