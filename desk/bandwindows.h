#pragma once

#include "desk/rightedgefollow.h"

#include <QWidget>

class QTimer;
class QUrl;
class WebView;

// The three windows the main window's web band opens. Each is a top-level
// window of its own, not kept above others, and is destroyed when the user
// closes it; the next show builds it afresh.
class BandWindow : public QWidget {
    Q_OBJECT
protected:
    BandWindow(const char* name, const QString& caption, const QSize& clientSize);
};

// "llq": a stock's intraday chart page.
class ChartWindow : public BandWindow {
    Q_OBJECT
public:
    ChartWindow();

    void showPage(const QUrl& page);

private:
    WebView* m_browser = nullptr;
};

// "zaojian": the introduction, opened beside the main window.
class IntroWindow : public BandWindow {
    Q_OBJECT
public:
    explicit IntroWindow(desk::MainOuter mainOuter);

    static const QString kText;
};

// "lishi": the maker's history of picks, kept at the main window's right edge.
class HistoryWindow : public BandWindow {
    Q_OBJECT
public:
    explicit HistoryWindow(desk::MainOuter mainOuter);

private:
    WebView* m_browser = nullptr;
    QTimer* m_followTimer = nullptr; // puts the window back beside the main window
};
