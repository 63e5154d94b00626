#include "viewer/newswindow.h"

#include "platform/platform.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "version.h"
#include "viewer/changewatch.h"
#include "viewer/updatenotice.h"
#include "viewer/viewerlog.h"
#include "widgets/appicon.h"
#include "widgets/formgeometry.h"
#include "widgets/linklabel.h"
#include "widgets/trayshell.h"
#include "widgets/webview.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const QString kCaption =
    QStringLiteral("TarvexV" TARVEX_VERSION "——最小的私募内线软件→→散户赚钱好帮手");
const QColor kLightGrey(224, 224, 224);

QUrl sitePage(const char* path) {
    return QUrl(services::siteBaseUrl() + QString::fromLatin1(path));
}

// Our own banner under the side panel: the program's name on its red, drawn
// in device pixels, so its text is as sharp as the window's at any scale.
QPixmap banner() {
    const qreal ratio = form::deviceRatio();
    QPixmap picture(QSize(153, 78) * ratio);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    QLinearGradient red(0, 0, 0, 78);
    red.setColorAt(0, QColor(200, 24, 32));
    red.setColorAt(1, QColor(120, 8, 16));
    painter.fillRect(QRect(0, 0, 153, 78), red);
    painter.setPen(QColor(255, 220, 120));
    painter.setFont(form::font(QStringLiteral("Arial"), 18));
    painter.drawText(QRect(0, 6, 153, 34), Qt::AlignCenter, QStringLiteral("Tarvex"));
    painter.setPen(Qt::white);
    painter.setFont(form::songTi(12));
    painter.drawText(QRect(0, 42, 153, 28), Qt::AlignCenter, QStringLiteral("私募内线 传闻速递"));
    return picture;
}

} // namespace

NewsWindow::NewsWindow()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("form1"));
    setWindowTitle(kCaption);
    setWindowIcon(makeAppIcon(kTarvexIcon));
    setFixedSize(form::size(9585, 6975));
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, kLightGrey);
    setPalette(grey);

    createControls();
    createMenus();
    m_tray = new TrayShell(this, windowIcon(), QStringLiteral("Tarvex-私募内线"), mnu);

    // Start-up: the tray icon first; the main browser is silent from its
    // creation; both pages are asked for and not waited for.
    m_tray->addIcon();
    WebBrowser1->setUrl(sitePage(pages::kFirstRumours));
    WebBrowser2->setUrl(sitePage(pages::kIntroduction));
}

NewsWindow::~NewsWindow() {
    delete m_notice;
}

void NewsWindow::comeForward() {
    m_tray->comeForward();
}

void NewsWindow::createControls() {
    const QFont round = form::font(QStringLiteral("经典超圆简"), 12);
    const struct {
        QPushButton** button;
        const char* name;
        const char* caption;
        const char* tip;
        int left;
        const char* page;
    } buttons[] = {
        {&Command1, "Command1", "私募内参", "最新最全的市场传闻,传闻里有黄金", 120,
         pages::kRumours},
        {&Command5, "Command5", "热点题材", "每日盘中热点题材汇总", 1560, pages::kHotTopics},
        {&Command2, "Command2", "操盘神器", "最详细、最精准的大盘研判", 3000, pages::kTradingTools},
        {&Command3, "Command3", "免费技术", "市场瞬息万变，授人以鱼不如授人以渔！", 4440,
         pages::kTechnique},
        {&Command4, "Command4", "群聊精华", "唯有辉煌战绩才能证明本站的理论", 5880,
         pages::kChatDigest},
    };
    for (const auto& b : buttons) {
        *b.button = form::place(new QPushButton(QString::fromUtf8(b.caption), this), b.name,
                                form::rect(b.left, 120, 1215, 495));
        (*b.button)->setToolTip(QString::fromUtf8(b.tip));
        (*b.button)->setFont(round);
        const char* page = b.page;
        connect(*b.button, &QPushButton::clicked, this,
                [this, page] { WebBrowser1->setUrl(sitePage(page)); });
    }

    WebBrowser1 = form::place(new WebView(this, WebView::Mode::Silent, lcViewer()), "WebBrowser1",
                              form::rect(120, 840, 7095, 5655));
    WebBrowser2 = form::place(new WebView(this, WebView::Mode::Normal, lcViewer()), "WebBrowser2",
                              form::rect(7320, 120, 2295, 5295));
    connect(WebBrowser1, &WebView::loaded, this, &NewsWindow::pageLoaded);

    Image1 = form::place(new QLabel(this), "Image1", form::rect(7320, 5400, 2295, 1170));
    Image1->setPixmap(banner());
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setToolTip(QStringLiteral("点右键可修改刷新频率"));
    Image1->installEventFilter(this);

    Label1 = form::place(
        new LinkLabel(QStringLiteral(" Tarvex——解放散户、战胜主力、拒绝愚昧、笑傲股海！") +
                          QString(19, QLatin1Char(' ')),
                      this),
        "Label1", form::rect(120, 6720, 9615, 255));
    Label1->setFont(form::songTi(10.5));
    connect(Label1, &LinkLabel::clicked, this,
            [] { platform::openInBrowser(services::siteBaseUrl() + QLatin1Char('/')); });

    Text1 = form::place(new QLineEdit(QStringLiteral("1800"), this), "Text1",
                        form::rect(6600, 6720, 615, 270));
    Text2 = form::place(new QLineEdit(this), "Text2", form::rect(4200, 6600, 1935, 270));
    Text1->hide();
    Text2->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &NewsWindow::tick);
    Timer1->start();
}

void NewsWindow::createMenus() {
    const QString dashes = QStringLiteral("——————————");
    mn = new QMenu(QStringLiteral("刷新间隔"), this);
    mn->setObjectName(QStringLiteral("mn"));
    mn9 = form::addEntry(mn, "mn9", QStringLiteral("刷新间隔"));
    mn1 = form::addEntry(mn, "mn1", QStringLiteral("1分钟"));
    mn2 = form::addEntry(mn, "mn2", QStringLiteral("2分钟"));
    mn5 = form::addEntry(mn, "mn5", QStringLiteral("5分钟"));
    mn10 = form::addEntry(mn, "mn10", QStringLiteral("10分钟"));
    mn30 = form::addEntry(mn, "mn30", QStringLiteral("30分钟"));
    mn60 = form::addEntry(mn, "mn60", QStringLiteral("60分钟"));

    mnu = new QMenu(QStringLiteral("————"), this);
    mnu->setObjectName(QStringLiteral("mnu"));
    mnu2 = form::addEntry(mnu, "mnu2", QStringLiteral("官方网站"));
    mnu1 = form::addEntry(mnu, "mnu1", QStringLiteral("新浪博客"));
    mnu3 = form::addEntry(mnu, "mnu3", QStringLiteral("搜狐博客"));
    mnu18 = form::addEntry(mnu, "mnu18", QStringLiteral("和讯博客"));
    mnu11 = form::addEntry(mnu, "mnu11", dashes);
    MNU12 = form::addEntry(mnu, "MNU12", QStringLiteral("刷新间隔"));
    mnu5 = form::addEntry(mnu, "mnu5", QStringLiteral("1分钟"));
    mnu6 = form::addEntry(mnu, "mnu6", QStringLiteral("2分钟"));
    mnu7 = form::addEntry(mnu, "mnu7", QStringLiteral("5分钟"));
    mnu8 = form::addEntry(mnu, "mnu8", QStringLiteral("10分钟"));
    mnu9 = form::addEntry(mnu, "mnu9", QStringLiteral("30分钟"));
    mnu10 = form::addEntry(mnu, "mnu10", QStringLiteral("60分钟"));
    mnu13 = form::addEntry(mnu, "mnu13", dashes);
    mnu15 = form::addEntry(mnu, "mnu15", QStringLiteral("→需要稳定收益"));
    mnu16 = form::addEntry(mnu, "mnu16", QStringLiteral("关于Tarvex"));
    mnu17 = form::addEntry(mnu, "mnu17", dashes);
    mnu19 = form::addEntry(mnu, "mnu19", QStringLiteral("开机启动"));
    mnu20 = form::addEntry(mnu, "mnu20", QStringLiteral("取消开机启动"));
    mnu21 = form::addEntry(mnu, "mnu21", dashes);
    mnu4 = form::addEntry(mnu, "mnu4", QStringLiteral("退出"));

    // Either menu's entry writes its seconds into the period field, nothing more.
    const std::pair<QAction*, int> periods[] = {
        {mn1, 60},  {mn2, 120},  {mn5, 300},  {mn10, 600}, {mn30, 1800}, {mn60, 3600},
        {mnu5, 60}, {mnu6, 120}, {mnu7, 300}, {mnu8, 600}, {mnu9, 1800}, {mnu10, 3600},
    };
    for (const auto& [entry, seconds] : periods) {
        const QString text = QString::number(seconds);
        connect(entry, &QAction::triggered, this, [this, text] { Text1->setText(text); });
    }

    connect(mnu2, &QAction::triggered, this,
            [] { platform::openInBrowser(services::siteBaseUrl() + QLatin1Char('/')); });
    connect(mnu1, &QAction::triggered, this, [this] { openSitePage(pages::kSinaBlog); });
    connect(mnu3, &QAction::triggered, this, [this] { openSitePage(pages::kSohuBlog); });
    connect(mnu18, &QAction::triggered, this, [this] { openSitePage(pages::kHexunBlog); });
    connect(mnu15, &QAction::triggered, this, [this] { openSitePage(pages::kMembership); });
    connect(mnu16, &QAction::triggered, this, [this] { openSitePage(pages::kAbout); });
    connect(mnu19, &QAction::triggered, this, [this] {
        if (!platform::enableAutostart(QCoreApplication::applicationFilePath()))
            m_tray->notify(QStringLiteral("Tarvex"), QStringLiteral("开机启动设置失败"));
    });
    connect(mnu20, &QAction::triggered, this, [this] {
        if (!platform::disableAutostart(QCoreApplication::applicationFilePath()))
            m_tray->notify(QStringLiteral("Tarvex"), QStringLiteral("取消开机启动失败"));
    });
    connect(mnu4, &QAction::triggered, this, [this] { m_tray->exitNow(); });
}

void NewsWindow::openSitePage(const char* path) {
    if (!platform::openInBrowser(sitePage(path).toString()))
        m_tray->notify(QStringLiteral("Tarvex"), QStringLiteral("无法打开浏览器"));
}

void NewsWindow::tick() {
    // Back to the rumour list, whatever category the user is reading.
    if (viewer::reloadDue(m_tickCounter, Text1->text()))
        WebBrowser1->setUrl(sitePage(pages::kRumours));
}

void NewsWindow::pageLoaded(const QUrl& url, bool ok) {
    // A failed load shows no page of the maker's: taking the browser's own
    // text for a baseline would greet the user with a false notice at the
    // first real load, as after a start before the network is up.
    if (!ok)
        return;
    WebBrowser1->hideScrollBars();
    WebBrowser1->readBodyText(url, [this](const QString& text) {
        const viewer::PageLoadOutcome outcome = viewer::pageLoaded(Text2->text(), text);
        Text2->setText(outcome.head);
        if (outcome.showNotice)
            showNotice();
    });
}

void NewsWindow::showNotice() {
    if (!m_notice) {
        m_notice = new UpdateNotice;
        m_notice->setWindowIcon(windowIcon());
        connect(m_notice, &UpdateNotice::dismissed, this, [this] {
            WebBrowser2->setUrl(sitePage(pages::kIntroduction));
            Text2->clear();
        });
    }
    m_notice->show();
}

void NewsWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        mn->popup(event->globalPosition().toPoint());
}

bool NewsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            mn->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void NewsWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Thin lines around the button row and the two panels.
    QPainter painter(this);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(form::rect(60, 60, 7215, 615).adjusted(0, 0, -1, -1));
    painter.drawRect(form::rect(60, 780, 7215, 5775).adjusted(0, 0, -1, -1));
    painter.drawRect(form::rect(7260, 60, 2415, 6570).adjusted(0, 0, -1, -1));
}
