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
#include <QDesktopServices>
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

#include <array>

namespace {

const QString kCaption =
    QStringLiteral("TarvexV" TARVEX_VERSION "——最小的私募内线软件→→散户赚钱好帮手");
const QColor kLightGrey(224, 224, 224);

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
    m_tray = new TrayShell(this, windowIcon(), QStringLiteral("Tarvex-私募内线"), m_trayMenu);

    // Start-up: the tray icon first; the main browser is silent from its
    // creation; both pages are asked for and not waited for.
    m_tray->addIcon();
    m_pageBrowser->setUrl(services::sitePage(pages::kFirstRumours));
    m_introBrowser->setUrl(services::sitePage(pages::kIntroduction));
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
        {&m_rumourButton, "Command1", "私募内参", "最新最全的市场传闻,传闻里有黄金", 120,
         pages::kRumours},
        {&m_hotTopicsButton, "Command5", "热点题材", "每日盘中热点题材汇总", 1560,
         pages::kHotTopics},
        {&m_tradingToolsButton, "Command2", "操盘神器", "最详细、最精准的大盘研判", 3000,
         pages::kTradingTools},
        {&m_techniqueButton, "Command3", "免费技术", "市场瞬息万变，授人以鱼不如授人以渔！", 4440,
         pages::kTechnique},
        {&m_chatDigestButton, "Command4", "群聊精华", "唯有辉煌战绩才能证明本站的理论", 5880,
         pages::kChatDigest},
    };
    for (const auto& b : buttons) {
        *b.button = form::place(new QPushButton(QString::fromUtf8(b.caption), this), b.name,
                                form::rect(b.left, 120, 1215, 495));
        (*b.button)->setToolTip(QString::fromUtf8(b.tip));
        (*b.button)->setFont(round);
        const char* page = b.page;
        connect(*b.button, &QPushButton::clicked, this,
                [this, page] { m_pageBrowser->setUrl(services::sitePage(page)); });
    }

    m_pageBrowser = form::place(new WebView(this, WebView::Mode::Silent, lcViewer()), "WebBrowser1",
                                form::rect(120, 840, 7095, 5655));
    m_introBrowser = form::place(new WebView(this, WebView::Mode::Normal, lcViewer()),
                                 "WebBrowser2", form::rect(7320, 120, 2295, 5295));
    connect(m_pageBrowser, &WebView::loaded, this, &NewsWindow::pageLoaded);

    m_banner = form::place(new QLabel(this), "Image1", form::rect(7320, 5400, 2295, 1170));
    m_banner->setPixmap(banner());
    m_banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_banner->setToolTip(QStringLiteral("点右键可修改刷新频率"));
    m_banner->installEventFilter(this);

    m_sloganLink = form::place(
        new LinkLabel(QStringLiteral(" Tarvex——解放散户、战胜主力、拒绝愚昧、笑傲股海！") +
                          QString(19, QLatin1Char(' ')),
                      this),
        "Label1", form::rect(120, 6720, 9615, 255));
    m_sloganLink->setFont(form::songTi(10.5));
    connect(m_sloganLink, &LinkLabel::clicked, this, [this] { openSitePage(pages::kHome); });

    m_periodField = form::place(new QLineEdit(QStringLiteral("1800"), this), "Text1",
                                form::rect(6600, 6720, 615, 270));
    m_headField = form::place(new QLineEdit(this), "Text2", form::rect(4200, 6600, 1935, 270));
    m_periodField->hide();
    m_headField->hide();

    m_reloadTimer = new QTimer(this);
    m_reloadTimer->setObjectName(QStringLiteral("Timer1"));
    m_reloadTimer->setInterval(1000);
    connect(m_reloadTimer, &QTimer::timeout, this, &NewsWindow::tick);
    m_reloadTimer->start();
}

void NewsWindow::createMenus() {
    const QString dashes = QStringLiteral("——————————");
    // Either menu's period entry writes its seconds into the period field, nothing more.
    const auto addPeriods = [this](QMenu* menu, const std::array<const char*, 6>& names) {
        const int seconds[] = {60, 120, 300, 600, 1800, 3600};
        for (std::size_t i = 0; i < names.size(); ++i) {
            const QString text = QString::number(seconds[i]);
            connect(form::addEntry(menu, names[i], QStringLiteral("%1分钟").arg(seconds[i] / 60)),
                    &QAction::triggered, this, [this, text] { m_periodField->setText(text); });
        }
    };
    m_periodMenu = new QMenu(QStringLiteral("刷新间隔"), this);
    m_periodMenu->setObjectName(QStringLiteral("mn"));
    form::addEntry(m_periodMenu, "mn9", QStringLiteral("刷新间隔"));
    addPeriods(m_periodMenu, {"mn1", "mn2", "mn5", "mn10", "mn30", "mn60"});

    m_trayMenu = new QMenu(QStringLiteral("————"), this);
    m_trayMenu->setObjectName(QStringLiteral("mnu"));
    const auto add = [this](const char* name, const QString& caption) {
        return form::addEntry(m_trayMenu, name, caption);
    };
    connect(add("mnu2", QStringLiteral("官方网站")), &QAction::triggered, this,
            [this] { openSitePage(pages::kHome); });
    connect(add("mnu1", QStringLiteral("新浪博客")), &QAction::triggered, this,
            [this] { openSitePage(pages::kSinaBlog); });
    connect(add("mnu3", QStringLiteral("搜狐博客")), &QAction::triggered, this,
            [this] { openSitePage(pages::kSohuBlog); });
    connect(add("mnu18", QStringLiteral("和讯博客")), &QAction::triggered, this,
            [this] { openSitePage(pages::kHexunBlog); });
    add("mnu11", dashes);
    add("MNU12", QStringLiteral("刷新间隔"));
    addPeriods(m_trayMenu, {"mnu5", "mnu6", "mnu7", "mnu8", "mnu9", "mnu10"});
    add("mnu13", dashes);
    connect(add("mnu15", QStringLiteral("→需要稳定收益")), &QAction::triggered, this,
            [this] { openSitePage(pages::kMembership); });
    connect(add("mnu16", QStringLiteral("关于Tarvex")), &QAction::triggered, this,
            [this] { openSitePage(pages::kAbout); });
    add("mnu17", dashes);
    connect(add("mnu19", QStringLiteral("开机启动")), &QAction::triggered, this, [this] {
        if (!platform::enableAutostart(QCoreApplication::applicationFilePath()))
            m_tray->notify(QStringLiteral("Tarvex"), QStringLiteral("开机启动设置失败"));
    });
    connect(add("mnu20", QStringLiteral("取消开机启动")), &QAction::triggered, this, [this] {
        if (!platform::disableAutostart(QCoreApplication::applicationFilePath()))
            m_tray->notify(QStringLiteral("Tarvex"), QStringLiteral("取消开机启动失败"));
    });
    add("mnu21", dashes);
    connect(add("mnu4", QStringLiteral("退出")), &QAction::triggered, this,
            [this] { m_tray->exitNow(); });
}

void NewsWindow::openSitePage(const char* path) {
    if (!QDesktopServices::openUrl(services::sitePage(path)))
        m_tray->notify(QStringLiteral("Tarvex"), QStringLiteral("无法打开浏览器"));
}

void NewsWindow::tick() {
    // Back to the rumour list, whatever category the user is reading.
    if (viewer::reloadDue(m_tickCounter, m_periodField->text()))
        m_pageBrowser->setUrl(services::sitePage(pages::kRumours));
}

void NewsWindow::pageLoaded(const QUrl& url, bool ok) {
    // A failed load shows no page of the maker's: taking the browser's own
    // text for a baseline would greet the user with a false notice at the
    // first real load, as after a start before the network is up.
    if (!ok)
        return;
    m_pageBrowser->hideScrollBars();
    m_pageBrowser->readBodyText(url, [this](const QString& text) {
        const viewer::PageLoadOutcome outcome = viewer::pageLoaded(m_headField->text(), text);
        m_headField->setText(outcome.head);
        if (outcome.showNotice)
            showNotice();
    });
}

void NewsWindow::showNotice() {
    if (!m_notice) {
        m_notice = new UpdateNotice;
        m_notice->setWindowIcon(windowIcon());
        connect(m_notice, &UpdateNotice::dismissed, this, [this] {
            m_introBrowser->setUrl(services::sitePage(pages::kIntroduction));
            m_headField->clear();
        });
    }
    m_notice->show();
}

void NewsWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        m_periodMenu->popup(event->globalPosition().toPoint());
}

bool NewsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_banner && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            m_periodMenu->popup(mouse->globalPosition().toPoint());
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
