#pragma once

#include "viewer/updatenotice.h"

#include <QPointer>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class LinkLabel;
class TrayShell;
class WebView;

// Tarvex's window: five category buttons over the page being read, the
// maker's introduction in a side panel, and the watch on the rumour page
// (reloaded on the user's period, its head compared at every load). Controls
// keep their design names.
class NewsWindow : public QWidget {
    Q_OBJECT
public:
    NewsWindow();
    ~NewsWindow() override;

    // Back from the tray or from behind other windows, in front of them:
    // what a second start of Tarvex does instead of opening a second window.
    void comeForward();

    TrayShell* trayShell() const { return m_tray; }
    UpdateNotice* notice() const { return m_notice.data(); }
    int tickCounter() const { return m_tickCounter; }

    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    WebView* WebBrowser1 = nullptr; // the page being read; silent
    WebView* WebBrowser2 = nullptr; // the introduction panel
    QLabel* Image1 = nullptr;
    LinkLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr; // reload period in seconds, never shown
    QLineEdit* Text2 = nullptr; // remembered page head, never shown
    QTimer* Timer1 = nullptr;

    QMenu* mn = nullptr; // the reload period, over the window
    QAction* mn9 = nullptr;
    QAction* mn1 = nullptr;
    QAction* mn2 = nullptr;
    QAction* mn5 = nullptr;
    QAction* mn10 = nullptr;
    QAction* mn30 = nullptr;
    QAction* mn60 = nullptr;
    QMenu* mnu = nullptr; // the tray's
    QAction* mnu2 = nullptr;
    QAction* mnu1 = nullptr;
    QAction* mnu3 = nullptr;
    QAction* mnu18 = nullptr;
    QAction* mnu11 = nullptr;
    QAction* MNU12 = nullptr;
    QAction* mnu5 = nullptr;
    QAction* mnu6 = nullptr;
    QAction* mnu7 = nullptr;
    QAction* mnu8 = nullptr;
    QAction* mnu9 = nullptr;
    QAction* mnu10 = nullptr;
    QAction* mnu13 = nullptr;
    QAction* mnu15 = nullptr;
    QAction* mnu16 = nullptr;
    QAction* mnu17 = nullptr;
    QAction* mnu19 = nullptr;
    QAction* mnu20 = nullptr;
    QAction* mnu21 = nullptr;
    QAction* mnu4 = nullptr;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void createMenus();
    void tick();
    void pageLoaded(const QUrl& url, bool ok);
    void showNotice();
    void openSitePage(const char* path);

    TrayShell* m_tray = nullptr;
    QPointer<UpdateNotice> m_notice;
    int m_tickCounter = 0;
};
