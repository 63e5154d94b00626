#include "desk/bandwindows.h"

#include "desk/desklog.h"
#include "desk/pagerules.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "widgets/formgeometry.h"
#include "widgets/webview.h"

#include <QLabel>
#include <QPainter>
#include <QStringList>
#include <QTimer>

namespace {

WebView* makeBrowser(QWidget* parent, const QRect& geometry) {
    return form::place(new WebView(parent, WebView::Mode::Normal, lcDesk()), "WebBrowser1",
                       geometry);
}

// Lines one font size apart, as the design's Song face sets them. The Song
// faces of Linux desktops add leading, and the introduction's nineteen lines
// would then run past the foot of its window.
class FixedPitchLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const int pitch = QFontInfo(font()).pixelSize();
        const QRect area = contentsRect();
        int baseline = area.top() + fontMetrics().ascent();
        for (const QString& line : text().split(QLatin1Char('\n'))) {
            painter.drawText(area.left(), baseline, line);
            baseline += pitch;
        }
    }
};

template <typename Label = QLabel>
QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry, double points) {
    auto* label = form::place(new Label(text, parent), "Label1", geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(form::songTi(points));
    return label;
}

// The maker's second web address, as the chart window's caption advertises it.
QString makerAddress() {
    return QUrl(services::siteBaseUrl()).host();
}

} // namespace

BandWindow::BandWindow(const char* name, const QString& caption, const QSize& clientSize)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QLatin1String(name));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setFixedSize(clientSize);
}

ChartWindow::ChartWindow()
    : BandWindow("llq",
                 QStringLiteral("分时图       Pelmora-私募票源：提供暴涨牛股，"
                                "欢迎10W以上资金客户和私募联系合作！——") +
                     makerAddress(),
                 form::size(14685, 11580)) {
    m_browser = makeBrowser(this, form::rect(0, 0, 14655, 11655));
}

void ChartWindow::showPage(const QUrl& page) {
    m_browser->setUrl(page);
}

const QString IntroWindow::kText =
    QStringList{
        QStringLiteral("软件特点："),
        QStringLiteral("1、像聊天软件一样，靠近屏幕边缘自动隐藏"),
        QStringLiteral("2、增加大盘指数"),
        QStringLiteral("3、每日早间9:15左右公布3只免费牛股供参考"),
        QStringLiteral("4、盘中播报：可实时查看盘中热点"),
        QStringLiteral("5、私募内参：私募传闻信息"),
        QString(),
        QString(),
        QStringLiteral("使用说明："),
        QStringLiteral("1、增删股票：在软件界面点鼠标右键弹出菜单"),
        QStringLiteral("2、默认自动设置止损止盈，可自行修改"),
        QStringLiteral("3、点击功能区按钮，可查看对应信息"),
        QString(),
        QString(),
        QStringLiteral("下一版本展望："),
        QStringLiteral("1、增加早间信息，方便开盘前浏览当天重要新闻"),
        QStringLiteral("2、增加VIP荐股查询"),
        QString(),
        QStringLiteral("如果您对本软件有何建议，请联系作者Orlan！"),
    }
        .join(QLatin1Char('\n'));

IntroWindow::IntroWindow(desk::MainOuter mainOuter)
    : BandWindow("zaojian", QStringLiteral("软件介绍"), form::size(5715, 4905)) {
    makeLabel<FixedPitchLabel>(this, kText, form::rect(120, 120, 5415, 4935), 12);
    desk::placeBesideOnce(this, std::move(mainOuter));
}

HistoryWindow::HistoryWindow(desk::MainOuter mainOuter)
    : BandWindow("lishi", QStringLiteral("历史荐股记录"), form::size(5715, 4905)) {
    m_browser = makeBrowser(this, form::rect(120, 120, 5415, 4335));
    connect(m_browser, &WebView::loaded, m_browser, &WebView::hideScrollBars);
    makeLabel(this, QStringLiteral("提供免费荐股记录查询，VIP荐股记录暂无法显示！"),
              form::rect(120, 4560, 5415, 375), 10.5);
    m_followTimer = new QTimer(this);
    m_followTimer->setObjectName(QStringLiteral("Timer2"));
    m_followTimer->setInterval(500);
    m_followTimer->start();
    new RightEdgeFollower(this, m_followTimer, std::move(mainOuter));
    m_browser->setUrl(services::sitePage(pages::kHistory));
}
