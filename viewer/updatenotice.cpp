#include "viewer/updatenotice.h"

#include "widgets/formgeometry.h"
#include "widgets/windowplacer.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace {

const QColor kLightOrange(255, 224, 192);

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = form::place(new QLabel(text, parent), name, geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

UpdateNotice::UpdateNotice()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("tx"));
    setWindowTitle(QStringLiteral("Tarvex——提示"));
    setFixedSize(form::size(2250, 915));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, kLightOrange);
    setPalette(background);

    // Narrower than its text and two lines high: it wraps after "新", at the blanks.
    m_message = makeLabel(this, "label1", QStringLiteral("  传 闻 有 更 新      快 去 淘 金 吧！"),
                          form::rect(120, 120, 2055, 495));
    m_message->setWordWrap(true);
    m_message->setFont(form::songTi(10.5));
    m_message->setToolTip(QStringLiteral("单击窗体 关闭"));
    form::setTextColour(m_message, QColor(255, 0, 0));

    m_closeHint =
        makeLabel(this, "Label2", QStringLiteral("单击关闭"), form::rect(1200, 600, 855, 255));
    m_closeHint->setAutoFillBackground(true);
    QPalette darkRed = m_closeHint->palette();
    darkRed.setColor(QPalette::Window, QColor(192, 0, 0));
    darkRed.setColor(QPalette::WindowText, QColor(255, 255, 0));
    m_closeHint->setPalette(darkRed);

    // The labels keep their own mouse handling (the message's tool tip), so their
    // clicks are caught here rather than made to pass through.
    m_message->installEventFilter(this);
    m_closeHint->installEventFilter(this);

    // In the screen's bottom-right corner by the outer size, 400 twips above
    // the bottom for a task bar; shown again, it stays where it was. On several
    // monitors that is the primary one's corner: there the task bar and its
    // notification area are, where notices are looked for, while the viewer's
    // own window may well be in the tray.
    WindowPlacer::of(this)->placeAtShow([](const QSize& outer) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        if (!primary)
            return QPoint();
        const QRect screen = primary->geometry();
        return QPoint(screen.right() + 1 - outer.width(),
                      screen.bottom() + 1 - outer.height() - form::pixels(400));
    });
}

bool UpdateNotice::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_message || watched == m_closeHint) &&
        event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void UpdateNotice::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dismiss();
}

void UpdateNotice::closeEvent(QCloseEvent* event) {
    // A close from the window system is the user's (the close box, Alt+F4,
    // the window menu); one from the program, as it ends, only hides it.
    if (!event->spontaneous())
        return;
    event->ignore(); // hidden by dismiss(), so never closed as far as Qt goes
    dismiss();
}

void UpdateNotice::dismiss() {
    hide();
    emit dismissed();
}
