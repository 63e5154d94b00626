// The built Tarvex beside Quillon on a desktop with a system tray and a window
// manager (openbox), reading the stand-in site on loopback. How the shared tray
// and placement behave without a window manager is Quillon's desktop test's.
#include "demo/standinserver.h"
#include "tests/e2e/desktopharness.h"

#include <QTest>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const QSize kScreen(1280, 800);
const QSize kNotice(150, 61); // 2250 x 915 twips
// In the main window's client area: the background between the buttons and the page.
const QPoint kBackground(48, 48);

} // namespace

TEST(TarvexEndToEnd, ItLivesInItsOwnTrayIconAndATimedReloadOfAChangedHeadRaisesOneNotice) {
    VirtualDisplay display;
    ASSERT_EQ(display.start(kScreen), "");
    ASSERT_EQ(display.startWindowManager(), "");
    ASSERT_EQ(display.startTray(), "");
    standin::StandinServer standin(3, 3000);
    QString log;
    QTextStream requests(&log);
    standin.setLog(&requests);
    const QString url = "http://127.0.0.1:" + QString::number(standin.listen(0));
    ProgramRun tarvex(display, TARVEX_EXECUTABLE, kTarvexCaption), quillon(display);
    ASSERT_NO_FATAL_FAILURE(tarvex.start(url));
    ASSERT_NO_FATAL_FAILURE(quillon.start(url));
    const QString mainWindow = tarvex.mainWindow(30000);
    ASSERT_FALSE(mainWindow.isEmpty()) << "no main window";
    // Chromium's sandbox is on: its zygote, which Tarvex starts, has a user namespace of its own.
    const QString pid = QString::number(tarvex.processId());
    const QByteArray own = display.run("ps", {"-o", "userns=", "-p", pid}).trimmed();
    ASSERT_FALSE(own.isEmpty());
    EXPECT_FALSE(
        display.run("ps", {"-o", "userns=", "--ppid", pid}).replace(own, "").trimmed().isEmpty())
        << "Tarvex's web engine processes all share its user namespace, " << own.constData();

    // "1分钟", the second entry of the menu over the window's background.
    display.click(display.window(mainWindow).value_or(WindowState{}).position + kBackground, 1, 3);
    QTest::qWait(700);
    display.run("xdotool", {"key", "--delay", "80", "Down", "Down", "Return"});
    standin.site().moveRumoursOn();

    // The close box hides Tarvex to its own icon.
    std::optional<QPoint> icon, quillonIcon;
    ASSERT_TRUE(waitUntil(
        [&] {
            return (icon = display.trayIcon("Tarvex")) &&
                   (quillonIcon = display.trayIcon("Quillon")) && *icon != *quillonIcon;
        },
        30000))
        << "trayer does not show both programs' icons";
    display.sendCloseRequest(mainWindow);
    EXPECT_TRUE(waitUntil([&] { return display.wmState(mainWindow) == "Withdrawn"; }, 15000))
        << "the close box left it on the screen";
    ASSERT_TRUE(tarvex.running()) << "the close box ended the program";

    // The timer went on in the tray; its reload finds the changed head.
    ASSERT_TRUE(waitUntil([&] { return log.contains("GET /map1.asp?cid=2&page=1\n"); }, 65000))
        << "no timed reload within a minute of choosing 1分钟";
    const QString notice = tarvex.windowOfSize(kNotice, 10000);
    ASSERT_FALSE(notice.isEmpty()) << "no notice of the changed rumour page";
    // Its outer rectangle in the screen's corner, 400 twips (27 px) above the bottom.
    const auto inTheCorner = [](const QRect& frame) {
        return frame.right() + 1 == kScreen.width() && frame.bottom() + 1 == kScreen.height() - 27;
    };
    EXPECT_TRUE(display.outerMeets(notice, inTheCorner));

    // What a dismissal does to the baseline, and each way to dismiss, are the window's own tests.
    display.click(display.window(notice).value_or(WindowState{}).position + QPoint(75, 30));
    EXPECT_TRUE(waitUntil([&] { return !display.outer(notice); }, 5000))
        << "the click left the notice on the screen";
    tarvex.expectEndsCleanlyOnSigterm();
    quillon.expectEndsCleanlyOnSigterm();
}
