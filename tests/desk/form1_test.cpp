#include "desk/form1.h"

#include "demo/makerpages.h"
#include "demo/standinserver.h"
#include "desk/bandwindows.h"
#include "desk/deskrules.h"
#include "desk/frmadd.h"
#include "desk/jujiao.h"
#include "desk/refreshcycle.h"
#include "desk/watchlistview.h"
#include "desk/webband.h"
#include "net/httpclient.h"
#include "platform/safesave.h"
#include "quote/gbk.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "tests/support/processprobe.h"
#include "tests/support/qtry.h"
#include "tests/support/scriptedhttpserver.h"
#include "tests/support/urlhandler.h"
#include "widgets/trayshell.h"
#include "widgets/webview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A window's control, timer or fetcher by its design name.
template <typename T = QWidget> T* partOf(const QObject* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    EXPECT_TRUE(found) << name;
    return found;
}

// Quillon's window over a watch list in a temporary program directory, with
// the maker's site and the quote service on loopback; quote replies are set per target.
class Form1Test : public ::testing::Test {
protected:
    static constexpr const char* kServices[] = {"QUILLON_QUOTE_URL", "QUILLON_SITE_URL",
                                                "QUILLON_CHART_URL", "QUILLON_NEWS_URL"};
    void TearDown() override {
        for (const char* service : kServices)
            qunsetenv(service);
    }

    static constexpr const char* kFiles[] = {"Setting.ini", "Setting2.ini", "Setting3.ini"};

    // The codes, take-profit and stop-loss files as given.
    void startWith(const QByteArrayList& files = {"600000\r\n000858\r\n", "10.5\r\n160\r\n",
                                                  "9.5\r\n140\r\n"}) {
        // No tray on this X server: the window itself tells what failed, and closes to the task
        // bar.
        ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
        ASSERT_TRUE(m_server.listen());
        for (const char* service : kServices)
            qputenv(service, m_server.baseUrl().toUtf8());
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(safeSave(m_dir.filePath(kFiles[i]), files[i]));
        m_form = std::make_unique<Form1>(m_dir.path(), m_dir.path());
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    }

    // The web views fetch pages of the same server: requests are told apart by path.
    qsizetype requestsFor(const QByteArray& target) const {
        return std::ranges::count(m_server.requests(), target, &RecordedRequest::target);
    }

    template <typename T = QWidget> T* part(const char* name) const {
        return partOf<T>(m_form.get(), name);
    }
    WatchListView* list() const { return part<WatchListView>("ListView1"); }
    void choose(const char* entry) const { part<QAction>(entry)->trigger(); }
    void click(const char* button) const { QTest::mouseClick(part(button), Qt::LeftButton); }

    // The list's rows, cells joined by "|".
    QStringList rows() const {
        QStringList result;
        for (int i = 0; i < list()->model()->rowCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < desk::ColumnCount; ++c)
                cells.append(list()->model()->index(i, c).data().toString());
            result.append(cells.join('|'));
        }
        return result;
    }
    QByteArray files() const {
        QByteArrayList contents;
        for (const char* name : kFiles)
            contents.append(readFile(m_dir.filePath(name)));
        return contents.join('#');
    }

    void select(int row) const {
        list()->selectionModel()->select(list()->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void deleteRow(int row) {
        list()->clearSelection();
        if (row >= 0)
            select(row);
        choose("mnu22");
    }

    // The add dialog, shown and active, so that a click really moves the focus.
    FrmAdd* openDialog() {
        choose("mnu21");
        FrmAdd* dialog = m_form->addDialog();
        EXPECT_TRUE(dialog && QTest::qWaitForWindowExposed(dialog));
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        return dialog;
    }
    // Clicks into the code field and types keys over what it held ("\t" leaves the field).
    static void typeCode(FrmAdd* dialog, const QString& keys) {
        QWidget* field = partOf(dialog, "Text1");
        QTest::mouseClick(field, Qt::LeftButton);
        EXPECT_TRUE(field->hasFocus());
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, keys);
    }

    // Runs script in view and waits for its answer; a view answers scripts in order.
    static QVariant evaluate(WebView* view, const QString& script) {
        auto answer = std::make_shared<std::optional<QVariant>>();
        view->page()->runJavaScript(script, [answer](const QVariant& value) { *answer = value; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer->has_value(); }, 15000));
        return answer->value_or(QVariant());
    }

    // Loads url in view and waits until the view has also answered every
    // script asked of it on that load; gives where the load ended, or nothing.
    static QUrl loadAndSettle(WebView* view, const QUrl& url) {
        QSignalSpy loaded(view, &WebView::loaded);
        view->setUrl(url);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 15000));
        evaluate(view, "0");
        return loaded.isEmpty() || !loaded.last()[1].toBool() ? QUrl() : loaded.last()[0].toUrl();
    }

    // The hot-sector tracker Command4 opened, once it is open.
    Jujiao* openTracker() {
        click("Command4");
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* tracker = qobject_cast<Jujiao*>(window); tracker && tracker->isVisible())
                return tracker;
        return nullptr;
    }
    // Its list, "*" before a bold line.
    static QStringList lines(const Jujiao* tracker) {
        QStringList result;
        const auto* list = partOf<QListWidget>(tracker, "List1");
        for (int i = 0; i < list->count(); ++i)
            result.append((list->item(i)->font().bold() ? "*" : "") + list->item(i)->text());
        return result;
    }
    // Runs its minute timer for that many quick ticks: whether a fetch was on its way after each.
    static std::vector<bool> runMinutes(Jujiao* tracker, std::size_t ticks) {
        std::vector<bool> fetching;
        auto* minutes = partOf<QTimer>(tracker, "Timer1");
        const auto probe = QObject::connect(minutes, &QTimer::timeout, [&] {
            fetching.push_back(!partOf<HttpQueue>(tracker, "Inet1")->isIdle());
            if (fetching.size() == ticks)
                minutes->stop();
        });
        minutes->start(5);
        EXPECT_SOON(fetching.size() == ticks);
        QObject::disconnect(probe);
        return fetching;
    }

    QTemporaryDir m_dir;
    ScriptedHttpServer m_server;
    ResponsesByTarget m_replies{m_server};
    std::unique_ptr<Form1> m_form;
};

} // namespace

TEST_F(Form1Test, AClickOnTheListOpensTheNoticesInTheStripAndTheFirstPicksPageInTheBand) {
    startWith();
    auto* strip = part<WebView>("WebBrowser1");
    strip->setUrl(QUrl("about:blank"));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
    EXPECT_EQ(strip->url().path(), "/gonggao.htm");
    EXPECT_SOON(requestsFor("/map2.asp?cid=15&page=1"));
}

TEST_F(Form1Test, TheContactEntryHandsItsLinkToTheDesktopOrTheWindowSaysWhatDidNotOpen) {
    startWith();
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent"); // nothing on the desktop to open it
    choose("mn15");
    qputenv("PATH", path);
    EXPECT_EQ(QToolTip::text(), "Quillon\n无法打开联系链接");
    RecordingUrlHandler desktop({"xmpp"});
    qputenv("QUILLON_CONTACT_URL", " xmpp:orlan@example.org?message ");
    choose("mn15");
    qunsetenv("QUILLON_CONTACT_URL");
    EXPECT_SOON(desktop.addresses() == "xmpp:orlan@example.org?message\n");
}

TEST_F(Form1Test, DeletingTheSelectedRowRewritesTheOtherRowsByteForByte) {
    // Row C's lines are no GBK: a pair that is none, a NUL byte, a lead byte
    // without its trail. Rewrites after deleting other rows keep them unchanged.
    const QByteArray c = QByteArray::fromHex("438120ff"), three = QByteArray::fromHex("330078"),
                     lone = QByteArray::fromHex("6381");
    startWith(
        {"A\r\nB\r\n" + c + "\r\n", "1\r\n2\r\n" + three + "\r\n", "a\r\nb\r\n" + lone + "\r\n"});
    deleteRow(-1); // nothing selected: nothing changes
    deleteRow(1);
    EXPECT_SOON(files() == "A\r\n" + c + "\r\n#1\r\n" + three + "\r\n#a\r\n" + lone + "\r\n");
}

TEST_F(Form1Test, AFailedSaveIsToldRetriedOnTheRefreshTimerAndTakenDownByAClick) {
    startWith();
    auto* notice = part<QLabel>("saveNotice");
    // Directories in the files' places cannot be replaced, by root neither.
    auto blockFiles = [dir = QDir(m_dir.path())](bool block) mutable {
        for (const char* name : {"Setting2.ini", "Setting3.ini"})
            ASSERT_TRUE(block ? dir.remove(name) && dir.mkdir(name) : dir.rmdir(name));
    };
    blockFiles(true);
    deleteRow(1);
    EXPECT_EQ(notice->isVisible() ? notice->text() : "",
              "自选股未能保存：Setting2.ini、Setting3.ini");
    // The notice stays until the files are back in step with the list.
    QSignalSpy retried(part<QTimer>("Timer1"), &QTimer::timeout);
    part<QTimer>("Timer1")->start(20);
    EXPECT_SOON(retried.count() >= 2);
    EXPECT_TRUE(notice->isVisible());
    blockFiles(false);
    EXPECT_SOON(!notice->isVisible());
    blockFiles(true); // a new failure is told again
    deleteRow(0);
    EXPECT_TRUE(notice->isVisible());
    QTest::mouseClick(notice, Qt::LeftButton);
    EXPECT_FALSE(notice->isVisible());
}

TEST_F(Form1Test, TheEmptiedListSaysHowToAddAStockAsNoRowAndARightClickOnItOpensTheMenu) {
    startWith();
    auto* hint = list()->viewport()->findChild<QLabel*>("emptyListHint");
    EXPECT_FALSE(hint->isVisible());
    deleteRow(0);
    deleteRow(0);
    EXPECT_TRUE(hint->isVisible() && hint->text().contains("添加股票"));
    EXPECT_SOON(files() == "##");
    QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, hint->geometry().center());
    EXPECT_SOON(part<QMenu>("mnu2")->isVisible());
    part<QMenu>("mnu2")->hide();
}

TEST_F(Form1Test, TheCloseBoxLeavesTheWindowRefreshingOnTheTaskBarAndACloseFromCodeEndsIt) {
    startWith();
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        m_form->windowHandle());
    EXPECT_TRUE(m_form->isMinimized() && m_form->isVisible() && part<QTimer>("Timer1")->isActive());
    m_form->trayShell()->addIcon();
    // A close from code, like the session's, is not refused, and takes the icon away.
    EXPECT_TRUE(m_form->close() && !m_form->trayShell()->trayIcon()->isVisible());
}

TEST_F(Form1Test, TheAddDialogLooksUpWithoutBlockingAndOneClickAddsWhatTheLookupProposed) {
    startWith({"600000\r\n", "11\r\n", "9\r\n"});
    m_replies.set("/msq?cn_600000", "'sh','600000','" + gbk::encode(u"浦发银行") + "','12.34','1%'",
                  300);
    m_replies["/msq?cn_NOREPL"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    m_replies.set("/msq?cn_BADPRI", "'sh','x','" + gbk::encode(u"坏价") + "','停牌'");
    m_replies.set("/msq?cn_000858", "'sz','000858','" + gbk::encode(u"五粮液") + "','150.00'");
    m_replies.set("/msq?cn_000001", "'sz','000001','x','10.00'", 500);
    QPointer<FrmAdd> dialog = openDialog();
    const QPoint opened = dialog->pos();
    m_form->move(m_form->pos() + QPoint(-40, 30)); // while the dialog's frame settles
    // The looked-up name, in brackets while its field is disabled, both
    // proposals, and whether the dialog can add.
    const auto shows = [&dialog] {
        QStringList texts;
        for (const char* name : {"Text2", "Text4", "Text5"})
            texts.append(partOf(dialog, name)->property("text").toString());
        if (!partOf(dialog, "Text2")->isEnabled())
            texts[0] = "(" + texts[0] + ")";
        return (texts << (partOf(dialog, "Command1")->isEnabled() ? "adds" : "cannot add"))
            .join('|');
    };
    // Five characters cannot add; focus that leaves with the window, as to
    // another program, looks nothing up.
    typeCode(dialog, "60000");
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    EXPECT_EQ(shows(), "|现价的5%|现价的-5%|cannot add");
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    typeCode(dialog, "600000\t");
    // The lookup runs while the window stays responsive.
    EXPECT_EQ(shows(), "(" + FrmAdd::kLookingUp + ")|现价的5%|现价的-5%|cannot add");
    EXPECT_SOON(shows() == "浦发银行|12.96|11.72|adds");

    // A click on the add button takes the focus from the code field, which
    // looks the stock up; without a name it adds nothing, nor prices of 0.
    typeCode(dialog, "NOREPL");
    QTest::mouseClick(partOf(dialog, "Command1"), Qt::LeftButton);
    EXPECT_EQ(shows(), "(" + FrmAdd::kLookingUp + ")|12.96|11.72|cannot add");
    EXPECT_SOON(shows() == "|0|0|cannot add");

    // Left where it opened by the main window; opened again, it is only brought up.
    EXPECT_EQ(dialog->pos(), opened);
    dialog->move(opened + QPoint(30, 30));
    choose("mn17");
    EXPECT_TRUE(m_form->addDialog() == dialog && dialog->pos() == opened + QPoint(30, 30));

    // The three links open the maker's home page and leave the dialog open.
    {
        RecordingUrlHandler desktop({"http"});
        for (const char* link : {"Label5", "Label6", "Label7"})
            QTest::mouseClick(partOf(dialog, link), Qt::LeftButton);
        EXPECT_SOON(desktop.addresses() == (m_server.baseUrl().toUtf8() + "/\n").repeated(3));
        ASSERT_TRUE(dialog->isVisible());
    }

    // One click adds, with the proposals of the code in the field: the slow
    // answer for the code before it never arrives.
    typeCode(dialog, "600000\t");
    typeCode(dialog, "000858");
    QTest::mouseClick(partOf(dialog, "Command1"), Qt::LeftButton);
    EXPECT_SOON(dialog.isNull());
    // Held down until the answer, the click adds on its release; the opening
    // texts, left as they were by a price that is no number, are stored as they read.
    dialog = openDialog();
    typeCode(dialog, "BADPRI");
    QTest::mousePress(partOf(dialog, "Command1"), Qt::LeftButton);
    EXPECT_SOON(shows().startsWith("坏价|"));
    QTest::mouseRelease(partOf(dialog, "Command1"), Qt::LeftButton);
    EXPECT_SOON(dialog.isNull());
    // A click on the button disabled while a lookup is out adds once it answers.
    dialog = openDialog();
    typeCode(dialog, "000001\t");
    QTest::mouseClick(partOf(dialog, "Command1"), Qt::LeftButton);
    EXPECT_SOON(dialog.isNull());
    EXPECT_EQ(rows(),
              (QStringList{"600000|待命||||11|9", "000858||待命|||157.5|142.5",
                           "BADPRI||待命|||现价的5%|现价的-5%", "000001||待命|||10.5|9.5"}));
    EXPECT_EQ(files(), "600000\r\n000858\r\nBADPRI\r\n000001\r\n#11\r\n157.5\r\n" +
                           gbk::encode(u"现价的5%") + "\r\n10.5\r\n#9\r\n142.5\r\n" +
                           gbk::encode(u"现价的-5%") + "\r\n9.5\r\n");
}

TEST_F(Form1Test, StartUpShowsTheListAndHostileRepliesLiterallyAndBandWindowsOpenOnce) {
    startWith();
    // A smoothed outline face leaves the thin strokes of 12 pt glyphs pale
    // pink; the bitmap Song face draws them in the full colour.
    const QImage image = part("Label1")->grab().toImage();
    int solid = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            solid += image.pixelColor(x, y) == desk::kRed;
    EXPECT_GT(solid, 100);

    // Markup that a rich-text label would load (an image read from a device
    // without end), NUL bytes, bytes that are not GBK, and replies of 10,000 fields.
    const QByteArray markup = "<img src=/dev/zero>";
    m_replies.set("/msq?cn_600000", "'sh','600000','" + markup + "','1" + QByteArray(1, '\0') +
                                        "2','\x81\x20\xff','o','p','b','a','v','m','<i>9</i>'");
    m_replies.set("/msq?cn_000858", "'sh','000858','" + markup + "','9.5','<b>-1%</b>'" +
                                        QByteArray(",'x'").repeated(10000));
    m_replies.set("/msq?zs_000001", "'','','','" + markup + "','<b>1%</b>'");
    m_replies.set("/msq?zs_399001",
                  "'','','','\x81\x20" + QByteArray(1, '\0') + "','" + markup + "'");
    const qint64 before = processprobe::residentKiB();

    QSignalSpy finished(m_form->refreshCycle(), &RefreshCycle::tickFinished);
    m_form->refreshCycle()->tick();
    // Not finished.wait(): a window closed by an earlier test in this process ended
    // the application, and event loops entered since return at once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 10000));
    m_form->grab(); // paints every label and cell

    EXPECT_EQ(rows()[0], "600000|" + QString::fromLatin1(markup) + "|1" + QChar(0) + "2|<i>9</i>|" +
                             gbk::decode("\x81\x20\xff") + "|10.5|9.5");
    EXPECT_EQ(rows()[1], QString::fromLatin1("000858|" + markup + "|9.5|x|<b>-1%</b>|160|140"));
    EXPECT_EQ(part<QLabel>("Label4")->text(), "上证指数  <img src=/dev/zero> <b>1%</b>");
    for (const QLabel* label : m_form->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    EXPECT_LT(processprobe::residentKiB() - before, 30 * 1024)
        << "memory grew while showing the replies";

    // The band's windows open once, beside the main window, and are built afresh after closing.
    WebBand* band = m_form->webBand();
    choose("mnu23"); // no row selected: no chart
    EXPECT_FALSE(band->chartWindow());
    select(0);
    select(1);
    choose("mnu23"); // the last selected row's chart
    EXPECT_SOON(requestsFor("/cn/000858/index_kp.shtml") == 1);
    click("Command2");
    click("Command3");
    QPointer<HistoryWindow> history = band->historyWindow();
    ASSERT_TRUE(band->chartWindow() && band->introWindow() && history);
    // Where the introduction and the history open, and that only the history follows the main
    // window, is the desktop's end-to-end test.
    EXPECT_SOON(requestsFor("/map1.asp?cid=15") == 1);

    // Showing an open window only brings it up; a closed one is gone and comes back loaded afresh.
    click("Command3");
    EXPECT_EQ(band->historyWindow(), history);
    history->close();
    EXPECT_SOON(history.isNull());
    click("Command3");
    EXPECT_SOON(requestsFor("/map1.asp?cid=15") == 2);

    // The companion starts from the program's directory without arguments.
    const QString companion = m_dir.filePath("Tarvex");
    ASSERT_TRUE(safeSave(companion, "#!/bin/sh\necho \"started $#\" >\"$0.log\"\n"));
    QFile::setPermissions(companion, QFile::ReadOwner | QFile::ExeOwner);
    click("Command1");
    EXPECT_SOON(readFile(companion + ".log") == "started 0\n");
}

TEST_F(Form1Test, TheSmallBrowserTakesRiskAndTodaysPicksFromTheirOwnAddressesOnly) {
    standin::StandinServer standin(7, 3600 * 1000);
    const quint16 port = standin.listen(0);
    ASSERT_NE(port, 0);
    const QString base = "http://127.0.0.1:" + QString::number(port);
    ASSERT_TRUE(standin.site().setRiskGrade("高"));
    qputenv("QUILLON_SITE_URL", base.toUtf8());
    qputenv("QUILLON_QUOTE_URL", base.toUtf8());
    m_form = std::make_unique<Form1>(m_dir.path(), m_dir.path());
    auto* risk = part<QLabel>("Label3");
    auto* band = part<WebView>("WebBrowser2");
    EXPECT_SOON(risk->text() == "高" && risk->palette().color(QPalette::WindowText) == desk::kRed);
    ASSERT_TRUE(standin.site().setRiskGrade("低"));
    loadAndSettle(band, services::sitePage(pages::kMarketRisk));
    EXPECT_TRUE(risk->text() == "低" && risk->palette().color(QPalette::WindowText) != desk::kRed);

    // The strip panel's scroll bars go, whatever the page asked for.
    auto* strip = part<WebView>("WebBrowser1");
    loadAndSettle(strip, services::sitePage(pages::kContact));
    EXPECT_EQ(evaluate(strip, "getComputedStyle(document.documentElement).overflow +"
                              "getComputedStyle(document.body).overflow"),
              "hiddenhidden");

    // Today's page gives characters 9 to 31; yesterday's changes nothing.
    const QUrl picksPage = services::sitePage(pages::kDailyPicks);
    loadAndSettle(band, picksPage);
    auto* picks = part<QLabel>("Label1");
    EXPECT_EQ(picks->text(), standin::picksText(standin::dailyPicks(QDate::currentDate(),
                                                                    standin.book().stocks())));
    ASSERT_TRUE(standin.site().setPicksDay("yesterday"));
    picks->setText("before");
    EXPECT_EQ(loadAndSettle(band, picksPage), picksPage);
    EXPECT_EQ(picks->text(), "before");

    // A risk page that redirects to the stand-in under another host name is some other page.
    ASSERT_TRUE(standin.site().setRiskGrade("中"));
    ASSERT_TRUE(m_server.listen());
    const QByteArray elsewhere =
        "http://localhost:" + QByteArray::number(port) + "/htm/fengxian.htm";
    m_replies["/htm/fengxian.htm"].status = 302;
    m_replies["/htm/fengxian.htm"].headers = {{"Location", elsewhere}};
    qputenv("QUILLON_SITE_URL", m_server.baseUrl().toUtf8());
    EXPECT_EQ(loadAndSettle(band, services::sitePage(pages::kMarketRisk)), QUrl(elsewhere));
    EXPECT_EQ(risk->text(), "低");
}

TEST_F(Form1Test, TheTrackerListsTheNewsPageEveryFifthMinuteAndABadServiceOnlyEmptiesIt) {
    startWith();
    // GBK pages beyond a quote reply's 64 KiB; the third floods.
    const auto page = [](const QString& first, const QString& second) {
        QString html(100 * 1024, ' ');
        for (const QString& headline : {first, second})
            html += "<li><span>12-07 09:31</span><a href=\"" + QString(68, '0') + headline +
                    "\" target=\"_blank\">";
        return gbk::encode(html);
    };
    // Past 4 MiB, then the close ends it.
    const ScriptedResponse flood = ScriptedResponse::rawStream(
        "HTTP/1.1 200 OK\r\n\r\n" + page("券商", "煤炭"), QByteArray(64 * 1024, ' '), 70);
    QList<ScriptedResponse> news{ScriptedResponse(page("半导体拉升", "银行走高")),
                                 ScriptedResponse(page("券商走强", "煤炭领涨")), flood,
                                 ScriptedResponse(page("军工概念", "光伏涨停"))};
    m_server.setHandler([&news](const RecordedRequest& request) {
        return request.target == pages::kNews && !news.isEmpty() ? news.takeFirst()
                                                                 : ScriptedResponse();
    });
    QPointer<Jujiao> tracker = openTracker();
    ASSERT_TRUE(tracker);
    QSignalSpy refreshed(tracker, &Jujiao::refreshed);
    EXPECT_EQ(openTracker(), tracker); // clicked while it is open: only brought up
    EXPECT_SOON(refreshed.size() == 1);
    EXPECT_EQ(lines(tracker), (QStringList{"*半导体拉升12-07 09:31", "银行走高12-07 09:31"}));

    const std::vector<bool> fifth{false, false, false, false, true};
    EXPECT_EQ(runMinutes(tracker, 5), fifth);
    EXPECT_SOON(refreshed.size() == 2);
    EXPECT_EQ(lines(tracker), (QStringList{"券商走强12-07 09:31", "*煤炭领涨12-07 09:31"}));

    // A page past 4 MiB, ended by the service's close, is refused, its first
    // entries with it: a failed fetch empties the list.
    EXPECT_EQ(runMinutes(tracker, 5), fifth);
    EXPECT_SOON(refreshed.size() == 3);
    EXPECT_EQ(lines(tracker), QStringList());

    // Its frame long settled, it follows the main window's move at once, not at its tick.
    tracker->findChild<QTimer*>("Timer2")->stop();
    m_form->move(m_form->pos() + QPoint(-40, 30));
    EXPECT_SOON(tracker->frameGeometry().topLeft() == desk::besideRightEdge(m_form->outerRect()));

    // Closed, it is gone; opened again, it fetches once, at once.
    tracker->close();
    EXPECT_SOON(tracker.isNull());
    tracker = openTracker();
    ASSERT_TRUE(tracker);
    EXPECT_SOON(lines(tracker) == (QStringList{"*军工概念12-07 09:31", "*光伏涨停12-07 09:31"}));
    EXPECT_EQ(requestsFor(pages::kNews), 4);
}
