#include "desk/webband.h"

#include "desk/bandwindows.h"
#include "desk/deskrules.h"
#include "desk/pagerules.h"
#include "platform/platform.h"
#include "services/services.h"
#include "widgets/webview.h"
#include "widgets/windowplacer.h"

WebBand::WebBand(QWidget* mainWindow, WebView* smallBrowser, desk::MainOuter mainOuter,
                 const QString& programDirectory)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
    , m_smallBrowser(smallBrowser)
    , m_mainOuter(std::move(mainOuter))
    , m_programDirectory(programDirectory) {
    connect(m_smallBrowser, &WebView::loaded, this, &WebBand::smallBrowserLoaded);
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
        m_smallBrowser->readBodyText(url, [self = QPointer<WebBand>(this)](const QString& text) {
            if (self)
                emit self->riskGradeRead(text);
        });
        break;
    case desk::BandPage::DailyPicks:
        m_smallBrowser->readBodyText(url, [self = QPointer<WebBand>(this)](const QString& text) {
            // A page still showing an earlier day leaves the last picks in place.
            if (const auto caption = desk::picksCaption(text, QDate::currentDate());
                caption && self)
                emit self->picksRead(*caption);
        });
        break;
    case desk::BandPage::Other:
        break;
    }
}

void WebBand::startCompanion() {
    // A missing companion is not the user's concern here: nothing is shown.
    platform::startDetached(platform::companionProgram(m_programDirectory));
}

template <typename Window, typename... Args>
Window* WebBand::bringUp(QPointer<Window>& window, Args&&... args) {
    if (!window) {
        window = new Window(std::forward<Args>(args)...);
        window->setWindowIcon(m_mainWindow->windowIcon());
    }
    ::bringUp(window);
    return window;
}

void WebBand::showIntro() {
    bringUp(m_intro, m_mainOuter);
}

void WebBand::showHistory() {
    bringUp(m_history, m_mainOuter);
}

void WebBand::showChart(const QString& code) {
    bringUp(m_chart)->showPage(desk::chartPageUrl(services::chartBaseUrl(), code));
}
