// Tarvex's window and its update notice, with the real web engine and the
// stand-in site on loopback.
#include "viewer/newswindow.h"

#include "demo/standinserver.h"
#include "services/sitepages.h"
#include "widgets/webview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

#include "tests/support/qtry.h"

#include <gtest/gtest.h>

namespace {

using namespace pages;

// A control by its design name, as the design and the end-to-end tests know it.
template <typename T> T* named(const QObject& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    return found ? found : throw std::runtime_error("no control named " + name.toStdString());
}

// The update notice, if there is exactly one, shown or not.
UpdateNotice* onlyNotice() {
    QList<QWidget*> notices = QApplication::topLevelWidgets();
    notices.removeIf([](QWidget* window) { return !qobject_cast<UpdateNotice*>(window); });
    return notices.size() == 1 ? static_cast<UpdateNotice*>(notices[0]) : nullptr;
}

// After a click on the rumour button, once the window has handled the load
// (a view answers scripts in the order asked): the first ten characters of
// the page's text.
QString rumourHeadAfterClick(NewsWindow& window) {
    auto* browser = named<WebView>(window, "WebBrowser1");
    QSignalSpy loaded(browser, &WebView::loaded);
    named<QPushButton>(window, "Command1")->click();
    EXPECT_SOON(!loaded.isEmpty());
    auto head = std::make_shared<std::optional<QString>>();
    browser->page()->runJavaScript("document.body ? document.body.outerText.slice(0, 10) : ''",
                                   [head](const QVariant& text) { *head = text.toString(); });
    EXPECT_SOON(head->has_value());
    return head->value_or("<none>");
}

} // namespace

// Narrower than its text, the notice's message breaks after "新" in its own
// font: wrapped at blanks, a line is the longest run of words that fits.
TEST(UpdateNoticeTest, TheNoticeWrapsAfterXin) {
    UpdateNotice notice;
    const auto* label = named<QLabel>(notice, "label1");
    ASSERT_EQ(label->text(), "  传 闻 有 更 新      快 去 淘 金 吧！");
    const QFontMetrics metrics(label->font());
    const int width = label->contentsRect().width();
    EXPECT_LE(metrics.horizontalAdvance("  传 闻 有 更 新"), width);
    EXPECT_GT(metrics.horizontalAdvance("  传 闻 有 更 新      快"), width);
    EXPECT_LE(metrics.horizontalAdvance("快 去 淘 金 吧！"), width);
}

TEST(NewsWindowTest, AChangedRumourHeadRaisesOneNoticeItsDismissalTakesANewBaselineTheClockRunsOn) {
    standin::StandinServer standin(5, 3600 * 1000);
    const QString site = "http://127.0.0.1:" + QString::number(standin.listen(0));
    // Started while the site cannot be reached (nothing listens on port 2): a
    // failed load is no baseline.
    qputenv("QUILLON_SITE_URL", "http://127.0.0.1:2");
    NewsWindow window;
    auto* browser = named<WebView>(window, "WebBrowser1");
    auto* head = named<QLineEdit>(window, "Text2");
    rumourHeadAfterClick(window);
    EXPECT_EQ(head->text(), "");
    // At one minute the timed reload is the clock's 60th tick: on this timer, not before 55 s.
    EXPECT_EQ(named<QTimer>(window, "Timer1")->interval(), 1000);
    named<QTimer>(window, "Timer1")->setInterval(1); // a few seconds counted, then it stands still
    EXPECT_SOON(window.tickCounter() >= 3);
    named<QTimer>(window, "Timer1")->stop();
    const int counted = window.tickCounter();

    qputenv("QUILLON_SITE_URL", site.toUtf8());
    for (const char* target : {"label1", "Label2", "close box", "tx"}) {
        // Without a baseline (after the failed start, after a dismissal) even
        // a changed head only becomes the baseline.
        standin.site().moveRumoursOn();
        const QString baseline = rumourHeadAfterClick(window);
        EXPECT_EQ(head->text(), baseline);
        EXPECT_FALSE(onlyNotice() && onlyNotice()->isVisible()) << target;

        standin.site().moveRumoursOn();
        for (int load = 0; load < 2; ++load) { // the second one while it is shown
            rumourHeadAfterClick(window);
            ASSERT_TRUE(onlyNotice() && onlyNotice()->isVisible()) << target;
        }
        UpdateNotice* notice = onlyNotice();
        EXPECT_EQ(head->text(), baseline);
        if (target == std::string("label1")) {
            QTest::qWait(1000); // placed for good; then the user moves it
            notice->move(20, 30);
        }
        EXPECT_EQ(notice->pos(), QPoint(20, 30)) << "placed again at a later show";

        named<WebView>(window, "WebBrowser2")->setUrl(QUrl("about:blank"));
        QWidget* clicked = notice->findChild<QWidget*>(target);
        if (target == std::string("close box")) // as the window manager sends it, Alt+F4 too
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
                notice->windowHandle());
        else
            QTest::mouseClick(clicked ? clicked : notice, Qt::LeftButton, {}, QPoint(4, 55));
        EXPECT_FALSE(notice->isVisible()) << target;
        EXPECT_EQ(named<WebView>(window, "WebBrowser2")->url(), QUrl(site + kIntroduction));
        EXPECT_EQ(head->text(), "");
    }

    // The buttons and the period entries touch nothing else.
    head->setText("remembered");
    const char* byButton[] = {kRumours, kTradingTools, kTechnique, kChatDigest, kHotTopics};
    for (int button = 1; button <= 5; ++button) {
        named<QPushButton>(window, "Command" + QString::number(button))->click();
        EXPECT_EQ(browser->url(), QUrl(site + byButton[button - 1])) << button;
    }
    const std::pair<const char*, const char*> periods[] = {
        {"mn60", "3600"}, {"mn30", "1800"},  {"mn10", "600"},  {"mn5", "300"},  {"mn2", "120"},
        {"mn1", "60"},    {"mnu10", "3600"}, {"mnu9", "1800"}, {"mnu8", "600"}, {"mnu7", "300"},
        {"mnu6", "120"},  {"mnu5", "60"}}; // longest first, so that each one changes the field
    for (const auto& [entry, seconds] : periods) {
        named<QAction>(window, entry)->trigger();
        EXPECT_EQ(named<QLineEdit>(window, "Text1")->text(), seconds) << entry;
    }
    EXPECT_EQ(window.tickCounter(), counted);
    EXPECT_EQ(head->text(), "remembered");
    EXPECT_EQ(browser->url(), QUrl(site + kHotTopics)) << "a period entry reloaded";
}
