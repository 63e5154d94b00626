#include "desk/deskrules.h"
#include "desk/refreshcycle.h"
#include "desk/watchlistview.h"
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray stockReply(const QString& name, const char* price, const char* change,
                      const char* high) {
    return "'sh','x','" + gbk::encode(name) + "','" + price + "','" + change +
           "','o','p','b','a','v','m','" + high + "'";
}

// A quote service whose answers the test sets per request target.
class RefreshCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.listen());
        m_rowFetcher = new QuoteFetcher(m_server.baseUrl(), &m_list);
        m_indexFetcher = new QuoteFetcher(m_server.baseUrl(), &m_list);
        m_cycle = new RefreshCycle(&m_list, &m_shanghai, &m_shenzhen, m_rowFetcher, m_indexFetcher,
                                   &m_list);
        m_cycle->setClock([] { return QTime(14, 0); });
        m_list.addColumns();
    }

    void reply(const QByteArray& target, const QByteArray& body, int delayMs = 0) {
        m_replies.set(target, body, delayMs);
    }

    void runTick() {
        QSignalSpy finished(m_cycle, &RefreshCycle::tickFinished);
        m_cycle->tick();
        ASSERT_TRUE(finished.wait(5000));
    }

    QList<QByteArray> targets() const {
        QList<QByteArray> result;
        for (const RecordedRequest& request : m_server.requests())
            result.append(request.target);
        return result;
    }

    QTreeWidgetItem* row(int i) const { return m_list.topLevelItem(i); }
    QColor labelColour(const QLabel& label) const {
        return label.palette().color(QPalette::WindowText);
    }

    ScriptedHttpServer m_server;
    ResponsesByTarget m_replies{m_server};
    WatchListView m_list;
    QLabel m_shanghai;
    QLabel m_shenzhen;
    QuoteFetcher* m_rowFetcher = nullptr;
    QuoteFetcher* m_indexFetcher = nullptr;
    RefreshCycle* m_cycle = nullptr;
};

} // namespace

TEST_F(RefreshCycleTest, ATickFillsEveryRowInOrderThenBothIndexesAndLeavesThePricesAlone) {
    m_list.appendRows({{"600000", "10.5", "9.5"}, {"000858", "现价的5%", ""}}, "待命");
    reply("/msq?cn_600000", stockReply("浦发银行", "10.23", "-1.25%", "10.40"));
    reply("/msq?cn_000858", stockReply("五粮液", "150.00", "0.00%", "151.2"));
    reply("/msq?zs_399001", "'','','','10234.56','-0.52%'");
    reply("/msq?zs_000001", "'','','','3089.26','0.31%'");

    runTick();

    EXPECT_EQ(targets(), (QList<QByteArray>{"/msq?cn_600000", "/msq?cn_000858", "/msq?zs_399001",
                                            "/msq?zs_000001"}));
    const QStringList first{"600000", "浦发银行", "10.23", "10.40", "-1.25%", "10.5", "9.5"};
    const QStringList second{"000858", "五粮液", "150.00", "151.2", "0.00%", "现价的5%", ""};
    for (int c = 0; c < desk::ColumnCount; ++c) {
        EXPECT_EQ(row(0)->text(c), first[c]);
        EXPECT_EQ(row(1)->text(c), second[c]);
    }
    for (int c = desk::CodeColumn; c <= desk::HighColumn; ++c) {
        EXPECT_EQ(row(0)->foreground(c).color(), desk::kBlue) << c;
        EXPECT_EQ(row(1)->foreground(c).color(), desk::kRed) << c;
    }
    EXPECT_EQ(row(0)->foreground(desk::ChangeColumn).color(), desk::kGreen);
    EXPECT_EQ(row(1)->foreground(desk::ChangeColumn).color(), desk::kRed);
    // The price columns keep the list's own colour.
    EXPECT_EQ(row(0)->foreground(desk::TakeProfitColumn).style(), Qt::NoBrush);

    EXPECT_EQ(m_shenzhen.text(), "深证成指  10234.56 -0.52%");
    EXPECT_EQ(m_shanghai.text(), "上证指数  3089.26 0.31%");
    EXPECT_EQ(labelColour(m_shenzhen), desk::kGreen);
    EXPECT_EQ(labelColour(m_shanghai), desk::kRed);
}

TEST_F(RefreshCycleTest, FailedFetchesAndMissingFieldsKeepWhatTheRowShowed) {
    m_list.appendRows({{"A", "", ""}, {"B", "", ""}, {"C", "", ""}}, "待命");
    reply("/msq?cn_A", stockReply("甲", "1.00", "-1.00%", "1.10"));
    reply("/msq?cn_B", stockReply("乙", "2.00", "2.00%", "2.20"));
    reply("/msq?cn_C", stockReply("丙", "3.00", "3.00%", "3.30"));
    runTick();

    // Now A's service breaks, B answers too short to carry a change or a high,
    // and C's reply is an error page with no commas.
    m_replies["/msq?cn_A"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    reply("/msq?cn_B", "'sh','B','" + gbk::encode(u"乙乙") + "','2.50'");
    ScriptedResponse errorPage;
    errorPage.status = 500;
    errorPage.body = "Internal error";
    m_replies["/msq?cn_C"] = errorPage;
    runTick();

    EXPECT_EQ(row(0)->text(desk::NameColumn), "甲");
    EXPECT_EQ(row(0)->foreground(desk::CodeColumn).color(), desk::kBlue);
    EXPECT_EQ(row(1)->text(desk::NameColumn), "乙乙");
    EXPECT_EQ(row(1)->text(desk::PriceColumn), "2.50");
    EXPECT_EQ(row(1)->text(desk::HighColumn), "2.20");
    EXPECT_EQ(row(1)->text(desk::ChangeColumn), "2.00%");
    EXPECT_EQ(row(2)->text(desk::PriceColumn), "3.00");
    EXPECT_EQ(row(2)->foreground(desk::CodeColumn).color(), desk::kRed);
    // Both indexes were still fetched, in both ticks.
    EXPECT_EQ(targets().count("/msq?zs_000001"), 2);
}

TEST_F(RefreshCycleTest, IndexColoursFollowTheirOwnChangeAcrossTicks) {
    reply("/msq?zs_399001", "x,x,x,'10000.00','-0.50%'");
    reply("/msq?zs_000001", "x,x,x,'3000.00','0.50%'");
    runTick();
    EXPECT_EQ(labelColour(m_shenzhen), desk::kGreen);
    EXPECT_EQ(labelColour(m_shanghai), desk::kRed);

    // A rise that starts with another digit turns the fallen index red.
    reply("/msq?zs_399001", "x,x,x,'10100.00','1.20%'");
    reply("/msq?zs_000001", "x,x,x,'2990.00','-0.10%'");
    runTick();
    EXPECT_EQ(labelColour(m_shenzhen), desk::kRed);
    EXPECT_EQ(labelColour(m_shanghai), desk::kGreen);

    // A failed fetch empties the numbers but keeps the colour.
    m_replies["/msq?zs_399001"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    reply("/msq?zs_000001", "x,x,x,'2990.00'");
    runTick();
    EXPECT_EQ(m_shenzhen.text(), "深证成指   ");
    EXPECT_EQ(m_shanghai.text(), "上证指数  2990.00 ");
    EXPECT_EQ(labelColour(m_shenzhen), desk::kRed);
    EXPECT_EQ(labelColour(m_shanghai), desk::kGreen);
    // Qt may send a request again once when the connection drops unanswered,
    // so the broken Shenzhen fetch can show twice; the order stays.
    EXPECT_EQ(targets().last(), "/msq?zs_000001");
    EXPECT_EQ(targets().count("/msq?zs_000001"), 3);
}

TEST_F(RefreshCycleTest, ARowDeletedOrAddedMidTickNeverGetsAnotherRowsReply) {
    m_list.appendRows({{"A", "", ""}, {"B", "", ""}, {"C", "", ""}}, "待命");
    reply("/msq?cn_A", stockReply("甲", "1.00", "1.00%", "1.10"), 300);
    reply("/msq?cn_B", stockReply("乙", "2.00", "2.00%", "2.20"));
    reply("/msq?cn_C", stockReply("丙", "3.00", "3.00%", "3.30"));
    reply("/msq?cn_D", stockReply("丁", "4.00", "4.00%", "4.40"));

    QSignalSpy finished(m_cycle, &RefreshCycle::tickFinished);
    m_cycle->tick();
    // While A's quote is on its way, the user deletes A and B and adds D.
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount(), 1, 2000);
    const QList<WatchListView::RowId> ids = m_list.rowIds();
    m_list.removeRow(ids[0]);
    m_list.removeRow(ids[1]);
    m_list.appendRow({"D", "", ""});
    ASSERT_TRUE(finished.wait(5000));

    EXPECT_EQ(targets(),
              (QList<QByteArray>{"/msq?cn_A", "/msq?cn_C", "/msq?zs_399001", "/msq?zs_000001"}));
    ASSERT_EQ(m_list.topLevelItemCount(), 2);
    EXPECT_EQ(row(0)->text(desk::NameColumn), "丙");
    EXPECT_EQ(row(1)->text(desk::NameColumn), ""); // D waits for the next tick
    runTick();
    EXPECT_EQ(row(1)->text(desk::NameColumn), "丁");
}

TEST_F(RefreshCycleTest, TicksNeverOverlapAndMissedTicksAreNotMadeUp) {
    m_list.appendRows({{"A", "", ""}}, "待命");
    reply("/msq?cn_A", stockReply("甲", "1.00", "1.00%", "1.10"), 200);
    QSignalSpy finished(m_cycle, &RefreshCycle::tickFinished);
    m_cycle->tick();
    m_cycle->tick(); // the timer fires twice more while the first tick waits
    m_cycle->tick();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 5000);
    QTest::qWait(400);
    EXPECT_EQ(finished.count(), 2);
    const QList<RecordedRequest> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 6);
    // The second tick's first request went out only after the first tick's last answer.
    EXPECT_GE(requests[3].arrivedMs, requests[2].answeredMs);
}

TEST_F(RefreshCycleTest, TheDailyPicksAreDueOnlyInTheTwoMorningMinutes) {
    QSignalSpy due(m_cycle, &RefreshCycle::picksReloadDue);
    for (const QTime& time :
         {QTime(9, 15, 3), QTime(9, 16, 0), QTime(9, 29, 59), QTime(9, 30, 0)}) {
        m_cycle->setClock([time] { return time; });
        runTick();
    }
    EXPECT_EQ(due.count(), 2);
    // An empty list costs only the two index requests per tick.
    EXPECT_EQ(m_server.requestCount(), 8);
}
