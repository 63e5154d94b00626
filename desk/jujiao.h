#pragma once

#include "desk/rightedgefollow.h"

#include <QWidget>

class QListWidget;
class QTimer;
class HttpClient;
class HttpQueue;

// The hot-sector tracker "热点板块追踪": the entries of an outside news page,
// one line each, fetched when the window opens and every fifth minute after,
// in a window that stays at the main window's right edge. Closing it
// destroys it, a fetch on its way included.
class Jujiao : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMinutes = 5;
    static constexpr int kTimeoutMs = 15000;
    // Far above any news page, and still a bound on what a hostile one costs.
    static constexpr qint64 kMaxPageBytes = 4 * 1024 * 1024;

    // mainOuter gives the main window's outer rectangle, asked afresh at every tick.
    Jujiao(HttpClient* http, desk::MainOuter mainOuter);

signals:
    // The list was rebuilt from a fetch; it stays empty when the fetch failed.
    void refreshed();

private:
    void load();
    void minutePassed();
    void refresh();
    void showPage(const QString& page);

    QListWidget* m_headlines = nullptr;
    HttpQueue* m_newsFetcher = nullptr;
    QTimer* m_minuteTimer = nullptr; // the minutes, from load on
    QTimer* m_followTimer = nullptr; // following the main window
    int m_minutes = 0;
};
