#include "desk/form1.h"

#include "desk/alertmonitor.h"
#include "desk/desklog.h"
#include "desk/deskrules.h"
#include "desk/edgedocker.h"
#include "desk/frmadd.h"
#include "desk/jujiao.h"
#include "desk/pagerules.h"
#include "desk/refreshcycle.h"
#include "desk/savenotice.h"
#include "desk/watchlist.h"
#include "desk/watchlistview.h"
#include "desk/webband.h"
#include "net/quotefetcher.h"
#include "platform/platform.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "version.h"
#include "widgets/appicon.h"
#include "widgets/formgeometry.h"
#include "widgets/trayshell.h"
#include "widgets/webview.h"
#include "widgets/windowplacer.h"

#include <QAction>
#include <QCoreApplication>
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

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
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

QuoteFetcher* makeFetcher(QObject* parent, const char* name) {
    auto* fetcher = new QuoteFetcher(services::quoteBaseUrl(), parent);
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

    m_tray = new TrayShell(this, windowIcon(), kTrayTip, mn);
    m_docker = new EdgeDocker(this, Timer3, this);
    m_refresh = new RefreshCycle(ListView1, Label4, Label5, Inet1, Inet3, this);
    connect(Timer1, &QTimer::timeout, m_refresh, &RefreshCycle::tick);
    connect(m_refresh, &RefreshCycle::picksReloadDue, this,
            [this] { WebBrowser2->setUrl(sitePage(pages::kDailyPicks)); });
    m_alerts = new AlertMonitor(ListView1, Timer2, Inet2, this);
    connect(m_alerts, &AlertMonitor::homePageRequested, this, &Form1::openHomePage);
    connect(mn19, &QAction::triggered, m_alerts, &AlertMonitor::switchOn);
    connect(mn20, &QAction::triggered, m_alerts, &AlertMonitor::switchOff);
    m_band = new WebBand(this);

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

QUrl Form1::sitePage(const char* path) {
    return desk::sitePageUrl(services::siteBaseUrl(), path);
}

void Form1::createControls() {
    Label4 = makeLabel(this, "Label4", QStringLiteral("上证指数"), form::rect(240, 120, 2535, 255));
    Label4->setFont(form::songTi(10.5));
    Label5 =
        makeLabel(this, "Label5", QStringLiteral("深证成指"), form::rect(3240, 120, 2535, 255));
    Label5->setFont(form::songTi(10.5));

    ListView1 = new WatchListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(form::rect(0, 480, 5895, 2880));
    ListView1->setToolTip(QStringLiteral("点鼠标右键，增加股票代码，查看分时图"));

    // The strip panel overlaps the foot of the list and stands in front of it.
    WebBrowser1 = makeBrowser(this, "WebBrowser1", form::rect(0, 3120, 5895, 615));
    WebBrowser1->setToolTip(
        QStringLiteral("如果觉得本软件能给您带来收益，请施援手，帮助我们继续免费下去"));

    Frame2 =
        makeFrame(this, "Frame2", QStringLiteral("今日牛股"), form::rect(120, 3720, 2800, 1095));
    Frame2->setFont(form::songTi(12));
    Label1 = makeLabel(Frame2, "Label1", QStringLiteral("早盘9:15免费公布"),
                       form::rect(120, 240, 2535, 375));
    Label1->setFont(form::songTi(12));
    Label1->setToolTip(QStringLiteral("早盘9:15公布3只牛股"));
    form::setTextColour(Label1, desk::kRed);
    Label2 = makeLabel(Frame2, "Label2", QStringLiteral("切勿追高 回调关注"),
                       form::rect(120, 650, 2595, 375));
    Label2->setFont(form::font(QStringLiteral("经典超圆简"), 14.25));
    form::setTextColour(Label2, QColor(192, 0, 0));

    Frame3 =
        makeFrame(this, "Frame3", QStringLiteral("大盘风险"), form::rect(2950, 3720, 970, 1095));
    Label3 = makeLabel(Frame3, "Label3", QString(), form::rect(240, 360, 615, 615));
    Label3->setFont(form::songTi(26.25));
    Label3->setToolTip(QStringLiteral("根据大盘风险度来决定是否操作"));
    WebBrowser2 = makeBrowser(Frame3, "WebBrowser2", form::rect(960, 720, 135, 375));

    Frame1 =
        makeFrame(this, "Frame1", QStringLiteral("功能区"), form::rect(3960, 3720, 1935, 1095));
    const QColor lightRed(255, 192, 192);
    Command1 =
        makeButton(Frame1, "Command1", QStringLiteral("私募内参"),
                   QStringLiteral("每日私募传闻信息"), form::rect(90, 240, 855, 375), lightRed);
    Command4 = makeButton(Frame1, "Command4", QStringLiteral("盘中播报"),
                          QStringLiteral("支持本软件继续免费下去"), form::rect(980, 240, 855, 375),
                          QColor(255, 128, 128));
    Command3 = makeButton(Frame1, "Command3", QStringLiteral("历史荐股"),
                          QStringLiteral("Quillon使用教程"), form::rect(90, 600, 855, 375),
                          kActiveBorderFace);
    Command2 =
        makeButton(Frame1, "Command2", QStringLiteral("使用说明"),
                   QStringLiteral("每日的热点题材汇总"), form::rect(980, 600, 855, 375), lightRed);

    Inet1 = makeFetcher(this, "Inet1");
    Inet2 = makeFetcher(this, "Inet2");
    Inet3 = makeFetcher(this, "Inet3");
    Timer1 = makeTimer(this, "Timer1", 8000, true);
    Timer2 = makeTimer(this, "Timer2", 8000, false);
    Timer3 = makeTimer(this, "Timer3", 500, true);

    m_watchList = new WatchList(ListView1, m_watchListDirectory, this);
    connect(Timer1, &QTimer::timeout, m_watchList, &WatchList::retrySave);
    connect(m_watchList, &WatchList::saveFailed, this, &Form1::reportUnsaved);
    // Over the part of the list that the strip panel leaves in sight.
    m_saveNotice = new SaveNotice(
        this, QRect(ListView1->pos(), QPoint(ListView1->geometry().right(), WebBrowser1->y() - 1)));
    connect(m_watchList, &WatchList::saved, m_saveNotice, &QWidget::hide);

    connect(Command4, &QPushButton::clicked, this, [this] {
        if (!m_jujiao) {
            m_jujiao = new Jujiao(m_docker);
            m_jujiao->setWindowIcon(windowIcon());
        }
        m_jujiao->show();
        m_jujiao->raise();
        m_jujiao->activateWindow();
    });

    connect(ListView1, &WatchListView::leftClicked, this, &Form1::listClicked);
    connect(ListView1, &WatchListView::rightReleased, this,
            [this](const QPoint& at) { mnu2->popup(at); });
}

void Form1::createMenus() {
    mnu2 = new QMenu(QStringLiteral("右键菜单"), this);
    mnu2->setObjectName(QStringLiteral("mnu2"));
    mnu21 = form::addEntry(mnu2, "mnu21", QStringLiteral("添加股票"));
    mnu22 = form::addEntry(mnu2, "mnu22", QStringLiteral("删除股票"));
    mnu23 = form::addEntry(mnu2, "mnu23", QStringLiteral("查看分时"));

    mn = new QMenu(QStringLiteral("托盘菜单"), this);
    mn->setObjectName(QStringLiteral("mn"));
    const QString dashes = QStringLiteral("——————");
    mn17 = form::addEntry(mn, "mn17", QStringLiteral("添加股票"));
    mn21 = form::addEntry(mn, "mn21", dashes);
    mn19 = form::addEntry(mn, "mn19", QStringLiteral("预警开"));
    mn20 = form::addEntry(mn, "mn20", QStringLiteral("预警关"));
    mn18 = form::addEntry(mn, "mn18", dashes);
    mn1 = form::addEntry(mn, "mn1", QStringLiteral("Tarvex官网"));
    mn11 = form::addEntry(mn, "mn11", QStringLiteral("-----------"));
    mn12 = form::addEntry(mn, "mn12", QStringLiteral("开机启动"));
    mn13 = form::addEntry(mn, "mn13", QStringLiteral("取消开机启动"));
    mn14 = form::addEntry(mn, "mn14", dashes);
    mn15 = form::addEntry(mn, "mn15", QStringLiteral("在线联系Orlan"));
    mn16 = form::addEntry(mn, "mn16", QStringLiteral("退出"));

    connect(mnu21, &QAction::triggered, this, &Form1::showAddDialog);
    connect(mn17, &QAction::triggered, this, &Form1::showAddDialog);
    connect(mnu22, &QAction::triggered, m_watchList, &WatchList::removeSelected);
    connect(mn1, &QAction::triggered, this, &Form1::openHomePage);
    connect(mn12, &QAction::triggered, this, &Form1::enableStartAtLogin);
    connect(mn13, &QAction::triggered, this, &Form1::disableStartAtLogin);
    // Handed to the desktop, which opens the user's instant-messaging program
    // for it (or the browser, for a web page); a hidden panel shows nobody anything.
    connect(mn15, &QAction::triggered, this, [this] { openAddress(services::contactUrl()); });
    connect(mn16, &QAction::triggered, this, [this] { m_tray->exitNow(); });
}

void Form1::load() {
    m_tray->addIcon();
    ListView1->addColumns();
    ListView1->setAllColumnsShowFocus(true);
    m_watchList->load();

    WebBrowser1->setUrl(sitePage(pages::kAnnouncement));
    WebBrowser2->setUrl(sitePage(pages::kMarketRisk));
}

void Form1::listClicked() {
    WebBrowser1->setUrl(sitePage(pages::kAnnouncement));
    WebBrowser2->setUrl(sitePage(pages::kDailyPicks));
}

void Form1::setRiskGrade(const QString& grade) {
    Label3->setText(grade);
    // Red only while the grade is high: a grade that falls again must not stay red.
    form::setTextColour(Label3, desk::isHighRisk(grade)
                                    ? desk::kRed
                                    : Frame3->palette().color(QPalette::WindowText));
}

FrmAdd* Form1::addDialog() const {
    return m_addDialog.data();
}

void Form1::showAddDialog() {
    if (!m_addDialog) {
        m_addDialog = new FrmAdd(this);
        connect(m_addDialog, &FrmAdd::stockChosen, m_watchList, &WatchList::add);
    }
    m_addDialog->show();
    m_addDialog->raise();
    m_addDialog->activateWindow();
}

void Form1::openHomePage() {
    openAddress(services::siteBaseUrl() + QLatin1Char('/'));
}

void Form1::openAddress(const QString& address) {
    if (!platform::openInBrowser(address))
        tellUser(QStringLiteral("无法打开浏览器"));
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
