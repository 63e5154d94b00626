#include "desk/form1.h"

#include "desk/alertmonitor.h"
#include "desk/desklog.h"
#include "desk/deskrules.h"
#include "desk/edgedock.h"
#include "desk/edgedocker.h"
#include "desk/frmadd.h"
#include "desk/jujiao.h"
#include "desk/pagerules.h"
#include "desk/refreshcycle.h"
#include "desk/savenotice.h"
#include "desk/watchlist.h"
#include "desk/watchlistmodel.h"
#include "desk/watchlistview.h"
#include "desk/webband.h"
#include "net/httpclient.h"
#include "platform/platform.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "version.h"
#include "widgets/appicon.h"
#include "widgets/fittinglabel.h"
#include "widgets/formgeometry.h"
#include "widgets/trayshell.h"
#include "widgets/webview.h"
#include "widgets/windowplacer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const QString kCaption = QStringLiteral("QuillonV" QUILLON_VERSION "      By Orlan");
const QString kTrayTip = QStringLiteral("Tarvex-QuillonV5.0");

// Windows' classic active-border colour, the face of the "历史荐股" button.
const QColor kActiveBorderFace(212, 208, 200);

template <typename Label = QLabel>
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = new Label(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Index lines and page text come from outside: shown as sent, never as markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QString& tip,
                        const QRect& geometry, const QColor& face) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setGeometry(geometry);
    form::setFace(button, face);
    return button;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& title,
                     const QRect& geometry) {
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(geometry);
    return frame;
}

WebView* makeBrowser(QWidget* parent, const char* name, const QRect& geometry) {
    return form::place(new WebView(parent, WebView::Mode::Normal, lcDesk()), name, geometry);
}

HttpQueue* makeFetcher(HttpClient* client, QObject* parent, const char* name) {
    auto* fetcher = new HttpQueue(client, services::quoteBaseUrl(), parent);
    fetcher->setObjectName(QLatin1String(name));
    return fetcher;
}

QTimer* makeTimer(QObject* parent, const char* name, int intervalMs, bool enabled) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    if (enabled)
        timer->start();
    return timer;
}

} // namespace

// Above other windows from the start, as a ticker docked at a screen edge must
// be, and as a click on the tray icon leaves it: the hint is never changed
// later, since a window system may give the window a new native window for it.
Form1::Form1(const QString& programDirectory, const QString& watchListDirectory, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint)
    , m_programDirectory(programDirectory)
    , m_watchListDirectory(watchListDirectory) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kCaption);
    setWindowIcon(makeAppIcon(kQuillonIcon));
    setFixedSize(form::size(5955, 4905));
    // Start in the middle of the screen: a window that opened against an edge
    // would dock there and slide away at once. On several monitors, of the
    // primary one, where the task bar and the tray icon are.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        WindowPlacer::of(this)->moveTo(screen->availableGeometry().center() - rect().center());

    createControls();
    createMenus();

    m_tray = new TrayShell(this, windowIcon(), kTrayTip, m_trayMenu);
    m_docker = new EdgeDocker(this, m_dockTimer, this);
    m_refresh = new RefreshCycle(m_listModel, m_shanghaiIndexLabel, m_shenzhenIndexLabel,
                                 m_rowFetcher, m_indexFetcher, this);
    connect(m_refreshTimer, &QTimer::timeout, m_refresh, &RefreshCycle::tick);
    connect(m_refresh, &RefreshCycle::staleLineChanged, this, [this](const QString& line) {
        m_staleLine->setText(line);
        m_staleLine->setVisible(!line.isEmpty());
    });
    connect(m_refresh, &RefreshCycle::picksReloadDue, this,
            [this] { m_bandBrowser->setUrl(services::sitePage(pages::kDailyPicks)); });
    m_alerts = new AlertMonitor(m_listModel, this, m_alertTimer, m_alertFetcher, this);
    connect(m_alerts, &AlertMonitor::homePageRequested, this, &Form1::openHomePage);
    connect(m_alertsOnAction, &QAction::triggered, m_alerts, &AlertMonitor::switchOn);
    connect(m_alertsOffAction, &QAction::triggered, m_alerts, &AlertMonitor::switchOff);
    connectWebBand();

    load();
}

Form1::~Form1() {
    delete m_addDialog;
    delete m_jujiao;
}

void Form1::comeForward() {
    m_tray->comeForward();
}

QRect Form1::outerRect() const {
    return m_docker->outerRect();
}

void Form1::createControls() {
    // An index line (name, level and change) fills its label: the Shenzhen
    // index has five digits, and a fall adds its sign. So each label reaches
    // to the next one or to the window's edge, and a line wider still is
    // drawn smaller rather than cut off.
    m_shanghaiIndexLabel = makeLabel<FittingLabel>(this, "Label4", QStringLiteral("上证指数"),
                                                   form::rect(240, 120, 3000, 255));
    m_shanghaiIndexLabel->setFont(form::songTi(10.5));
    m_shenzhenIndexLabel = makeLabel<FittingLabel>(this, "Label5", QStringLiteral("深证成指"),
                                                   form::rect(3240, 120, 2715, 255));
    m_shenzhenIndexLabel->setFont(form::songTi(10.5));

    m_listModel = new desk::WatchListModel(this);
    m_listView = new WatchListView(this);
    m_listView->setObjectName(QStringLiteral("ListView1"));
    m_listView->setModel(m_listModel);
    m_listView->setGeometry(form::rect(0, 480, 5895, 2880));
    m_listView->setToolTip(QStringLiteral("点鼠标右键，增加股票代码，查看分时图"));

    // The strip panel overlaps the foot of the list and stands in front of it.
    m_stripBrowser = makeBrowser(this, "WebBrowser1", form::rect(0, 3120, 5895, 615));
    m_stripBrowser->setToolTip(
        QStringLiteral("如果觉得本软件能给您带来收益，请施援手，帮助我们继续免费下去"));

    QGroupBox* picksBox =
        makeFrame(this, "Frame2", QStringLiteral("今日牛股"), form::rect(120, 3720, 2800, 1095));
    picksBox->setFont(form::songTi(12));
    m_picksLabel = makeLabel(picksBox, "Label1", QStringLiteral("早盘9:15免费公布"),
                             form::rect(120, 240, 2535, 375));
    m_picksLabel->setFont(form::songTi(12));
    m_picksLabel->setToolTip(QStringLiteral("早盘9:15公布3只牛股"));
    form::setTextColour(m_picksLabel, desk::kRed);
    QLabel* picksAdvice = makeLabel(picksBox, "Label2", QStringLiteral("切勿追高 回调关注"),
                                    form::rect(120, 650, 2595, 375));
    picksAdvice->setFont(form::font(QStringLiteral("经典超圆简"), 14.25));
    form::setTextColour(picksAdvice, QColor(192, 0, 0));

    m_riskBox =
        makeFrame(this, "Frame3", QStringLiteral("大盘风险"), form::rect(2950, 3720, 970, 1095));
    m_riskLabel = makeLabel(m_riskBox, "Label3", QString(), form::rect(240, 360, 615, 615));
    m_riskLabel->setFont(form::songTi(26.25));
    m_riskLabel->setToolTip(QStringLiteral("根据大盘风险度来决定是否操作"));
    m_bandBrowser = makeBrowser(m_riskBox, "WebBrowser2", form::rect(960, 720, 135, 375));

    QGroupBox* functionBox =
        makeFrame(this, "Frame1", QStringLiteral("功能区"), form::rect(3960, 3720, 1935, 1095));
    const QColor lightRed(255, 192, 192);
    m_companionButton =
        makeButton(functionBox, "Command1", QStringLiteral("私募内参"),
                   QStringLiteral("每日私募传闻信息"), form::rect(90, 240, 855, 375), lightRed);
    m_trackerButton = makeButton(functionBox, "Command4", QStringLiteral("盘中播报"),
                                 QStringLiteral("支持本软件继续免费下去"),
                                 form::rect(980, 240, 855, 375), QColor(255, 128, 128));
    m_historyButton = makeButton(functionBox, "Command3", QStringLiteral("历史荐股"),
                                 QStringLiteral("Quillon使用教程"), form::rect(90, 600, 855, 375),
                                 kActiveBorderFace);
    m_introButton =
        makeButton(functionBox, "Command2", QStringLiteral("使用说明"),
                   QStringLiteral("每日的热点题材汇总"), form::rect(980, 600, 855, 375), lightRed);

    m_http = new HttpClient(this);
    m_rowFetcher = makeFetcher(m_http, this, "Inet1");
    m_alertFetcher = makeFetcher(m_http, this, "Inet2");
    m_indexFetcher = makeFetcher(m_http, this, "Inet3");
    m_refreshTimer = makeTimer(this, "Timer1", 8000, true);
    m_alertTimer = makeTimer(this, "Timer2", 8000, false);
    m_dockTimer = makeTimer(this, "Timer3", desk::dock::kPollMs, true);

    m_watchList =
        new WatchList(m_listModel, m_listView->selectionModel(), m_watchListDirectory, this);
    connect(m_refreshTimer, &QTimer::timeout, m_watchList, &WatchList::retrySave);
    connect(m_watchList, &WatchList::saveFailed, this, &Form1::reportUnsaved);
    // Over the part of the list that the strip panel leaves in sight.
    m_saveNotice = new SaveNotice(
        this,
        QRect(m_listView->pos(), QPoint(m_listView->geometry().right(), m_stripBrowser->y() - 1)));
    connect(m_watchList, &WatchList::saved, m_saveNotice, &QWidget::hide);

    // A thin line at the foot of the list's visible part, where the eye is
    // when prices stop moving; the rows themselves keep their last values.
    m_staleLine = new QLabel(this);
    m_staleLine->setObjectName(QStringLiteral("staleQuotesLine"));
    m_staleLine->setTextFormat(Qt::PlainText);
    m_staleLine->setFont(form::songTi(9));
    m_staleLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_staleLine->setContentsMargins(4, 0, 4, 0);
    m_staleLine->setAutoFillBackground(true);
    QPalette staleColours = m_staleLine->palette();
    staleColours.setColor(QPalette::WindowText, QColor(128, 64, 0));
    staleColours.setColor(QPalette::Window, QColor(255, 244, 200));
    m_staleLine->setPalette(staleColours);
    m_staleLine->setToolTip(QStringLiteral("报价服务没有应答，列表中的价格停在此时"));
    const int staleHeight = m_staleLine->sizeHint().height();
    m_staleLine->setGeometry(m_listView->x(), m_stripBrowser->y() - staleHeight,
                             m_listView->width(), staleHeight);
    m_staleLine->hide();

    connect(m_trackerButton, &QPushButton::clicked, this, [this] {
        if (!m_jujiao) {
            m_jujiao = new Jujiao(m_http, m_docker);
            m_jujiao->setWindowIcon(windowIcon());
        }
        bringUp(m_jujiao);
    });

    connect(m_listView, &WatchListView::leftClicked, this, &Form1::listClicked);
    connect(m_listView, &WatchListView::rightReleased, this,
            [this](const QPoint& at) { m_listMenu->popup(at); });
}

void Form1::createMenus() {
    m_listMenu = new QMenu(QStringLiteral("右键菜单"), this);
    m_listMenu->setObjectName(QStringLiteral("mnu2"));
    m_addStockAction = form::addEntry(m_listMenu, "mnu21", QStringLiteral("添加股票"));
    m_removeStockAction = form::addEntry(m_listMenu, "mnu22", QStringLiteral("删除股票"));
    m_chartAction = form::addEntry(m_listMenu, "mnu23", QStringLiteral("查看分时"));

    m_trayMenu = new QMenu(QStringLiteral("托盘菜单"), this);
    m_trayMenu->setObjectName(QStringLiteral("mn"));
    // The rules between groups are entries that do nothing, as the design has them.
    const QString dashes = QStringLiteral("——————");
    m_trayAddStockAction = form::addEntry(m_trayMenu, "mn17", QStringLiteral("添加股票"));
    form::addEntry(m_trayMenu, "mn21", dashes);
    m_alertsOnAction = form::addEntry(m_trayMenu, "mn19", QStringLiteral("预警开"));
    m_alertsOffAction = form::addEntry(m_trayMenu, "mn20", QStringLiteral("预警关"));
    form::addEntry(m_trayMenu, "mn18", dashes);
    m_homePageAction = form::addEntry(m_trayMenu, "mn1", QStringLiteral("Tarvex官网"));
    form::addEntry(m_trayMenu, "mn11", QStringLiteral("-----------"));
    m_startAtLoginAction = form::addEntry(m_trayMenu, "mn12", QStringLiteral("开机启动"));
    m_noStartAtLoginAction = form::addEntry(m_trayMenu, "mn13", QStringLiteral("取消开机启动"));
    form::addEntry(m_trayMenu, "mn14", dashes);
    m_contactAction = form::addEntry(m_trayMenu, "mn15", QStringLiteral("在线联系Orlan"));
    m_exitAction = form::addEntry(m_trayMenu, "mn16", QStringLiteral("退出"));

    connect(m_addStockAction, &QAction::triggered, this, &Form1::showAddDialog);
    connect(m_trayAddStockAction, &QAction::triggered, this, &Form1::showAddDialog);
    connect(m_removeStockAction, &QAction::triggered, m_watchList, &WatchList::removeSelected);
    connect(m_homePageAction, &QAction::triggered, this, &Form1::openHomePage);
    connect(m_startAtLoginAction, &QAction::triggered, this, &Form1::enableStartAtLogin);
    connect(m_noStartAtLoginAction, &QAction::triggered, this, &Form1::disableStartAtLogin);
    // Handed to the desktop, which opens the user's instant-messaging program
    // for it (or the browser, for a web page); a hidden panel shows nobody anything.
    connect(m_contactAction, &QAction::triggered, this,
            [this] { openAddress(services::contactUrl(), QStringLiteral("无法打开联系链接")); });
    connect(m_exitAction, &QAction::triggered, this, [this] { m_tray->exitNow(); });
}

// The band reads the small browser's pages and opens the windows of the
// function area and the list's chart entry; what it reads comes back here.
void Form1::connectWebBand() {
    m_band = new WebBand(this, m_bandBrowser, m_docker, m_programDirectory);
    // The strip panel is a narrow band: scroll bars would cover it.
    connect(m_stripBrowser, &WebView::loaded, m_stripBrowser, &WebView::hideScrollBars);
    connect(m_band, &WebBand::riskGradeRead, this, &Form1::setRiskGrade);
    connect(m_band, &WebBand::picksRead, m_picksLabel, &QLabel::setText);
    connect(m_companionButton, &QPushButton::clicked, m_band, &WebBand::startCompanion);
    connect(m_introButton, &QPushButton::clicked, m_band, &WebBand::showIntro);
    connect(m_historyButton, &QPushButton::clicked, m_band, &WebBand::showHistory);
    connect(m_chartAction, &QAction::triggered, this, [this] {
        if (const std::optional<QString> code = lastSelectedCode())
            m_band->showChart(*code);
    });
}

void Form1::load() {
    m_tray->addIcon();
    m_listView->setAllColumnsShowFocus(true);
    m_watchList->load();

    m_stripBrowser->setUrl(services::sitePage(pages::kAnnouncement));
    m_bandBrowser->setUrl(services::sitePage(pages::kMarketRisk));
}

void Form1::listClicked() {
    m_stripBrowser->setUrl(services::sitePage(pages::kAnnouncement));
    m_bandBrowser->setUrl(services::sitePage(pages::kDailyPicks));
}

std::optional<QString> Form1::lastSelectedCode() const {
    std::optional<QString> code;
    for (int i = 0; i < m_listModel->rowCount(); ++i)
        if (m_listView->selectionModel()->isRowSelected(i))
            code = m_listModel->find(m_listModel->idAt(i))->saved.code;
    return code;
}

void Form1::setRiskGrade(const QString& grade) {
    m_riskLabel->setText(grade);
    // Red only while the grade is high: a grade that falls again must not stay red.
    form::setTextColour(m_riskLabel, desk::isHighRisk(grade)
                                         ? desk::kRed
                                         : m_riskBox->palette().color(QPalette::WindowText));
}

FrmAdd* Form1::addDialog() const {
    return m_addDialog.data();
}

void Form1::showAddDialog() {
    if (!m_addDialog) {
        // A window of its own: it asks after this one only while this one is there.
        m_addDialog = new FrmAdd(m_http, m_docker);
        m_addDialog->setWindowIcon(windowIcon());
        connect(m_addDialog, &FrmAdd::stockChosen, m_watchList, &WatchList::add);
        connect(m_addDialog, &FrmAdd::homePageRequested, this, &Form1::openHomePage);
    }
    bringUp(m_addDialog);
}

void Form1::openHomePage() {
    openAddress(services::sitePage(pages::kHome).toString(), QStringLiteral("无法打开浏览器"));
}

void Form1::openAddress(const QString& address, const QString& failure) {
    if (!QDesktopServices::openUrl(QUrl(address)))
        tellUser(failure);
}

void Form1::enableStartAtLogin() {
    if (!platform::enableAutostart(QCoreApplication::applicationFilePath()))
        tellUser(QStringLiteral("开机启动设置失败"));
}

void Form1::disableStartAtLogin() {
    if (!platform::disableAutostart(QCoreApplication::applicationFilePath()))
        tellUser(QStringLiteral("取消开机启动失败"));
}

void Form1::reportUnsaved(const QStringList& fileNames) {
    // The list keeps the change either way; the user must know the files do not.
    const QString message =
        QStringLiteral("自选股未能保存：") + fileNames.join(QStringLiteral("、"));
    // A tool tip would vanish before anyone read it, so without a tray the
    // window itself shows the message until it is read or out of date.
    if (m_tray->trayAvailable())
        tellUser(message);
    else
        m_saveNotice->showMessage(message);
}

void Form1::tellUser(const QString& message) {
    m_tray->notify(QStringLiteral("Quillon"), message);
}
