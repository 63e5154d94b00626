// Tarvex's window and its update notice, with the real web engine and the
// stand-in site on loopback.
#include "viewer/newswindow.h"

#include "demo/standinserver.h"
#include "services/sitepages.h"
#include "widgets/webview.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

#include "tests/support/qtry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using namespace pages;

class NewsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_site = "http://127.0.0.1:" + QString::number(m_standin.listen(0));
        qputenv("QUILLON_SITE_URL", m_site.toUtf8());
    }
    void TearDown() override { qunsetenv("QUILLON_SITE_URL"); }

    QUrl page(const char* path) const { return QUrl(m_site + path); }

    // After button's load, once the window has handled it (a view answers
    // scripts in the order asked): the first ten characters of the page's text.
    static QString headAfterLoad(NewsWindow& window, QPushButton* button) {
        QSignalSpy loaded(window.WebBrowser1, &WebView::loaded);
        if (button)
            button->click();
        EXPECT_SOON(!loaded.isEmpty());
        auto head = std::make_shared<std::optional<QString>>();
        window.WebBrowser1->page()->runJavaScript(
            "document.body ? document.body.outerText.slice(0, 10) : ''",
            [head](const QVariant& text) { *head = text.toString(); });
        EXPECT_SOON(head->has_value());
        return head->value_or("<none>");
    }

    standin::StandinServer m_standin{5, 3600 * 1000};
    QString m_site;
};

} // namespace

TEST_F(NewsWindowTest, ButtonsAndPeriodEntriesTouchNothingElseAndTheNoticeWrapsAfterXin) {
    QElapsedTimer clock;
    clock.start();
    NewsWindow window;
    // At one minute the timed reload is the 60th tick, and must not come before 55 s.
    window.mn1->trigger();
    QTest::qWait(1200);
    EXPECT_LE(window.tickCounter() * 55'000, clock.elapsed() * 60) << window.tickCounter();
    window.Timer1->setInterval(1); // a few seconds counted, then the clock stands still
    EXPECT_SOON(window.tickCounter() >= 3);
    window.Timer1->stop();
    const int counted = window.tickCounter();
    window.Text2->setText("remembered");

    for (const auto& [button, path] : {std::pair{window.Command1, kRumours},
                                       {window.Command5, kHotTopics},
                                       {window.Command2, kTradingTools},
                                       {window.Command3, kTechnique},
                                       {window.Command4, kChatDigest}}) {
        button->click();
        EXPECT_EQ(window.WebBrowser1->url(), page(path)) << path;
    }

    const std::pair<QAction*, const char*> periods[] = {
        {window.mn1, "60"},   {window.mn2, "120"},   {window.mn5, "300"},
        {window.mn10, "600"}, {window.mn30, "1800"}, {window.mn60, "3600"},
        {window.mnu5, "60"},  {window.mnu6, "120"},  {window.mnu7, "300"},
        {window.mnu8, "600"}, {window.mnu9, "1800"}, {window.mnu10, "3600"}};
    for (const auto& [entry, seconds] : periods) {
        entry->trigger();
        EXPECT_EQ(window.Text1->text(), seconds) << entry->objectName().toStdString();
    }
    EXPECT_EQ(window.tickCounter(), counted);
    EXPECT_EQ(window.Text2->text(), "remembered");
    EXPECT_EQ(window.WebBrowser1->url(), page(kChatDigest)) << "a period entry reloaded";

    // Narrower than its text, label1 breaks it after "新" in its own font.
    UpdateNotice notice;
    const QLabel* label = notice.label1;
    QTextLayout layout(label->text(), label->font()); // wrapping at blanks, as QLabel does
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->contentsRect().width());
        lines << label->text().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    EXPECT_EQ(lines, QStringList({"传 闻 有 更 新", "快 去 淘 金 吧！"}));
}

TEST_F(NewsWindowTest, AChangedRumourHeadRaisesOneNoticeAClickOrItsCloseBoxTakesANewBaseline) {
    // Started while the site cannot be reached: the failed load is no baseline.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    qputenv("QUILLON_SITE_URL", "http://127.0.0.1:" + QByteArray::number(closed.serverPort()));
    closed.close();
    NewsWindow window;
    window.Timer1->stop();
    headAfterLoad(window, nullptr);
    EXPECT_EQ(window.Text2->text(), "");

    qputenv("QUILLON_SITE_URL", m_site.toUtf8());
    const QString head = headAfterLoad(window, window.Command1);
    EXPECT_TRUE(head.startsWith("传闻"));
    EXPECT_EQ(window.Text2->text(), head);

    const QPoint movedByUser(20, 30);
    for (const char* target : {"label1", "Label2", "close box", "tx"}) {
        m_standin.site().moveRumoursOn();
        const QString baseline = window.Text2->text();
        for (int load = 0; load < 2; ++load) { // the second one while it is shown
            headAfterLoad(window, window.Command1);
            ASSERT_TRUE(window.notice() && window.notice()->isVisible()) << target;
        }
        UpdateNotice* notice = window.notice();
        EXPECT_EQ(window.Text2->text(), baseline);
        EXPECT_EQ(std::ranges::count_if(QApplication::topLevelWidgets(),
                                        [](QWidget* w) { return qobject_cast<UpdateNotice*>(w); }),
                  1);
        if (target == std::string("label1")) {
            QTest::qWait(1000); // placed for good; then the user moves it
            notice->move(movedByUser);
        }
        EXPECT_EQ(notice->pos(), movedByUser) << "placed again at a later show";

        window.WebBrowser2->setUrl(QUrl("about:blank"));
        QWidget* clicked = notice->findChild<QWidget*>(target);
        if (target == std::string("close box")) // as the window manager sends it, Alt+F4 too
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
                notice->windowHandle());
        else
            QTest::mouseClick(clicked ? clicked : notice, Qt::LeftButton, {}, QPoint(4, 55));
        EXPECT_FALSE(notice->isVisible()) << target;
        EXPECT_EQ(window.WebBrowser2->url(), page(kIntroduction));
        EXPECT_EQ(window.Text2->text(), "");

        // Even a changed head is only the new baseline after a dismissal.
        m_standin.site().moveRumoursOn();
        const QString newHead = headAfterLoad(window, window.Command1);
        EXPECT_EQ(window.Text2->text(), newHead);
        EXPECT_FALSE(notice->isVisible());
    }
}
