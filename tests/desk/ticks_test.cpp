#include "desk/alertmonitor.h"
#include "desk/alertpopup.h"
#include "desk/deskrules.h"
#include "desk/refreshcycle.h"
#include "desk/watchlistmodel.h"
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray stockReply(const QString& name, const char* price, const char* change,
                      const char* high) {
    return "'sh','x','" + gbk::encode(name) + "','" + price + "','" + change +
           "','o','p','b','a','v','m','" + high + "'";
}

// The two ticks over the watch list, the refresh and the price alerts, each
// with fetchers of its own, against a quote service on loopback whose answers
// the test sets per request target.
class TickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.listen());
        const auto fetcher = [this] {
            return new HttpQueue(&m_http, m_server.baseUrl(), &m_list);
        };
        m_cycle =
            new RefreshCycle(&m_list, &m_shanghai, &m_shenzhen, fetcher(), fetcher(), &m_list);
        m_monitor = new AlertMonitor(&m_list, &m_window, &m_timer, fetcher(), &m_list);
        m_timer.setInterval(std::chrono::minutes(1)); // the test ticks the monitor itself
    }

    template <typename Ticker> void runTick(Ticker* ticker) {
        QSignalSpy finished(ticker, &Ticker::tickFinished);
        ticker->tick();
        ASSERT_TRUE(!finished.isEmpty() || finished.wait(5000)); // an empty list may end at once
    }

    // The request targets in the order they came, a request Qt sent again at
    // once when its connection dropped counted once.
    QList<QByteArray> targets() const {
        QList<QByteArray> result;
        for (const RecordedRequest& request : m_server.requests())
            if (result.isEmpty() || result.last() != request.target)
                result.append(request.target);
        return result;
    }

    // A row's texts, column by column, as the list shows them.
    QString cells(int i) const {
        QStringList result;
        for (int c = 0; c < desk::ColumnCount; ++c)
            result.append(m_list.index(i, c).data().toString());
        return result.join('|');
    }
    QBrush foreground(int i, int c) const {
        return m_list.index(i, c).data(Qt::ForegroundRole).value<QBrush>();
    }
    // An index label's text and the colour it draws it in.
    static QString index(const QLabel& label) {
        return label.text() + " in " + label.palette().color(QPalette::WindowText).name();
    }
    // The showing popup's code, name, price, threshold caption and threshold.
    QStringList shown() const {
        const AlertPopup* popup = m_monitor->popup();
        QStringList texts;
        for (const char* name : {"Text1", "Text2", "Text3", "Label4", "Text4"})
            if (popup && popup->isVisible())
                texts.append(popup->findChild<QWidget*>(name)->property("text").toString());
        return texts;
    }

    ScriptedHttpServer m_server;
    HttpClient m_http;
    ResponsesByTarget m_replies{m_server};
    QTimer m_timer;   // outlives the list, which deletes the monitor
    QWidget m_window; // the popup's main window
    desk::WatchListModel m_list;
    QLabel m_shanghai;
    QLabel m_shenzhen;
    RefreshCycle* m_cycle = nullptr;
    AlertMonitor* m_monitor = nullptr;
};

} // namespace

TEST_F(TickTest, ATickFillsEveryRowThenBothIndexesAndFailedFetchesKeepWhatTheyShowed) {
    QSignalSpy picksDue(m_cycle, &RefreshCycle::picksReloadDue);
    m_list.append({{"600000", "10.5", "9.5"}, {"000858", "现价的5%", ""}, {"C", "", ""}},
                  {.name = "待命"});
    m_replies.set("/msq?cn_600000", stockReply("浦发银行", "10.23", "-1.25%", "10.40"));
    m_replies.set("/msq?cn_000858", stockReply("五粮液", "150.00", "0.00%", "151.2"));
    m_replies.set("/msq?cn_C", stockReply("丙", "3.00", "3.00%", "3.30"));
    m_replies.set("/msq?zs_399001", "'','','','10234.56','-0.52%'");
    m_replies.set("/msq?zs_000001", "x,x,x,'3089.26','0.31%'");
    m_cycle->setClock([] { return QTime(9, 15, 3); });
    QSignalSpy changed(&m_list, &QAbstractItemModel::dataChanged);
    runTick(m_cycle);

    EXPECT_EQ(picksDue.count(), 1);
    EXPECT_EQ(changed.count(), 3); // one repaint per row, not per cell
    EXPECT_EQ(cells(0), "600000|浦发银行|10.23|10.40|-1.25%|10.5|9.5");
    // Which colour a change gives is the rules' own test; here, which cells take it.
    for (int c = desk::CodeColumn; c <= desk::HighColumn; ++c)
        EXPECT_EQ(foreground(0, c).color(), desk::kBlue) << c;
    EXPECT_EQ(foreground(0, desk::ChangeColumn).color(), desk::kGreen);
    // The price columns keep the list's own colour.
    EXPECT_EQ(foreground(0, desk::TakeProfitColumn).style(), Qt::NoBrush);
    EXPECT_EQ(index(m_shenzhen), "深证成指  10234.56 -0.52% in " + desk::kGreen.name());
    EXPECT_EQ(index(m_shanghai), "上证指数  3089.26 0.31% in " + desk::kRed.name());

    // Now 600000's service breaks, 000858 answers too short to carry a change
    // or a high, C's reply is an error page with no commas, and Shenzhen's service breaks.
    m_replies["/msq?cn_600000"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    m_replies.set("/msq?cn_000858", "'sz','000858','" + gbk::encode(u"五粮液液") + "','149.00'");
    m_replies.set("/msq?cn_C", "Internal error");
    m_replies["/msq?cn_C"].status = 500;
    m_replies["/msq?zs_399001"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    m_replies.set("/msq?zs_000001", "x,x,x,'2990.00','-0.10%'");
    runTick(m_cycle);

    EXPECT_EQ(cells(0), "600000|浦发银行|10.23|10.40|-1.25%|10.5|9.5");
    EXPECT_EQ(foreground(0, desk::CodeColumn).color(), desk::kBlue);
    EXPECT_EQ(cells(1), "000858|五粮液液|149.00|151.2|0.00%|现价的5%|");
    EXPECT_EQ(cells(2), "C|丙|3.00|3.30|3.00%||");
    EXPECT_EQ(foreground(2, desk::CodeColumn).color(), desk::kRed);
    // A failed index empties its numbers but keeps its colour; the other turns.
    EXPECT_EQ(index(m_shenzhen), "深证成指    in " + desk::kGreen.name());
    EXPECT_EQ(index(m_shanghai), "上证指数  2990.00 -0.10% in " + desk::kGreen.name());

    // One price in a tick is enough to count as current. Then every request
    // fails, or gets the empty answer a gateway gives while its feed is out of
    // reach: the window says since when (the last tick with a price), once,
    // and the first tick with a price again takes the line away.
    QSignalSpy stale(m_cycle, &RefreshCycle::staleLineChanged);
    m_cycle->setClock([] { return QTime(10, 31, 5); });
    changed.clear();
    runTick(m_cycle); // the same replies: nothing changed, nothing to repaint
    EXPECT_EQ(changed.count(), 0);
    m_replies.set("/msq?cn_000858", "");
    m_replies.set("/msq?cn_C", "");
    m_replies.set("/msq?zs_000001", "'','','',''");
    m_cycle->setClock([] { return QTime(10, 31, 13); });
    runTick(m_cycle);
    runTick(m_cycle);
    ASSERT_EQ(stale.count(), 1);
    EXPECT_EQ(stale[0][0].toString(), "行情未更新 10:31:05 起");
    EXPECT_EQ(cells(1), "000858|五粮液液|149.00|151.2|0.00%|现价的5%|");
    m_replies["/msq?cn_600000"].mode = ScriptedResponse::Mode::Normal;
    runTick(m_cycle);
    ASSERT_EQ(stale.count(), 2);
    EXPECT_EQ(stale[1][0].toString(), "");
}

TEST_F(TickTest, TicksNeverOverlapAndARowEditedMidTickNeverGetsAnotherRowsReply) {
    m_list.append({{"A", "", ""}, {"B", "", ""}, {"C", "", ""}}, {.name = "待命"});
    m_replies.set("/msq?cn_A", stockReply("甲", "1.00", "1.00%", "1.10"), 300);
    m_replies.set("/msq?cn_B", stockReply("乙", "2.00", "2.00%", "2.20"));
    m_replies.set("/msq?cn_C", stockReply("丙", "3.00", "3.00%", "3.30"));
    m_replies.set("/msq?cn_D", stockReply("丁", "4.00", "4.00%", "4.40"));

    QSignalSpy finished(m_cycle, &RefreshCycle::tickFinished);
    m_cycle->tick();
    // While A's quote is on its way, the timer fires twice more, and the user
    // deletes A and B and adds D.
    ASSERT_TRUE(QTest::qWaitFor([&] { return targets().size() == 1; }, 2000));
    m_cycle->tick();
    m_cycle->tick();
    for (const desk::WatchListModel::RowId id : m_list.rowIds().first(2))
        m_list.remove(id);
    m_list.append({"D", "", ""});
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(m_list.rowCount(), 2);
    EXPECT_EQ(cells(0), "C|丙|3.00|3.30|3.00%||");
    EXPECT_EQ(cells(1), "D||||||"); // D waits for the next tick

    // The two missed ticks make one, which starts after the first tick's last answer.
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, 5000));
    EXPECT_FALSE(m_cycle->isRunning()); // a third would have started as the second ended
    EXPECT_EQ(targets(),
              (QList<QByteArray>{"/msq?cn_A", "/msq?cn_C", "/msq?zs_399001", "/msq?zs_000001",
                                 "/msq?cn_C", "/msq?cn_D", "/msq?zs_399001", "/msq?zs_000001"}));
    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 8);
    EXPECT_GE(requests[4].arrivedMs, requests[3].answeredMs);
    EXPECT_EQ(cells(1), "D|丁|4.00|4.40|4.00%||");
}

TEST_F(TickTest, ATickChecksEveryRowInOrderThePopupShowsTheLastAlertAndItsButtonsWork) {
    runTick(m_monitor); // an empty list: no request, no popup
    EXPECT_TRUE(targets().isEmpty() && !m_monitor->popup());

    // The first row's price lies between its thresholds: both alerts. The
    // second row's fetch fails; the third's price equals its stop-loss: nothing.
    m_list.append({{"600000", "9", "11"},
                   {"000001", "12", "10"},
                   {"600519", "1800", "1500"},
                   {"000858", "160", "130"}});
    m_list.setQuote(m_list.idAt(0), {.name = "浦发银行"});
    m_list.setQuote(m_list.idAt(3), {.name = "五粮液"});
    m_replies.set("/msq?cn_600000", stockReply("n", "10.00", "0%", ""));
    m_replies["/msq?cn_000001"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    m_replies.set("/msq?cn_600519", stockReply("n", "1500.00", "0%", ""));
    m_replies.set("/msq?cn_000858", stockReply("n", "'129.99'", "0%", ""));
    runTick(m_monitor);
    EXPECT_EQ(shown(), (QStringList{"000858", "五粮液", "129.99", "止损价：", "130"}));
    EXPECT_EQ(targets(), (QList<QByteArray>{"/msq?cn_600000", "/msq?cn_000001", "/msq?cn_600519",
                                            "/msq?cn_000858"}));

    // The lower row quiet again: the upper row's stop-loss alert comes last.
    m_replies.set("/msq?cn_000858", stockReply("n", "150", "0%", ""));
    runTick(m_monitor);
    EXPECT_EQ(shown(), (QStringList{"600000", "浦发银行", "10.00", "止损价：", "11"}));
    // Its take-profit alert alone brings the label back.
    m_replies.set("/msq?cn_600000", stockReply("n", "12.00", "0%", ""));
    m_monitor->switchOn();
    runTick(m_monitor);
    EXPECT_EQ(shown(), (QStringList{"600000", "浦发银行", "12.00", "止盈价：", "9"}));

    QPointer<AlertPopup> popup = m_monitor->popup();
    ASSERT_TRUE(popup && QTest::qWaitForWindowExposed(popup));
    QTest::mouseClick(popup->findChild<QWidget*>("Command2"), Qt::LeftButton); // "稍后提示"
    EXPECT_TRUE(!popup->isVisible() && m_monitor->isOn());
    popup->move(100, 100);
    runTick(m_monitor);
    // The same popup, not a new one.
    EXPECT_TRUE(popup->isVisible() && popup->pos() == QPoint(100, 100));

    QSignalSpy home(m_monitor, &AlertMonitor::homePageRequested);
    for (const char* link : {"Label5", "Label6", "Label7"})
        QTest::mouseClick(popup->findChild<QWidget*>(link), Qt::LeftButton);
    EXPECT_TRUE(home.count() == 3 && popup->isVisible());

    // One closed through its frame is made afresh.
    popup->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup.isNull(); }, 5000));
    runTick(m_monitor);
    ASSERT_TRUE((popup = m_monitor->popup()));

    // "关闭预警" while a reply is on its way: it raises nothing, and the tick
    // stops there. Switched on again, the next tick runs whole, and raises
    // nothing itself: the popup is still down once it is over, an answer later.
    m_replies.set("/msq?cn_600000", stockReply("n", "10.00", "0%", ""), 400);
    const qsizetype before = targets().size() + 1; // with 600000's, on its way
    m_monitor->tick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return targets().size() >= before; }, 5000));
    QTest::mouseClick(popup->findChild<QWidget*>("Command1"), Qt::LeftButton); // "关闭预警"
    EXPECT_TRUE(!popup->isVisible() && !m_monitor->isOn());
    m_replies.set("/msq?cn_600000", stockReply("n", "", "0%", ""), 400);
    m_monitor->switchOn();
    runTick(m_monitor);
    EXPECT_FALSE(popup->isVisible());
    // The next tick's first request follows the dropped one: nothing came between.
    EXPECT_EQ(targets().mid(before),
              (QList<QByteArray>{"/msq?cn_000001", "/msq?cn_600519", "/msq?cn_000858"}));
}
