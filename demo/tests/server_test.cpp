#include "demo/standinserver.h"
#include "quote/gbk.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;

// Through Qt's HTTP server over loopback: the raw query reaches the site, and
// status, type and GBK body come back as the site made them.
TEST(StandinServer, ServesQuotesAndPagesInGbkAndStepsPricesWhileListening) {
    int argc = 1;
    char name[] = "quillon-standin-tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    standin::StandinServer server(11, 10);
    const qint64 stepsAtStart = server.book().stepCount();
    const quint16 port = server.listen(0);
    ASSERT_NE(port, 0);

    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    auto get = [&](const QString& target) {
        const QUrl url(u"http://127.0.0.1:"_s + QString::number(port) + target);
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, 5000))
            << url.toString().toStdString();
        return std::tuple(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                          reply->rawHeader("Content-Type"), reply->readAll());
    };

    const auto [quoteStatus, quoteType, quote] = get(u"/msq?cn_600000"_s);
    EXPECT_EQ(quoteStatus, 200);
    EXPECT_EQ(quoteType, "text/plain; charset=gbk");
    EXPECT_TRUE(quote.startsWith("'sh600000','600000','" + QByteArray::fromHex("C6D6B7A2D2F8D0D0")))
        << quote.constData();

    const auto [riskStatus, riskType, risk] = get(u"/htm/fengxian.htm"_s);
    EXPECT_EQ(riskStatus, 200);
    EXPECT_EQ(riskType, "text/html; charset=gbk");
    EXPECT_TRUE(gbk::decode(risk).contains(QRegularExpression(u"<body>[高中低]</body></html>$"_s)));

    EXPECT_EQ(std::get<0>(get(u"/no/such/page.htm"_s)), 404);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return server.book().stepCount() >= stepsAtStart + 5; }, 5000));
}
