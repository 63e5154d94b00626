#pragma once

#include "desk/rightedgefollow.h"

#include <QObject>
#include <QPointer>
#include <QString>

class ChartWindow;
class HistoryWindow;
class IntroWindow;
class QUrl;
class QWidget;
class WebView;

// The band below the main window's list: what the small browser's pages say
// for the picks and risk boxes, the companion program, the introduction and
// the history the function area asks for, and a stock's chart. The windows it
// opens have no owner; it closes them with itself.
class WebBand : public QObject {
    Q_OBJECT
public:
    // The windows take mainWindow's icon and open by mainOuter; the companion
    // program is looked for in programDirectory.
    WebBand(QWidget* mainWindow, WebView* smallBrowser, desk::MainOuter mainOuter,
            const QString& programDirectory);
    ~WebBand() override;

    // The open windows, or null.
    ChartWindow* chartWindow() const;
    IntroWindow* introWindow() const;
    HistoryWindow* historyWindow() const;

    void startCompanion();
    void showIntro();
    void showHistory();
    void showChart(const QString& code);

signals:
    // The market-risk page's text, as it came.
    void riskGradeRead(const QString& grade);
    // Today's picks, from a picks page of today; an earlier day's says nothing.
    void picksRead(const QString& caption);

private:
    void smallBrowserLoaded(const QUrl& url, bool ok);
    template <typename Window, typename... Args>
    Window* bringUp(QPointer<Window>& window, Args&&... args);

    QWidget* m_mainWindow;
    WebView* m_smallBrowser;
    desk::MainOuter m_mainOuter;
    QString m_programDirectory;
    QPointer<ChartWindow> m_chart;
    QPointer<IntroWindow> m_intro;
    QPointer<HistoryWindow> m_history;
};
