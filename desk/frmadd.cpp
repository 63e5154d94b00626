#include "desk/frmadd.h"

#include "desk/deskrules.h"
#include "desk/edgedocker.h"
#include "desk/form1.h"
#include "desk/rightedgefollow.h"
#include "net/quotefetcher.h"
#include "services/services.h"
#include "widgets/formgeometry.h"
#include "widgets/linklabel.h"
#include "widgets/windowplacer.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
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

FrmAdd::FrmAdd(Form1* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint)
    , m_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("frmAdd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("添加黑马"));
    setWindowIcon(mainWindow->windowIcon());
    setFixedSize(form::size(3960, 2880));
    createControls();
    placeBelowMainWindow();
}

void FrmAdd::createControls() {
    const QFont label12 = form::songTi(12);
    const QFont box14 = form::songTi(14.25);
    const QFont windowFont = font();

    Label1 = place(new QLabel(QStringLiteral("股票编号："), this), "Label1",
                   form::rect(120, 120, 1455, 255), label12);
    Text1 = place(new QLineEdit(this), "Text1", form::rect(1320, 120, 1695, 375), box14);
    Label2 = place(new QLabel(QStringLiteral("股票名称："), this), "Label2",
                   form::rect(120, 600, 1455, 255), label12);
    Text2 = place(new QLineEdit(this), "Text2", form::rect(1320, 600, 1695, 375), label12);
    Label3 = place(new QLabel(QStringLiteral("止盈价："), this), "Label3",
                   form::rect(120, 1080, 1095, 255), label12);
    Text4 = place(new QLineEdit(QStringLiteral("现价的5%"), this), "Text4",
                  form::rect(1320, 1080, 1695, 375), box14);
    Label4 = place(new QLabel(QStringLiteral("止损价："), this), "Label4",
                   form::rect(120, 1560, 1095, 255), label12);
    Text5 = place(new QLineEdit(QStringLiteral("现价的-5%"), this), "Text5",
                  form::rect(1320, 1560, 1695, 375), box14);

    Command1 = place(new QPushButton(QStringLiteral("添加股票"), this), "Command1",
                     form::rect(480, 2040, 2655, 375), label12);
    form::setFace(Command1, QColor(255, 128, 128));

    Label8 = place(new QLabel(QStringLiteral("默认止盈价是现价的5%，止损位是-5%，可修改"), this),
                   "Label8", form::rect(120, 2520, 3735, 375), windowFont);
    Label5 = place(new LinkLabel(QStringLiteral("Tarvex"), this), "Label5",
                   form::rect(3120, 240, 735, 255), form::songTi(10.5));
    Label6 = place(new LinkLabel(QStringLiteral("私募内线涨停荐股热点题材        解套战法"), this),
                   "Label6", form::rect(3120, 600, 735, 1095), windowFont);
    Label6->setWordWrap(true);
    Label7 = place(new LinkLabel(QUrl(services::siteBaseUrl()).authority(), this), "Label7",
                   form::rect(3120, 1800, 855, 375), windowFont);
    for (QLabel* label : {static_cast<QLabel*>(Label5), static_cast<QLabel*>(Label6),
                          static_cast<QLabel*>(Label7), Label1, Label2, Label3, Label4, Label8}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
    }

    Inet1 = new QuoteFetcher(services::quoteBaseUrl(), this);
    Inet1->setObjectName(QStringLiteral("Inet1"));

    // Keyboard order: code, name, add button, take-profit, stop-loss.
    for (QLabel* label : findChildren<QLabel*>())
        label->setFocusPolicy(Qt::NoFocus);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Text4);
    setTabOrder(Text4, Text5);
    Text1->setFocus();

    Text1->installEventFilter(this);
    Command1->installEventFilter(this);
    connect(Text1, &QLineEdit::textChanged, this,
            [this](const QString& code) { Command1->setEnabled(code.size() == 6); });
    connect(Text2, &QLineEdit::textChanged, this, [this](const QString& name) {
        if (!name.isEmpty() && name != kLookingUp)
            Command1->setEnabled(true);
    });
    connect(Command1, &QPushButton::clicked, this, &FrmAdd::add);
    for (LinkLabel* link : {Label5, Label6, Label7})
        connect(link, &LinkLabel::clicked, m_mainWindow, &Form1::openHomePage);
}

void FrmAdd::placeBelowMainWindow() {
    // Below the main window, left edges aligned, both by their outer
    // rectangles; then moved the least it takes to lie wholly on the screen,
    // since the main window may be tucked away at an edge.
    QPointer<Form1> mainWindow(m_mainWindow);
    const auto mainOuter =
        desk::firstReading([mainWindow] { return mainWindow ? mainWindow->outerRect() : QRect(); });
    WindowPlacer::of(this)->placeAtShow([mainOuter](const QSize& outer) {
        const QRect main = mainOuter();
        const QRect below(QPoint(main.left(), main.bottom() + 1), outer);
        // On the screen the main window is on, by docking's reckoning, so a
        // window hidden at the top of a second monitor opens its dialog there.
        const QScreen* screen = desk::screenHolding(main);
        return screen ? form::keptInside(below, screen->availableGeometry()) : below.topLeft();
    });
}

bool FrmAdd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::FocusOut) {
        // Focus that leaves with the whole window (another program, a menu)
        // has not left the field for another one of ours.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            lookUpName();
    }
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (watched == Command1 && (press || event->type() == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // A press that took the focus from the code field has started the
        // lookup before it arrives here, and finds the button disabled.
        if (press) {
            m_pressedWhileLookingUp = m_lookingUp;
        } else if (std::exchange(m_pressedWhileLookingUp, false) &&
                   Command1->rect().contains(
                       static_cast<QMouseEvent*>(event)->position().toPoint())) {
            if (m_lookingUp)
                m_clickedWhileLookingUp = true;
            else if (Command1->isEnabled()) // answered while the button was held down
                add();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmAdd::lookUpName() {
    // Only the answer for the code now in the field may fill the fields: a
    // slower one for an earlier code is dropped, and with it a click made
    // while that one was out.
    Inet1->cancelAll();
    m_lookingUp = true;
    m_clickedWhileLookingUp = false;
    Text2->setEnabled(false);
    Command1->setEnabled(false);
    Text2->setText(kLookingUp);
    Inet1->fetchStock(Text1->text(), [this](const QuoteFetcher::Result& reply) {
        const auto field = [&reply](std::size_t n) -> std::optional<QString> {
            if (!reply)
                return std::nullopt;
            const auto value = reply->field(n);
            return value ? std::optional(QString::fromStdU16String(*value)) : std::nullopt;
        };
        Text2->setText(field(quote::kNameField).value_or(QString()));
        const std::optional<QString> price = field(quote::kPriceField);
        // A price that is no number leaves both proposals as they were.
        if (const auto takeProfit = desk::proposedPrice(price, 1.05))
            Text4->setText(*takeProfit);
        if (const auto stopLoss = desk::proposedPrice(price, 0.95))
            Text5->setText(*stopLoss);
        Text2->setEnabled(true);
        m_lookingUp = false;
        // The click acts on the button as the answer left it: a failed
        // lookup keeps it disabled, and stores no prices of 0.
        if (std::exchange(m_clickedWhileLookingUp, false) && Command1->isEnabled())
            add();
    });
}

void FrmAdd::add() {
    Text1->setEnabled(false);
    Text2->setEnabled(false);
    Command1->setEnabled(false);
    emit stockChosen({Text1->text(), Text4->text(), Text5->text()});
    close();
}
