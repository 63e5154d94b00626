// The package as installed, used by a new user: Quillon and Tarvex run from
// /usr/bin with no address set, the gateway and the site started as their user
// units say, and behind the gateway a recorded feed on loopback in the
// provider's place. Run by debian_package.sh once the package is installed.
#include "quote/gbk.h"
#include "tests/e2e/desktopharness.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace e2e;
using namespace Qt::StringLiterals;

namespace {

const QString kUnits = "/usr/lib/systemd/user";
const QString kShippedContent = "/usr/share/quillon/site";
const QSize kChartWindow(979, 772); // llq: 14685 x 11580 twips
const QSize kSideWindow(381, 327);  // jujiao
const QSize kNotice(150, 61);       // Tarvex's
// In the main window's client area.
const QPoint kFirstRow(30, 60), kSecondRow(30, 75);
const QPoint kTrackerButton(357, 276);
const QRect kRiskBox(196, 248, 65, 73);   // Frame3
const QRect kPicksLine(16, 264, 169, 25); // Label1 in Frame2
const QRect kListFoot(0, 190, 393, 18);   // above the strip panel, over the list
const QPoint kTarvexBackground(48, 48);
const QRgb kChartInk = qRgb(32, 176, 80);    // the recorded chart image's one colour
const QRgb kStaleLine = qRgb(255, 244, 200); // behind the stale-quote line
const QRgb kRed = qRgb(255, 0, 0);

// The feed's record of one instrument, as of now: name, open, previous
// close, price, high, low, then volumes and the order book, then its date and time.
ScriptedResponse record(const char* symbol, const char16_t* name, const char* numbers) {
    const QDateTime now = QDateTime::currentDateTime().toTimeZone(QTimeZone("Asia/Shanghai"));
    QByteArrayList fields{gbk::encode(name), numbers};
    for (int i = 6; i < 30; ++i)
        fields.append("0");
    fields << now.toString("yyyy-MM-dd").toLatin1() << now.toString("HH:mm:ss").toLatin1() << "00";
    return ScriptedResponse("var hq_str_" + QByteArray(symbol) + "=\"" + fields.join(',') +
                            "\";\n");
}

QByteArray chartImage() {
    QImage image(545, 300, QImage::Format_RGB32);
    image.fill(kChartInk);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Today's items of the live-news feed, as the provider writes them, and one of yesterday's.
QByteArray newsFeed() {
    const QDateTime now = QDateTime::currentDateTime().toTimeZone(QTimeZone("Asia/Shanghai"));
    const auto item = [](int id, const QDateTime& at, const QString& text) {
        return QStringLiteral(R"({"id":%1,"rich_text":"%2","create_time":"%3",)"
                              R"("docurl":"https://finance.sina.com.cn/7x24/doc-%1.shtml"})")
            .arg(id)
            .arg(text, at.toString("yyyy-MM-dd HH:mm:ss"));
    };
    const QStringList items{
        item(3, now.addSecs(-60), u"【半导体板块午后拉升】多股涨停"_s),
        item(2, now.addSecs(-120), u"【光伏概念走强】龙头涨逾5%"_s),
        item(1, now.addDays(-1), u"【昨日消息】不应出现"_s),
    };
    return (u"{\"result\":{\"status\":{\"code\":0,\"msg\":\"\"},\"data\":{\"feed\":{\"list\":["_s +
            items.join(',') + u"]}}}}"_s)
        .toUtf8();
}

const QByteArray kNewsTarget =
    "/api/zhibo/feed?page=1&page_size=20&zhibo_id=152&tag_id=0&dire=f&dpc=1";
// The user's content folder's files for the picks and the rumour page.
const QString kPicksFile = "picks.htm", kRumoursFile = "cid2.htm";

QMap<QByteArray, ScriptedResponse> recordedFeed() {
    return {
        // The Shanghai Composite 1.5 % down on the day: a high risk.
        {"/list=sh000001",
         record("sh000001", u"上证指数", "3040.000,3045.000,2999.325,3050.000,2990.100")},
        {"/list=sz399001",
         record("sz399001", u"深证成指", "10000.000,10010.000,10070.390,10100.000,9990.000")},
        {"/list=sh600000", record("sh600000", u"浦发银行", "10.000,10.100,10.230,10.400,9.980")},
        {"/list=sh600036", record("sh600036", u"招商银行", "35.000,35.100,35.500,35.800,34.900")},
        {"/newchart/min/n/sh600000.gif", ScriptedResponse(chartImage())},
        {kNewsTarget, ScriptedResponse(newsFeed())},
    };
}

// How many of a window's pixels in an area are of one colour.
int pixelsOf(const QImage& window, const QRect& area, QRgb colour) {
    int count = 0;
    const QRect inside = area & window.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += (window.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return count;
}

// The rightmost column in an area that holds a pixel of that colour; -1 when none.
int lastColumnOf(const QImage& window, const QRect& area, QRgb colour) {
    for (int x = area.right(); x >= area.left(); --x)
        if (pixelsOf(window, QRect(x, area.top(), 1, area.height()), colour) > 0)
            return x;
    return -1;
}

class InstalledEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists("/usr/bin/quillon-site")) << "install the package first";
        ASSERT_EQ(m_display.start({1280, 800}), "");
        ASSERT_TRUE(m_feed.listen());
        ASSERT_TRUE(QDir(m_quillon.home()).mkpath("data/quillon/site"));
        ASSERT_TRUE(giveToProgramUser({m_quillon.home()}));
        const QString feed = m_feed.url();
        startUnit(m_gateway, "quillon-gateway",
                  {"--upstream", feed, "--chart-upstream", feed, "--news-upstream", feed});
        startUnit(m_site, "quillon-site", {});
    }

    // A server as its socket unit and service unit start it, on the first
    // request, as the programs' user with the programs' home.
    void startUnit(QProcess& process, const QString& unit, const QStringList& extra) {
        const auto line = [&](const QString& file, const QString& key) {
            QFile in(kUnits + "/" + file);
            EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << file.toStdString();
            for (const QString& entry : QString::fromUtf8(in.readAll()).split('\n'))
                if (entry.startsWith(key + "="))
                    return entry.mid(key.size() + 1);
            return QString();
        };
        // The activator hands its program only the environment it is told to.
        QStringList command{
            "systemd-socket-activate",  "-l", line(unit + ".socket", "ListenStream"),       "-E",
            "HOME=" + m_quillon.home(), "-E", "XDG_DATA_HOME=" + m_quillon.home() + "/data"};
        command << line(unit + ".service", "ExecStart").split(' ', Qt::SkipEmptyParts) << extra;
        command = asProgramUser(command);
        QProcessEnvironment environment;
        environment.insert("PATH", "/usr/bin:/bin");
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command.first(), command.mid(1));
        ASSERT_TRUE(process.waitForStarted(10000)) << unit.toStdString();
    }

    // The user publishes a page by putting a file into their own content folder.
    void publish(const QString& file, const QString& page) {
        QFile out(m_quillon.home() + "/data/quillon/site/" + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(page.toUtf8()) > 0);
        out.close();
        ASSERT_TRUE(giveToProgramUser({out.fileName()}));
    }

    // Waits until a screenshot of the window passes the test.
    bool seen(const QString& window, const std::function<bool(const QImage&)>& wanted,
              int timeoutMs) const {
        return waitUntil([&] { return wanted(m_display.shot(window)); }, timeoutMs);
    }

    void TearDown() override {
        if (HasFailure())
            m_display.shot("root").save(QDir::temp().filePath("quillon-installed-failure.png"));
        for (QProcess* server : {&m_gateway, &m_site}) {
            server->kill();
            server->waitForFinished(5000);
            if (HasFailure())
                std::cerr << server->readAll().toStdString();
        }
    }

    VirtualDisplay m_display;
    LoopbackService m_feed{recordedFeed()};
    ProgramRun m_quillon{m_display, "/usr/bin/Quillon"};
    QProcess m_gateway;
    QProcess m_site;
};

} // namespace

TEST_F(InstalledEndToEnd, PagesBesideARealPriceComeFromTheFeedOrThePublisherAndStaleQuotesSaySo) {
    ProgramRun tarvex(m_display, "/usr/bin/Tarvex", kTarvexCaption);
    ASSERT_NO_FATAL_FAILURE(m_quillon.startInstalled({{"Setting.ini", "600000\r\n600036\r\n"},
                                                      {"Setting2.ini", "11\r\n40\r\n"},
                                                      {"Setting3.ini", "9\r\n30\r\n"}}));
    ASSERT_NO_FATAL_FAILURE(tarvex.startInstalled());
    const QString main = m_quillon.mainWindow(60000), viewer = tarvex.mainWindow(60000);
    ASSERT_FALSE(main.isEmpty() || viewer.isEmpty()) << "no main windows";
    const QPoint at = m_display.window(main).value_or(WindowState{}).position;
    // Tarvex reloads its rumour page every minute from now on: "1分钟" in its menu.
    m_display.choose(m_display.window(viewer).value_or(WindowState{}).position + kTarvexBackground,
                     2);
    // Tarvex opens at the screen's corner, over part of Quillon's list when it
    // was mapped last: with no window manager, nothing keeps Quillon on top.
    QTest::qWait(700);
    m_display.run("xdotool", {"windowraise", main});

    // The risk grade follows the recorded Shanghai Composite, down 1.5 %: a red 高.
    EXPECT_TRUE(seen(
        main, [](const QImage& w) { return pixelsOf(w, kRiskBox, kRed) > 30; }, 30000))
        << "no red grade in the risk box";
    // Until a publisher publishes picks, the box keeps its caption.
    const int captionEnd = lastColumnOf(m_display.shot(main), kPicksLine, kRed);

    // 查看分时 from the list's menu, for one row. Keys typed while the menu is
    // still on its way go astray without a window manager: then once more.
    const auto openChart = [&](QPoint row) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_display.click(at + row);
            QTest::qWait(700);
            m_display.choose(at + row, 3);
            if (QString found = m_quillon.windowOfSize(kChartWindow, 10000); !found.isEmpty())
                return found;
            m_display.run("xdotool", {"key", "Escape"});
        }
        return QString();
    };
    // The chart of the first row: the provider's image through the gateway.
    QString chart = openChart(kFirstRow);
    ASSERT_FALSE(chart.isEmpty()) << "no chart window";
    EXPECT_TRUE(seen(
        chart, [](const QImage& w) { return pixelsOf(w, w.rect(), kChartInk) > 50000; }, 30000))
        << "the recorded chart image is not shown";
    // The second row's image cannot be had: the chart is drawn from the quotes
    // the gateway fetched, not from the image. Without a window manager the
    // chart window lies over the main window until it is closed.
    m_display.sendCloseRequest(chart);
    ASSERT_TRUE(waitUntil([&] { return !m_display.outer(chart); }, 10000));
    chart = openChart(kSecondRow);
    ASSERT_FALSE(chart.isEmpty()) << "no chart window for the second row";
    EXPECT_TRUE(seen(
        chart,
        [](const QImage& w) {
            return pixelsOf(w, w.rect(), kChartInk) == 0 &&
                   pixelsOf(w, w.rect(), qRgb(255, 255, 255)) < w.width() * w.height();
        },
        30000))
        << "the drawn chart did not replace the image";
    EXPECT_FALSE(m_feed.arrivals(m_quillon.started(), "/newchart/min/n/sh600036").isEmpty());
    m_display.sendCloseRequest(chart);
    ASSERT_TRUE(waitUntil([&] { return !m_display.outer(chart); }, 10000));

    // The tracker lists today's items of the recorded live-news feed, in red.
    m_display.click(at + kTrackerButton);
    const QString tracker = m_quillon.windowOfSize(kSideWindow, 30000);
    ASSERT_FALSE(tracker.isEmpty()) << "no tracker window";
    EXPECT_TRUE(seen(
        tracker, [](const QImage& w) { return pixelsOf(w, QRect(0, 0, 377, 60), kRed) > 100; },
        30000))
        << "the tracker lists nothing";
    m_display.sendCloseRequest(tracker);

    // The user publishes today's picks; the next click in the list shows them.
    publish(kPicksFile, "<html><head><meta charset=\"utf-8\"></head><body>" +
                            QDate::currentDate().toString("MM-dd") +
                            "日荐股①600519 ②000858 ③300750</body></html>");
    m_display.click(at + kFirstRow);
    EXPECT_TRUE(seen(
        main, [&](const QImage& w) { return lastColumnOf(w, kPicksLine, kRed) > captionEnd + 16; },
        20000))
        << "the published picks are not shown";

    // The feed stops answering: the stale-quote line comes within two ticks,
    // and the first good tick takes it away.
    ScriptedResponse dropped;
    dropped.mode = ScriptedResponse::Mode::CloseWithoutReply;
    for (const char* symbol : {"sh000001", "sz399001", "sh600000", "sh600036"})
        m_feed.answer("/list="_ba + symbol, dropped);
    const auto stale = [](const QImage& w) {
        return pixelsOf(w, kListFoot, kStaleLine) > 500;
    };
    EXPECT_TRUE(seen(main, stale, 2 * 8000 + 10000)) << "no stale-quote line";
    for (const char* symbol : {"sh000001", "sz399001", "sh600000", "sh600036"})
        m_feed.answer("/list="_ba + symbol, recordedFeed()["/list="_ba + symbol]);
    EXPECT_TRUE(seen(
        main, [&](const QImage& w) { return !stale(w); }, 8000 + 10000))
        << "the stale-quote line stayed after the feed came back";

    // A rumour page of the user's replaces the shipped one, whose head says
    // nothing; Tarvex's next timed reload notices the new head.
    publish(kRumoursFile, "<html><head><meta charset=\"utf-8\"></head><body>"
                          "传闻：本地发布者的第一条传闻</body></html>");
    const QString notice = tarvex.windowOfSize(kNotice, 75000);
    ASSERT_FALSE(notice.isEmpty()) << "no notice of the published rumour page within a reload";
    // In the screen's corner, 400 twips (27 px) above its bottom.
    EXPECT_TRUE(m_display.outerMeets(notice, [](const QRect& frame) {
        return frame.right() == 1279 && frame.bottom() == 800 - 27 - 1;
    }));
}
