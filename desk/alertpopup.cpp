#include "desk/alertpopup.h"

#include "desk/edgedocker.h"
#include "services/services.h"
#include "widgets/formgeometry.h"
#include "widgets/linklabel.h"
#include "widgets/windowplacer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace {

QPushButton* redButton(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry) {
    auto* button = form::place(new QPushButton(text, parent), name, geometry);
    form::setFace(button, QColor(255, 128, 128));
    return button;
}

} // namespace

AlertPopup::AlertPopup(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("tx"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("股价预警！"));
    setFixedSize(form::size(3825, 2505));

    QLabel* codeCaption = form::place(new QLabel(QStringLiteral("股票代码"), this), "Label1",
                                      form::rect(120, 120, 975, 375));
    m_codeField = form::place(new QLineEdit(this), "Text1", form::rect(1200, 120, 1575, 375));
    QLabel* nameCaption = form::place(new QLabel(QStringLiteral("股票名称"), this), "Label2",
                                      form::rect(120, 600, 975, 375));
    m_nameField = form::place(new QLineEdit(this), "Text2", form::rect(1200, 600, 1575, 375));
    QLabel* priceCaption = form::place(new QLabel(QStringLiteral("最新价："), this), "Label3",
                                       form::rect(120, 1080, 975, 375));
    m_priceField = form::place(new QLineEdit(this), "Text3", form::rect(1200, 1080, 1575, 375));
    m_thresholdCaption = form::place(new QLabel(QStringLiteral("止盈价："), this), "Label4",
                                     form::rect(120, 1560, 975, 375));
    m_thresholdField = form::place(new QLineEdit(this), "Text4", form::rect(1200, 1560, 1575, 375));
    auto* makerLink = form::place(new LinkLabel(QStringLiteral("Tarvex"), this), "Label5",
                                  form::rect(2880, 120, 735, 255));
    auto* picksLink =
        form::place(new LinkLabel(QStringLiteral("私募内线涨停荐股热点题材        解套战法"), this),
                    "Label6", form::rect(2880, 600, 735, 975));
    picksLink->setWordWrap(true);
    auto* siteLink = form::place(new LinkLabel(QUrl(services::siteBaseUrl()).authority(), this),
                                 "Label7", form::rect(2880, 1680, 855, 375));
    QPushButton* laterButton =
        redButton(this, "Command2", QStringLiteral("稍后提示"), form::rect(240, 2040, 1455, 375));
    QPushButton* alertsOffButton =
        redButton(this, "Command1", QStringLiteral("关闭预警"), form::rect(2040, 2040, 1455, 375));

    const QFont songTi = form::songTi(10.5);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_codeField, m_nameField, m_priceField, m_thresholdField, codeCaption, nameCaption,
             priceCaption, m_thresholdCaption, makerLink})
        widget->setFont(songTi);
    for (QLabel* label : findChildren<QLabel*>()) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        label->setTextFormat(Qt::PlainText);
    }

    setTabOrder(m_codeField, m_nameField);
    setTabOrder(m_nameField, m_priceField);
    setTabOrder(m_priceField, m_thresholdField);
    setTabOrder(m_thresholdField, alertsOffButton);
    setTabOrder(alertsOffButton, laterButton);

    connect(laterButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(alertsOffButton, &QPushButton::clicked, this, [this] {
        emit alertsOffRequested();
        hide();
    });
    for (LinkLabel* link : {makerLink, picksLink, siteLink})
        connect(link, &LinkLabel::clicked, this, &AlertPopup::homePageRequested);

    // Placed once: against the whole screen's right edge, its bottom 500 twips
    // above the screen's bottom, both by the popup's outer size. Shown again, it
    // stays where the user left it. The screen is the one the main window is on
    // (where it is hidden at an edge, the one its strip is on): on several
    // monitors the alert comes up where the user keeps watch on the prices.
    WindowPlacer::of(this)->placeAtShow([main = QPointer<QWidget>(mainWindow)](const QSize& outer) {
        const QScreen* on = main ? desk::screenHolding(WindowPlacer::of(main)->outer())
                                 : QGuiApplication::primaryScreen();
        if (!on)
            return QPoint();
        const QRect screen = on->geometry();
        return QPoint(screen.right() + 1 - outer.width(),
                      screen.bottom() + 1 - outer.height() - form::pixels(500));
    });
}

void AlertPopup::showAlert(const QString& code, const QString& name, const QString& price,
                           const QString& thresholdCaption, const QString& threshold) {
    show();
    m_codeField->setText(code);
    m_nameField->setText(name);
    m_priceField->setText(price);
    m_thresholdField->setText(threshold);
    m_thresholdCaption->setText(thresholdCaption);
}
