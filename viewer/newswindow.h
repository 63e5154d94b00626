#pragma once

#include "viewer/updatenotice.h"

#include <QPointer>
#include <QWidget>

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
// (reloaded on the user's period, its head compared at every load). Its
// controls are its own; each carries its design name as its object name.
class NewsWindow : public QWidget {
    Q_OBJECT
public:
    NewsWindow();
    ~NewsWindow() override;

    // Back from the tray or from behind other windows, in front of them:
    // what a second start of Tarvex does instead of opening a second window.
    void comeForward();

    TrayShell* trayShell() const { return m_tray; }
    // Seconds counted towards the next timed reload of the rumour page.
    int tickCounter() const { return m_tickCounter; }

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
    // A page of the maker's site in the user's browser; the tray says so when
    // there is none.
    void openSitePage(const char* path);

    TrayShell* m_tray = nullptr;
    QPointer<UpdateNotice> m_notice;
    int m_tickCounter = 0;

    QPushButton* m_rumourButton = nullptr;
    QPushButton* m_hotTopicsButton = nullptr;
    QPushButton* m_tradingToolsButton = nullptr;
    QPushButton* m_techniqueButton = nullptr;
    QPushButton* m_chatDigestButton = nullptr;
    WebView* m_pageBrowser = nullptr;  // the page being read; silent
    WebView* m_introBrowser = nullptr; // the introduction panel
    QLabel* m_banner = nullptr;        // right click: the period menu
    LinkLabel* m_sloganLink = nullptr;
    QLineEdit* m_periodField = nullptr; // reload period in seconds, never shown
    QLineEdit* m_headField = nullptr;   // remembered page head, never shown
    QTimer* m_reloadTimer = nullptr;    // one tick a second, for the reload clock
    QMenu* m_periodMenu = nullptr;      // the reload period, over the window
    QMenu* m_trayMenu = nullptr;
};
