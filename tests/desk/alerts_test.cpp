#include "desk/alertmonitor.h"
#include "desk/alertpopup.h"
#include "desk/alertrules.h"
#include "desk/deskrules.h"
#include "desk/watchlistview.h"
#include "quote/quotefetcher.h"
#include "shell/linklabel.h"
#include "tests/support/scriptedhttpserver.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using desk::alerts::alertsFor;
using desk::alerts::Kind;

TEST(AlertRules, PricesCompareAsNumbersAndStrictly) {
    using Kinds = std::vector<Kind>;
    EXPECT_EQ(alertsFor("10.51", "10.50", "9"), Kinds{Kind::TakeProfit});
    EXPECT_EQ(alertsFor("10.5", "10.50", "10.5"), Kinds{}); // equal, however written
    EXPECT_EQ(alertsFor("9.80", "10.50", "9.5"), Kinds{});  // 9.80 is below 10.50
    EXPECT_EQ(alertsFor("9.49", "10.50", "9.5"), Kinds{Kind::StopLoss});
    // A stop-loss above the take-profit: both, take-profit first.
    EXPECT_EQ(alertsFor("10", "9", "11"), (Kinds{Kind::TakeProfit, Kind::StopLoss}));
}

TEST(AlertRules, NoNumberNoPriceAndNoThresholdRaiseNothing) {
    using Kinds = std::vector<Kind>;
    EXPECT_EQ(alertsFor("12", "现价的5%", "现价的-5%"), Kinds{});
    EXPECT_EQ(alertsFor("", "1", "100"), Kinds{});
    EXPECT_EQ(alertsFor("停牌", "1", "100"), Kinds{});
    EXPECT_EQ(alertsFor("0.00", "1", "100"), Kinds{}); // suspended, not a crash to 0
    EXPECT_EQ(alertsFor("-1", "1", "100"), Kinds{});
    EXPECT_EQ(alertsFor("5", "", "6"), Kinds{Kind::StopLoss});
    // Thresholds of 0, stored when the lookup gave no price, would fire at every tick.
    EXPECT_EQ(alertsFor("12.5", "0", "0"), Kinds{});
    EXPECT_EQ(alertsFor("12.5", "-1", "0.00"), Kinds{});
}

namespace {

// The monitor over a list, against a quote service on loopback with scripted prices.
class AlertMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.listen());
        m_list.addColumns();
        m_fetcher = new QuoteFetcher(m_server.baseUrl(), &m_list);
        m_monitor = new AlertMonitor(&m_list, &m_timer, m_fetcher, &m_list);
        m_timer.setInterval(8000);
    }
    void TearDown() override { delete m_monitor; }

    void price(const QByteArray& code, const QByteArray& value, int delayMs = 0) {
        m_replies.set("/msq?cn_" + code, "'x','" + code + "','n','" + value + "','0%'", delayMs);
    }
    void addRow(const QString& code, const QString& name, const QString& takeProfit,
                const QString& stopLoss) {
        const auto id = m_list.appendRow({code, takeProfit, stopLoss});
        m_list.itemFor(id)->setText(desk::NameColumn, name);
    }
    void runTick() {
        QSignalSpy finished(m_monitor, &AlertMonitor::tickFinished);
        m_monitor->tick();
        ASSERT_TRUE(!finished.isEmpty() || finished.wait(5000)); // an empty list ends at once
    }
    QStringList shown() const {
        AlertPopup* popup = m_monitor->popup();
        if (!popup || !popup->isVisible())
            return {};
        return {popup->Text1->text(), popup->Text2->text(), popup->Text3->text(),
                popup->Label4->text(), popup->Text4->text()};
    }

    ScriptedHttpServer m_server;
    ResponsesByTarget m_replies{m_server};
    WatchListView m_list;
    QTimer m_timer;
    QuoteFetcher* m_fetcher = nullptr;
    AlertMonitor* m_monitor = nullptr;
};

} // namespace

TEST_F(AlertMonitorTest, ATickChecksEveryRowInOrderAndThePopupShowsTheLastAlert) {
    runTick(); // an empty list: no request, no popup
    EXPECT_EQ(m_server.requestCount(), 0);
    EXPECT_EQ(m_monitor->popup(), nullptr);

    addRow("600000", "浦发银行", "9", "11");  // between: both alerts
    addRow("000001", "平安银行", "12", "10"); // fetch fails
    addRow("600519", "贵州茅台", "1800", "1500");
    addRow("000858", "五粮液", "160", "130");
    price("600000", "10.00");
    m_replies["/msq?cn_000001"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    price("600519", "1500.00"); // equal to the stop-loss: nothing
    price("000858", "'129.99'");
    runTick();
    EXPECT_EQ(shown(), (QStringList{"000858", "五粮液", "129.99", "止损价：", "130"}));
    EXPECT_EQ(m_server.requests().first().target, "/msq?cn_600000");
    EXPECT_EQ(m_server.requests().last().target, "/msq?cn_000858");

    // The lower row quiet again: the upper row's stop-loss alert comes last.
    price("000858", "150");
    runTick();
    EXPECT_EQ(shown(), (QStringList{"600000", "浦发银行", "10.00", "止损价：", "11"}));
    // Its take-profit alert alone brings the label back.
    m_list.topLevelItem(0)->setText(desk::StopLossColumn, "5");
    runTick();
    EXPECT_EQ(shown(), (QStringList{"600000", "浦发银行", "10.00", "止盈价：", "9"}));
}

TEST_F(AlertMonitorTest, ThePopupsButtonsHideItOrSwitchTheAlertsOffAndItComesBackWhereLeft) {
    addRow("600000", "浦发银行", "9", "5");
    price("600000", "10");
    m_monitor->switchOn();
    runTick();
    AlertPopup* popup = m_monitor->popup();
    ASSERT_TRUE(popup && QTest::qWaitForWindowExposed(popup));
    EXPECT_EQ(popup->windowTitle(), "股价预警！");
    EXPECT_EQ(popup->size(), QSize(255, 167));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(popup->frameGeometry().right(), screen.right());
    EXPECT_EQ(popup->frameGeometry().bottom(), screen.bottom() - 33);
    EXPECT_FALSE(popup->windowFlags() & Qt::WindowStaysOnTopHint);

    QTest::mouseClick(popup->Command2, Qt::LeftButton); // "稍后提示"
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(m_monitor->isOn());
    popup->move(100, 100);
    runTick();
    EXPECT_EQ(m_monitor->popup(), popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->pos(), QPoint(100, 100));

    QSignalSpy home(m_monitor, &AlertMonitor::homePageRequested);
    for (QWidget* link : {popup->Label5, popup->Label6, popup->Label7})
        QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(home.count(), 3);
    EXPECT_TRUE(popup->isVisible());

    QTest::mouseClick(popup->Command1, Qt::LeftButton); // "关闭预警"
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(m_monitor->isOn());
}

TEST_F(AlertMonitorTest, APopupClosedThroughItsFrameIsMadeAfreshWithItsDesignTexts) {
    addRow("600000", "浦发银行", "9", "5");
    price("600000", "10");
    runTick();
    QPointer<AlertPopup> first = m_monitor->popup();
    first->Text2->setText("typed by the user");
    first->close();
    QTRY_VERIFY(first.isNull());
    m_list.topLevelItem(0)->setText(desk::NameColumn, "");
    runTick();
    ASSERT_NE(m_monitor->popup(), nullptr);
    EXPECT_EQ(m_monitor->popup()->Text2->text(), "");
    EXPECT_EQ(m_monitor->popup()->Label1->text(), "股票代码");
}

TEST_F(AlertMonitorTest, SwitchingOffStopsATickThatIsWaitingForAReply) {
    addRow("600000", "浦发银行", "9", "5");
    addRow("000858", "五粮液", "100", "50");
    price("600000", "10", 400);
    price("000858", "150");
    m_monitor->switchOn();
    m_monitor->tick();
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount(), 1, 5000);
    m_monitor->switchOff();
    QTest::qWait(700);
    EXPECT_EQ(m_monitor->popup(), nullptr);
    EXPECT_EQ(m_server.requestCount(), 1);

    // Switched on again, the next tick runs whole.
    m_monitor->switchOn();
    runTick();
    EXPECT_EQ(shown().value(0), "000858");
}
