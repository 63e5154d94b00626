#include "desk/frmadd.h"

#include "desk/deskrules.h"
#include "desk/edgedocker.h"
#include "desk/rightedgefollow.h"
#include "net/httpclient.h"
#include "services/services.h"
#include "widgets/formgeometry.h"
#include "widgets/linklabel.h"
#include "widgets/windowplacer.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include <utility>

const QString FrmAdd::kLookingUp = QStringLiteral("获取名称中");

namespace {

template <typename T>
T* place(T* widget, const char* name, const QRect& geometry, const QFont& font) {
    form::place(widget, name, geometry)->setFont(font);
    return widget;
}

} // namespace

FrmAdd::FrmAdd(HttpClient* http, desk::MainOuter mainOuter)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAdd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("添加黑马"));
    setFixedSize(form::size(3960, 2880));
    createControls(http);
    placeBelowMainWindow(std::move(mainOuter));
}

void FrmAdd::createControls(HttpClient* http) {
    const QFont label12 = form::songTi(12);
    const QFont box14 = form::songTi(14.25);
    const QFont windowFont = font();

    QLabel* codeCaption = place(new QLabel(QStringLiteral("股票编号："), this), "Label1",
                                form::rect(120, 120, 1455, 255), label12);
    m_codeField = place(new QLineEdit(this), "Text1", form::rect(1320, 120, 1695, 375), box14);
    QLabel* nameCaption = place(new QLabel(QStringLiteral("股票名称："), this), "Label2",
                                form::rect(120, 600, 1455, 255), label12);
    m_nameField = place(new QLineEdit(this), "Text2", form::rect(1320, 600, 1695, 375), label12);
    QLabel* takeProfitCaption = place(new QLabel(QStringLiteral("止盈价："), this), "Label3",
                                      form::rect(120, 1080, 1095, 255), label12);
    m_takeProfitField = place(new QLineEdit(QStringLiteral("现价的5%"), this), "Text4",
                              form::rect(1320, 1080, 1695, 375), box14);
    QLabel* stopLossCaption = place(new QLabel(QStringLiteral("止损价："), this), "Label4",
                                    form::rect(120, 1560, 1095, 255), label12);
    m_stopLossField = place(new QLineEdit(QStringLiteral("现价的-5%"), this), "Text5",
                            form::rect(1320, 1560, 1695, 375), box14);

    m_addButton = place(new QPushButton(QStringLiteral("添加股票"), this), "Command1",
                        form::rect(480, 2040, 2655, 375), label12);
    form::setFace(m_addButton, QColor(255, 128, 128));

    QLabel* hint =
        place(new QLabel(QStringLiteral("默认止盈价是现价的5%，止损位是-5%，可修改"), this),
              "Label8", form::rect(120, 2520, 3735, 375), windowFont);
    LinkLabel* makerLink = place(new LinkLabel(QStringLiteral("Tarvex"), this), "Label5",
                                 form::rect(3120, 240, 735, 255), form::songTi(10.5));
    LinkLabel* picksLink =
        place(new LinkLabel(QStringLiteral("私募内线涨停荐股热点题材        解套战法"), this),
              "Label6", form::rect(3120, 600, 735, 1095), windowFont);
    picksLink->setWordWrap(true);
    LinkLabel* siteLink = place(new LinkLabel(QUrl(services::siteBaseUrl()).authority(), this),
                                "Label7", form::rect(3120, 1800, 855, 375), windowFont);
    for (QLabel* label :
         std::initializer_list<QLabel*>{makerLink, picksLink, siteLink, codeCaption, nameCaption,
                                        takeProfitCaption, stopLossCaption, hint}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
    }

    m_fetcher = new HttpQueue(http, services::quoteBaseUrl(), this);
    m_fetcher->setObjectName(QStringLiteral("Inet1"));

    // Keyboard order: code, name, add button, take-profit, stop-loss.
    for (QLabel* label : findChildren<QLabel*>())
        label->setFocusPolicy(Qt::NoFocus);
    setTabOrder(m_codeField, m_nameField);
    setTabOrder(m_nameField, m_addButton);
    setTabOrder(m_addButton, m_takeProfitField);
    setTabOrder(m_takeProfitField, m_stopLossField);
    m_codeField->setFocus();

    m_codeField->installEventFilter(this);
    m_addButton->installEventFilter(this);
    connect(m_codeField, &QLineEdit::textChanged, this,
            [this](const QString& code) { m_addButton->setEnabled(code.size() == 6); });
    connect(m_nameField, &QLineEdit::textChanged, this, [this](const QString& name) {
        if (!name.isEmpty() && name != kLookingUp)
            m_addButton->setEnabled(true);
    });
    connect(m_addButton, &QPushButton::clicked, this, &FrmAdd::add);
    for (LinkLabel* link : {makerLink, picksLink, siteLink})
        connect(link, &LinkLabel::clicked, this, &FrmAdd::homePageRequested);
}

void FrmAdd::placeBelowMainWindow(desk::MainOuter docker) {
    // Below the main window, left edges aligned, both by their outer
    // rectangles; then moved the least it takes to lie wholly on the screen,
    // since the main window may be tucked away at an edge.
    const auto mainOuter =
        desk::firstReading([docker] { return docker ? docker->outerRect() : QRect(); });
    WindowPlacer::of(this)->placeAtShow([mainOuter](const QSize& outer) {
        const QRect main = mainOuter();
        const QRect below(QPoint(main.left(), main.bottom() + 1), outer);
        // On the screen the main window is on, by docking's reckoning, so a
        // window hidden at the top of a second monitor opens its dialog there.
        return desk::keptOnScreen(below, main);
    });
}

bool FrmAdd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_codeField && event->type() == QEvent::FocusOut) {
        // Focus that leaves with the whole window (another program, a menu)
        // has not left the field for another one of ours.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            lookUpName();
    }
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (watched == m_addButton && (press || event->type() == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // A press that took the focus from the code field has started the
        // lookup before it arrives here, and finds the button disabled.
        if (press) {
            m_pressedWhileLookingUp = m_lookingUp;
        } else if (std::exchange(m_pressedWhileLookingUp, false) &&
                   m_addButton->rect().contains(
                       static_cast<QMouseEvent*>(event)->position().toPoint())) {
            if (m_lookingUp)
                m_clickedWhileLookingUp = true;
            else if (m_addButton->isEnabled()) // answered while the button was held down
                add();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmAdd::lookUpName() {
    // Only the answer for the code now in the field may fill the fields: a
    // slower one for an earlier code is dropped, and with it a click made
    // while that one was out.
    m_fetcher->cancelAll();
    m_lookingUp = true;
    m_clickedWhileLookingUp = false;
    m_nameField->setEnabled(false);
    m_addButton->setEnabled(false);
    m_nameField->setText(kLookingUp);
    m_fetcher->fetchStock(m_codeField->text(), [this](const HttpQueue::Result& reply) {
        const auto field = [&reply](std::size_t n) -> std::optional<QString> {
            if (!reply)
                return std::nullopt;
            const auto value = reply->field(n);
            return value ? std::optional(QString::fromStdU16String(*value)) : std::nullopt;
        };
        m_nameField->setText(field(quote::kNameField).value_or(QString()));
        const std::optional<QString> price = field(quote::kPriceField);
        // A price that is no number leaves both proposals as they were.
        if (const auto takeProfit = desk::proposedPrice(price, 1.05))
            m_takeProfitField->setText(*takeProfit);
        if (const auto stopLoss = desk::proposedPrice(price, 0.95))
            m_stopLossField->setText(*stopLoss);
        m_nameField->setEnabled(true);
        m_lookingUp = false;
        // The click acts on the button as the answer left it: a failed
        // lookup keeps it disabled, and stores no prices of 0.
        if (std::exchange(m_clickedWhileLookingUp, false) && m_addButton->isEnabled())
            add();
    });
}

void FrmAdd::add() {
    m_codeField->setEnabled(false);
    m_nameField->setEnabled(false);
    m_addButton->setEnabled(false);
    emit stockChosen({m_codeField->text(), m_takeProfitField->text(), m_stopLossField->text()});
    close();
}
