// The built Quillon against the built quillon-gateway against a scripted feed
// on loopback: the rows and index captions Quillon draws must be exactly
// those it draws when a quote service sends it the expected replies itself.
#include "tests/e2e/desktopharness.h"
#include "tests/gateway/recordedfeed.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>

using namespace e2e;

namespace {

const QMap<QString, QByteArray> kWatchListFiles{
    {"Setting.ini", "600000\r\n000858\r\n000002\r\n002752\r\n600519\r\n510300\r\n"},
    {"Setting2.ini", "10.00\r\n160.00\r\n11.00\r\n6.00\r\n1700\r\n4.000\r\n"},
    {"Setting3.ini", "8.00\r\n140.00\r\n9.00\r\n5.00\r\n1600\r\n3.000\r\n"}};

// The quote area of Quillon's main window as it is drawn now: the index
// captions from 8 pixels down, and the list at 32 pixels, 393 by 192.
QImage quotesArea(const VirtualDisplay& display, const QString& window) {
    return QImage::fromData(display.run("import", {"-window", window, "png:-"}), "PNG")
        .copy(0, 0, 393, 224)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(GatewayEndToEnd, QuillonShowsTheFeedsNamesPricesHighsAndChangesInTheirColours) {
    VirtualDisplay display;
    ASSERT_NO_FATAL_FAILURE(display.start({1280, 800}));

    // Quillon told the expected replies directly: what its rows must look like.
    QMap<QByteArray, ScriptedResponse> expected;
    QHash<QByteArray, ScriptedResponse> feedReplies;
    for (const recorded::Instrument& i : recorded::kInstruments) {
        QByteArrayList fields(12), shown = i.shown.split(',');
        fields[0] = i.symbol, fields[1] = i.symbol.mid(2), fields[2] = gbk::encode(i.name);
        fields[3] = shown[0], fields[4] = shown[1], fields[11] = shown[2];
        expected[recorded::quillonTarget(i)] = ScriptedResponse("'" + fields.join("','") + "'");
        feedReplies["/list=" + i.symbol] = recorded::feedReply(i);
    }
    LoopbackService reference(expected);
    ASSERT_TRUE(reference.listen());
    QImage wanted;
    {
        ProgramRun quillon(display);
        ASSERT_NO_FATAL_FAILURE(quillon.start(reference.url(), kWatchListFiles));
        const QString window = quillon.mainWindow(20000);
        ASSERT_TRUE(
            !window.isEmpty() &&
            waitUntil([&] { return reference.arrivals(quillon.started(), "/msq?").size() >= 8; },
                      20000));
        QTest::qWait(1500);
        wanted = quotesArea(display, window);
    }
    // Drawn at all: the falls in blue (the rises in red, the falls' changes in green).
    const auto* pixels = reinterpret_cast<const QRgb*>(wanted.constBits());
    EXPECT_GT(std::count(pixels, pixels + wanted.width() * wanted.height(), qRgb(0, 0, 255)), 300);

    // The same through the gateway and the feed.
    ScriptedHttpServer feed;
    feed.setHandler(
        [&](const RecordedRequest& request) { return feedReplies.value(request.target); });
    ASSERT_TRUE(feed.listen());
    QProcess gateway;
    gateway.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    gateway.start(QUILLON_GATEWAY_EXECUTABLE,
                  {"--port", "0", "--quiet", "--upstream", feed.baseUrl()});
    static const QRegularExpression listening(R"(listening on (http://127\.0\.0\.1:\d+))");
    QString announced;
    ASSERT_TRUE(waitUntil(
        [&] { return listening.match(announced += gateway.readAllStandardOutput()).hasMatch(); },
        10000))
        << announced.toStdString();

    ProgramRun quillon(display);
    ASSERT_NO_FATAL_FAILURE(quillon.start(listening.match(announced).captured(1), kWatchListFiles));
    const QString window = quillon.mainWindow(20000);
    ASSERT_FALSE(window.isEmpty());
    QImage seen;
    EXPECT_TRUE(waitUntil([&] { return (seen = quotesArea(display, window)) == wanted; }, 20000))
        << "the rows differ from those the expected replies give; saved as gateway-seen.png and "
           "gateway-wanted.png: "
        << (seen.save("gateway-seen.png") && wanted.save("gateway-wanted.png"));
    EXPECT_EQ(feed.connectionCount(), 1);
    EXPECT_EQ(gateway.readAllStandardError(), QByteArray());
}
