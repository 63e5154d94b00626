#include "desk/form1.h"

#include "desk/deskrules.h"
#include "desk/refreshcycle.h"
#include "desk/watchlistview.h"
#include "quote/quotefetcher.h"
#include "shell/trayshell.h"
#include "tests/support/scriptedhttpserver.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The window against a real site on loopback, with a watch list of two rows.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_site.listen());
        m_site.setHandler([](const RecordedRequest&) {
            ScriptedResponse response;
            response.headers = {{"Content-Type", "text/html; charset=utf-8"}};
            response.body = "<html><body>ok</body></html>";
            return response;
        });
        qputenv("QUILLON_SITE_URL", m_site.baseUrl().toUtf8());
        qputenv("QUILLON_QUOTE_URL", m_site.baseUrl().toUtf8());
        writeFile(m_dir.filePath("Setting.ini"), "600000\r\n000858\r\n");
        writeFile(m_dir.filePath("Setting2.ini"), "10.5\r\n160\r\n");
        writeFile(m_dir.filePath("Setting3.ini"), "9.5\r\n140\r\n");
        m_form = std::make_unique<Form1>(m_dir.path());
    }

    void TearDown() override {
        m_form.reset();
        qunsetenv("QUILLON_SITE_URL");
        qunsetenv("QUILLON_QUOTE_URL");
    }

    template <typename T> T* find(const char* name) const {
        return m_form->findChild<T*>(QLatin1String(name));
    }

    bool siteWasAskedFor(const QByteArray& target) const {
        for (const RecordedRequest& request : m_site.requests())
            if (request.target == target)
                return true;
        return false;
    }

    QTemporaryDir m_dir;
    ScriptedHttpServer m_site;
    std::unique_ptr<Form1> m_form;
};

} // namespace

TEST_F(Form1Test, TheWindowHoldsEveryControlWithItsTextsAndPlaces) {
    EXPECT_EQ(m_form->windowTitle(), "QuillonV5.2      By Orlan");
    EXPECT_EQ(m_form->size(), QSize(397, 327));

    struct Expected {
        const char* name;
        const char* text;
        QRect geometry;
    };
    const Expected labels[] = {
        {"Label4", "上证指数", {16, 8, 169, 17}},
        {"Label5", "深证成指", {216, 8, 169, 17}},
        {"Label1", "早盘9:15免费公布", {8, 16, 169, 25}},
        {"Label2", "切勿追高 回调关注", {8, 43, 173, 25}},
        {"Label3", "", {16, 24, 41, 41}},
    };
    for (const Expected& e : labels) {
        auto* label = find<QLabel>(e.name);
        ASSERT_NE(label, nullptr) << e.name;
        EXPECT_EQ(label->text(), e.text) << e.name;
        EXPECT_EQ(label->geometry(), e.geometry) << e.name;
    }
    EXPECT_EQ(find<QLabel>("Label1")->palette().color(QPalette::WindowText), desk::kRed);
    EXPECT_EQ(find<QLabel>("Label2")->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    EXPECT_DOUBLE_EQ(find<QLabel>("Label4")->font().pointSizeF(), 10.5);
    EXPECT_EQ(find<QLabel>("Label1")->parentWidget()->objectName(), "Frame2");
    EXPECT_EQ(find<QLabel>("Label3")->parentWidget()->objectName(), "Frame3");

    const Expected buttons[] = {
        {"Command1", "私募内参", {6, 16, 57, 25}},
        {"Command4", "盘中播报", {65, 16, 57, 25}},
        {"Command3", "历史荐股", {6, 40, 57, 25}},
        {"Command2", "使用说明", {65, 40, 57, 25}},
    };
    for (const Expected& e : buttons) {
        auto* button = find<QPushButton>(e.name);
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_EQ(button->text(), e.text);
        EXPECT_EQ(button->geometry(), e.geometry) << e.name;
        EXPECT_EQ(button->parentWidget()->objectName(), "Frame1");
    }
    EXPECT_EQ(find<QPushButton>("Command1")->palette().color(QPalette::Button),
              QColor(255, 192, 192));
    EXPECT_EQ(find<QPushButton>("Command4")->palette().color(QPalette::Button),
              QColor(255, 128, 128));
    EXPECT_EQ(find<QPushButton>("Command3")->toolTip(), "Quillon使用教程");
    EXPECT_EQ(find<QPushButton>("Command2")->toolTip(), "每日的热点题材汇总");

    EXPECT_EQ(find<QGroupBox>("Frame2")->title(), "今日牛股");
    EXPECT_EQ(find<QGroupBox>("Frame3")->title(), "大盘风险");
    EXPECT_EQ(find<QGroupBox>("Frame1")->title(), "功能区");
    EXPECT_EQ(find<QWidget>("ListView1")->geometry(), QRect(0, 32, 393, 192));
    EXPECT_EQ(find<QWidget>("ListView1")->toolTip(), "点鼠标右键，增加股票代码，查看分时图");
    EXPECT_EQ(find<QWidget>("WebBrowser1")->geometry(), QRect(0, 208, 393, 41));
    EXPECT_EQ(find<QWidget>("WebBrowser2")->geometry(), QRect(64, 48, 9, 25));
    EXPECT_EQ(find<QWidget>("WebBrowser2")->parentWidget()->objectName(), "Frame3");

    for (const auto& [name, interval, active] :
         {std::tuple{"Timer1", 8000, true}, {"Timer2", 8000, false}, {"Timer3", 500, true}}) {
        auto* timer = find<QTimer>(name);
        ASSERT_NE(timer, nullptr) << name;
        EXPECT_EQ(timer->interval(), interval);
        EXPECT_EQ(timer->isActive(), active) << name;
    }
    for (const char* name : {"Inet1", "Inet2", "Inet3"})
        EXPECT_NE(find<QuoteFetcher>(name), nullptr) << name;
}

TEST_F(Form1Test, StartUpLoadsTheWatchListUnderSevenColumnsAndOpensBothPages) {
    auto* list = find<WatchListView>("ListView1");
    const QStringList captions{"代码", "股票名称", "现价", "最高价", "涨跌幅", "止盈价", "止损价"};
    const int widths[] = {53, 67, 53, 53, 53, 53, 53};
    ASSERT_EQ(list->columnCount(), 7);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(list->headerItem()->text(c), captions[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(list->headerItem()->textAlignment(desk::NameColumn) & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(list->headerItem()->textAlignment(desk::PriceColumn) & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);

    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(desk::CodeColumn), "000858");
    EXPECT_EQ(list->topLevelItem(1)->text(desk::NameColumn), "待命");
    EXPECT_EQ(list->topLevelItem(1)->text(desk::PriceColumn), "");
    EXPECT_EQ(list->topLevelItem(1)->text(desk::TakeProfitColumn), "160");
    EXPECT_EQ(list->topLevelItem(1)->text(desk::StopLossColumn), "140");

    EXPECT_EQ(m_form->WebBrowser1->url().path(), "/gonggao.htm");
    EXPECT_EQ(m_form->WebBrowser2->url().path(), "/htm/fengxian.htm");
    QTRY_VERIFY_WITH_TIMEOUT(siteWasAskedFor("/gonggao.htm"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(siteWasAskedFor("/htm/fengxian.htm"), 15000);
    // No quote is fetched before Timer1's first tick.
    EXPECT_FALSE(siteWasAskedFor("/msq?zs_399001"));
}

TEST_F(Form1Test, BothPopupMenusHoldTheirEntriesInOrder) {
    const auto entries = [](QMenu* menu) {
        QStringList result;
        for (QAction* action : menu->actions())
            result.append(action->objectName() + "=" + action->text());
        return result;
    };
    EXPECT_EQ(m_form->mnu2->title(), "右键菜单");
    EXPECT_EQ(entries(m_form->mnu2),
              (QStringList{"mnu21=添加股票", "mnu22=删除股票", "mnu23=查看分时"}));
    EXPECT_EQ(m_form->mn->title(), "托盘菜单");
    EXPECT_EQ(entries(m_form->mn),
              (QStringList{"mn17=添加股票", "mn21=——————", "mn19=预警开", "mn20=预警关",
                           "mn18=——————", "mn1=Tarvex官网", "mn11=-----------", "mn12=开机启动",
                           "mn13=取消开机启动", "mn14=——————", "mn15=在线联系Orlan", "mn16=退出"}));
    EXPECT_EQ(m_form->trayShell()->trayIcon()->toolTip(), "Tarvex-QuillonV5.0");
}

TEST_F(Form1Test, ListClicksReloadThePagesAndTheRightButtonOpensTheListMenu) {
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->WebBrowser1->setUrl(QUrl("about:blank"));
    auto* viewport = m_form->ListView1->viewport();

    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, 8));
    EXPECT_EQ(m_form->WebBrowser1->url().path(), "/gonggao.htm");
    EXPECT_EQ(m_form->WebBrowser2->url().toString(QUrl::RemoveScheme | QUrl::RemoveAuthority),
              "/map2.asp?cid=15&page=1");
    QTRY_VERIFY_WITH_TIMEOUT(siteWasAskedFor("/map2.asp?cid=15&page=1"), 15000);

    // A right click on empty space below the rows still opens the list menu.
    EXPECT_FALSE(m_form->mnu2->isVisible());
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(100, 150));
    QTRY_VERIFY_WITH_TIMEOUT(m_form->mnu2->isVisible(), 2000);
    m_form->mnu2->hide();
    QTest::mouseClick(viewport, Qt::MiddleButton, {}, QPoint(100, 150));
    EXPECT_FALSE(m_form->mnu2->isVisible());
}

TEST_F(Form1Test, TheContactEntryGoesToTheContactPage) {
    m_form->mn15->trigger();
    EXPECT_EQ(m_form->WebBrowser2->url().path(), "/htm/lianxi.htm");
}

TEST_F(Form1Test, TheRiskGradeIsRedOnlyWhileItIsHighAndShownAsSent) {
    auto* label = m_form->Label3;
    const QColor initial = label->palette().color(QPalette::WindowText);
    m_form->setRiskGrade("高 ");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), initial);
    m_form->setRiskGrade("高");
    EXPECT_EQ(label->text(), "高");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), desk::kRed);
    m_form->setRiskGrade("低");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), initial);
    m_form->setRiskGrade("<b>高</b>");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), initial);
    // Page text is never markup: it is shown, not interpreted.
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST_F(Form1Test, TheCloseBoxOnlyMinimisesAndAnyOtherCloseEnds) {
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    // The window manager's close, as the close box sends it.
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        m_form->windowHandle());
    EXPECT_TRUE(m_form->isMinimized());
    // Without a system tray the window stays reachable on the task bar.
    EXPECT_EQ(m_form->isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_TRUE(find<QTimer>("Timer1")->isActive());

    m_form->showNormal();
    m_form->trayShell()->addIcon();
    EXPECT_TRUE(m_form->close()); // a close from code, like the session's, is not refused
    EXPECT_FALSE(m_form->trayShell()->trayIcon()->isVisible());
}

TEST_F(Form1Test, TrayClicksShowTheWindowOnTopAndADoubleClickRestoresIt) {
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->trayShell()->handleTrayClick(lifecycle::TrayClick::Left);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(m_form->windowFlags() & Qt::WindowStaysOnTopHint);

    m_form->showMinimized();
    m_form->hide();
    m_form->trayShell()->handleTrayClick(lifecycle::TrayClick::Left);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(m_form->isMinimized()); // shown, not restored
    m_form->trayShell()->handleTrayClick(lifecycle::TrayClick::Double);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_FALSE(m_form->isMinimized());
}

namespace {

// Resident memory of this process, in KiB.
qint64 residentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

TEST_F(Form1Test, HostileRepliesAreShownLiterallyAndCostNoMemory) {
    // Markup that a rich-text label would load (an image read from a device
    // without end), NUL bytes, bytes that are not GBK, and replies of 10,000 fields.
    const QByteArray markup = "<img src=/dev/zero>";
    QByteArray manyFields = "'sh','000858','" + markup + "','9.5','<b>-1%</b>'";
    for (int i = 0; i < 10000; ++i)
        manyFields += ",'x'";
    const QMap<QByteArray, QByteArray> replies{
        {"/msq?cn_600000", "'sh','600000','" + markup + "','1" + QByteArray(1, '\0') +
                               "2','\x81\x20\xff','o','p','b','a','v','m','<i>9</i>'"},
        {"/msq?cn_000858", manyFields},
        {"/msq?zs_000001", "'','','','" + markup + "','<b>1%</b>'"},
        {"/msq?zs_399001", "'','','','\x81\x20" + QByteArray(1, '\0') + "','" + markup + "'"},
    };
    m_site.setHandler([replies](const RecordedRequest& request) {
        ScriptedResponse response;
        response.body = replies.value(request.target);
        return response;
    });
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    const qint64 before = residentKiB();

    QSignalSpy finished(m_form->refreshCycle(), &RefreshCycle::tickFinished);
    m_form->refreshCycle()->tick();
    ASSERT_TRUE(finished.wait(10000));
    m_form->grab(); // paints every label and cell

    const QTreeWidgetItem* first = m_form->ListView1->topLevelItem(0);
    EXPECT_EQ(first->text(desk::NameColumn), QString::fromLatin1(markup));
    EXPECT_EQ(first->text(desk::PriceColumn), QString("1") + QChar(0) + "2");
    EXPECT_TRUE(first->text(desk::ChangeColumn).contains(QChar::ReplacementCharacter));
    EXPECT_EQ(first->text(desk::HighColumn), "<i>9</i>");
    EXPECT_EQ(m_form->ListView1->topLevelItem(1)->text(desk::ChangeColumn), "<b>-1%</b>");
    EXPECT_EQ(m_form->Label4->text(), "上证指数  <img src=/dev/zero> <b>1%</b>");
    EXPECT_TRUE(m_form->Label5->text().endsWith(" <img src=/dev/zero>"));
    EXPECT_TRUE(m_form->Label5->text().contains(QChar(0)));
    for (const QLabel* label : m_form->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    EXPECT_LT(residentKiB() - before, 30 * 1024) << "memory grew while showing the replies";
}
