// The built Quillon against the built quillon-gateway against a scripted feed
// on loopback: the rows and index captions Quillon draws must be exactly
// those it draws when a quote service sends it the expected replies itself.
#include "quote/gbk.h"
#include "tests/e2e/desktopharness.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

using namespace e2e;

namespace {

const QMap<QString, QByteArray> kWatchListFiles{
    {"Setting.ini", "600000\r\n000858\r\n000002\r\n002752\r\n"},
    {"Setting2.ini", "10.00\r\n160.00\r\n11.00\r\n6.00\r\n"},
    {"Setting3.ini", "8.00\r\n140.00\r\n9.00\r\n5.00\r\n"}};

// The two index captions and the list, in pixels of the window: Label4 and
// Label5 from 8 pixels down, ListView1 at 32 pixels, 393 by 192.
const QRect kQuotesArea(0, 0, 393, 224);

struct Recorded {
    QByteArray symbol;
    const char16_t* name;
    QByteArray prices; // open, previous close, price, high, low
    // What Quillon must be told: price, change, high.
    QByteArrayList shown;
};

const Recorded kRecorded[] = {
    {"sh600000", u"浦发银行", "8.500,8.450,8.600,8.650,8.480", {"8.60", "1.78%", "8.65"}},
    {"sz000858",
     u"五粮液",
     "150.500,150.000,148.120,151.000,147.900",
     {"148.12", "-1.25%", "151.00"}},
    {"sz000002", u"万科Ａ", "0.000,9.800,0.000,0.000,0.000", {"9.80", "0.00%", "9.80"}},
    {"sz002752", u"昇兴股份", "5.600,5.550,5.612,5.700,5.500", {"5.612", "1.12%", "5.70"}},
    {"sh000001",
     u"上证指数",
     "3010.1200,3012.3456,3021.7890,3025.5,3001",
     {"3021.79", "0.31%", "3025.50"}},
    {"sz399001",
     u"深证成指",
     "9900,9928.1000,9876.5400,9950,9860",
     {"9876.54", "-0.52%", "9950.00"}},
};

QByteArray quillonTarget(const QByteArray& symbol) {
    const bool index = symbol == "sh000001" || symbol == "sz399001";
    return (index ? "/msq?zs_" : "/msq?cn_") + symbol.mid(2);
}

// The feed's record, in its documented layout of 33 values.
ScriptedResponse feedRecord(const Recorded& r) {
    ScriptedResponse response("var hq_str_" + r.symbol + "=\"" + gbk::encode(r.name) + "," +
                              r.prices + ",0,0,1200,10320," + QByteArray("100,0,").repeated(10) +
                              "2024-05-17,15:00:00,00\";\n");
    response.headers = {{"Content-Type", "application/javascript; charset=GB18030"}};
    return response;
}

ScriptedResponse expectedReply(const Recorded& r) {
    const QByteArrayList fields = {
        r.symbol, r.symbol.mid(2), gbk::encode(r.name), r.shown[0], r.shown[1], "", "", "", "", "",
        "",       r.shown[2]};
    return ScriptedResponse("'" + fields.join("','") + "'");
}

// The quote area of Quillon's main window as it is drawn now.
QImage quotesArea(const VirtualDisplay& display, const QString& window) {
    return QImage::fromData(display.run("import", {"-window", window, "png:-"}), "PNG")
        .copy(kQuotesArea)
        .convertToFormat(QImage::Format_RGB32);
}

int pixelsNear(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                         std::abs(qBlue(p) - qBlue(colour)) <
                     120;
        }
    return count;
}

} // namespace

TEST(GatewayEndToEnd, QuillonShowsTheFeedsNamesPricesHighsAndChangesInTheirColours) {
    ASSERT_TRUE(gbk::available());
    VirtualDisplay display;
    ASSERT_NO_FATAL_FAILURE(display.start({1280, 800}));

    // Quillon told the expected replies directly: what its rows must look like.
    QMap<QByteArray, ScriptedResponse> expected;
    for (const Recorded& r : kRecorded)
        expected[quillonTarget(r.symbol)] = expectedReply(r);
    LoopbackService reference(expected);
    ASSERT_TRUE(reference.listen());
    QImage wanted;
    {
        QuillonRun quillon(display);
        ASSERT_NO_FATAL_FAILURE(quillon.start(reference.url(), kWatchListFiles));
        const QString window = quillon.mainWindow(20000);
        ASSERT_FALSE(window.isEmpty());
        ASSERT_TRUE(waitUntil(
            [&] { return reference.arrivals(quillon.started(), "/msq?").size() >= 6; }, 20000));
        QTest::qWait(1500);
        wanted = quotesArea(display, window);
    }
    ASSERT_FALSE(wanted.isNull());
    // Rises and the flat suspended stock in red, the fall in blue with its change in green.
    EXPECT_GT(pixelsNear(wanted, qRgb(255, 0, 0)), 200);
    EXPECT_GT(pixelsNear(wanted, qRgb(0, 0, 255)), 50);
    EXPECT_GT(pixelsNear(wanted, qRgb(0, 255, 0)), 20);

    // The same through the gateway and the feed.
    ScriptedHttpServer feed;
    QHash<QByteArray, ScriptedResponse> records;
    for (const Recorded& r : kRecorded)
        records["/list=" + r.symbol] = feedRecord(r);
    feed.setHandler([&](const RecordedRequest& request) { return records.value(request.target); });
    ASSERT_TRUE(feed.listen());
    QProcess gateway;
    gateway.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    gateway.start(QUILLON_GATEWAY_EXECUTABLE,
                  {"--port", "0", "--quiet", "--upstream", feed.baseUrl()});
    QString announced;
    static const QRegularExpression listening(R"(listening on (http://127\.0\.0\.1:\d+))");
    ASSERT_TRUE(waitUntil(
        [&] {
            announced += QString::fromUtf8(gateway.readAllStandardOutput());
            return listening.match(announced).hasMatch();
        },
        10000))
        << announced.toStdString() << gateway.readAllStandardError().constData();

    QuillonRun quillon(display);
    ASSERT_NO_FATAL_FAILURE(quillon.start(listening.match(announced).captured(1), kWatchListFiles));
    const QString window = quillon.mainWindow(20000);
    ASSERT_FALSE(window.isEmpty());
    QImage seen;
    EXPECT_TRUE(waitUntil([&] { return (seen = quotesArea(display, window)) == wanted; }, 20000))
        << "Quillon's rows differ from those the expected replies give; saved both as "
           "gateway-seen.png and gateway-wanted.png"
        << (seen.save("gateway-seen.png") && wanted.save("gateway-wanted.png"));
    EXPECT_GE(feed.requestCount(), 6);
    EXPECT_EQ(feed.connectionCount(), 1);
    const QByteArray problems = gateway.readAllStandardError();
    EXPECT_TRUE(problems.isEmpty()) << problems.constData();
    gateway.kill();
    gateway.waitForFinished();
}
