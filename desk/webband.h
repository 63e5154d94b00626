#pragma once

#include <QObject>
#include <QPointer>

class ChartWindow;
class Form1;
class HistoryWindow;
class IntroWindow;
class QUrl;

// The band below the main window's list: what its two small browsers' pages
// put into the picks and risk boxes, the function area's buttons for the
// companion program, the introduction and the history, and the list's chart
// command. The windows it opens have no owner; it closes them with itself.
class WebBand : public QObject {
    Q_OBJECT
public:
    explicit WebBand(Form1* form);
    ~WebBand() override;

    // The open windows, or null.
    ChartWindow* chartWindow() const;
    IntroWindow* introWindow() const;
    HistoryWindow* historyWindow() const;

    void startCompanion();
    void showIntro();
    void showHistory();
    // The chart of the last selected row of the list; none without a selection.
    void showChart();

private:
    void smallBrowserLoaded(const QUrl& url, bool ok);
    template <typename Window, typename... Args>
    Window* bringUp(QPointer<Window>& window, Args&&... args);

    Form1* m_form;
    QPointer<ChartWindow> m_chart;
    QPointer<IntroWindow> m_intro;
    QPointer<HistoryWindow> m_history;
};
