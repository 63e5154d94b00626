#include "desk/webband.h"

#include "desk/bandwindows.h"
#include "desk/deskrules.h"
#include "desk/form1.h"
#include "desk/pagerules.h"
#include "desk/watchlistview.h"
#include "platform/platform.h"
#include "services/services.h"
#include "widgets/webview.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

WebBand::WebBand(Form1* form)
    : QObject(form)
    , m_form(form) {
    // The strip panel is a narrow band: scroll bars would cover it.
    connect(form->WebBrowser1, &WebView::loaded, form->WebBrowser1, &WebView::hideScrollBars);
    connect(form->WebBrowser2, &WebView::loaded, this, &WebBand::smallBrowserLoaded);
    connect(form->Command1, &QPushButton::clicked, this, &WebBand::startCompanion);
    connect(form->Command2, &QPushButton::clicked, this, &WebBand::showIntro);
    connect(form->Command3, &QPushButton::clicked, this, &WebBand::showHistory);
    connect(form->mnu23, &QAction::triggered, this, &WebBand::showChart);
}

WebBand::~WebBand() {
    delete m_chart;
    delete m_intro;
    delete m_history;
}

ChartWindow* WebBand::chartWindow() const {
    return m_chart;
}
IntroWindow* WebBand::introWindow() const {
    return m_intro;
}
HistoryWindow* WebBand::historyWindow() const {
    return m_history;
}

void WebBand::smallBrowserLoaded(const QUrl& url, bool ok) {
    if (!ok)
        return;
    switch (desk::bandPageOf(url, services::siteBaseUrl())) {
    case desk::BandPage::MarketRisk:
        m_form->WebBrowser2->readBodyText(
            url, [form = m_form](const QString& text) { form->setRiskGrade(text); });
        break;
    case desk::BandPage::DailyPicks:
        m_form->WebBrowser2->readBodyText(
            url, [label = QPointer<QLabel>(m_form->Label1)](const QString& text) {
                // A page still showing an earlier day leaves the last picks in place.
                const auto caption = desk::picksCaption(text, QDate::currentDate());
                if (caption && label)
                    label->setText(*caption);
            });
        break;
    case desk::BandPage::Other:
        break;
    }
}

void WebBand::startCompanion() {
    // A missing companion is not the user's concern here: nothing is shown.
    platform::startDetached(platform::companionProgram(m_form->programDirectory()));
}

template <typename Window, typename... Args>
Window* WebBand::bringUp(QPointer<Window>& window, Args&&... args) {
    if (!window) {
        window = new Window(std::forward<Args>(args)...);
        window->setWindowIcon(m_form->windowIcon());
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void WebBand::showIntro() {
    bringUp(m_intro, m_form->docker());
}

void WebBand::showHistory() {
    bringUp(m_history, m_form->docker());
}

void WebBand::showChart() {
    const WatchListView* list = m_form->ListView1;
    const QTreeWidgetItem* last = nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected())
            last = list->topLevelItem(i);
    if (!last)
        return;
    ChartWindow* chart = bringUp(m_chart);
    chart->WebBrowser1->setUrl(
        desk::chartPageUrl(services::chartBaseUrl(), last->text(desk::CodeColumn)));
}
