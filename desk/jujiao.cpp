#include "desk/jujiao.h"

#include "desk/hotsectorscan.h"
#include "net/quotefetcher.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "widgets/formgeometry.h"

#include <QLabel>
#include <QListWidget>
#include <QTimer>

Jujiao::Jujiao(desk::MainOuter mainOuter)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("jujiao"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("热点板块追踪 V1.1"));
    setFixedSize(form::size(5715, 4905));

    List1 = form::place(new QListWidget(this), "List1", form::rect(0, 0, 5655, 4380));
    List1->setFont(form::songTi(12));
    QPalette colours = List1->palette();
    colours.setColor(QPalette::Base, QColor(255, 255, 0));
    colours.setColor(QPalette::Text, QColor(255, 0, 0));
    List1->setPalette(colours);

    Label1 = form::place(new QLabel(QStringLiteral("盘中即时播报盘中热点，5分钟刷新一次"), this),
                         "Label1", form::rect(120, 4560, 5415, 375));
    Label1->setFont(form::songTi(10.5));
    Label1->setTextFormat(Qt::PlainText);

    Inet1 = new QuoteFetcher(services::newsBaseUrl(), this);
    Inet1->setObjectName(QStringLiteral("Inet1"));
    Inet1->setTimeout(kTimeoutMs);
    Inet1->setMaxBodyBytes(kMaxPageBytes);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(60000);
    connect(Timer1, &QTimer::timeout, this, &Jujiao::minutePassed);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(500);
    new RightEdgeFollower(this, Timer2, std::move(mainOuter));
    Timer2->start();

    load();
}

// The window is placed beside the main window at its first show by its
// follower; the rest of loading is the first refresh and the minutes.
void Jujiao::load() {
    Timer1->start();
    refresh();
}

void Jujiao::minutePassed() {
    if (++m_minutes < kRefreshMinutes)
        return;
    m_minutes = 0;
    refresh();
}

// The list is emptied as the fetch starts and filled when the page is in; a
// failed fetch leaves it empty, as an empty page would.
void Jujiao::refresh() {
    if (!Inet1->isIdle())
        return; // the fetch on its way fills the list
    List1->clear();
    Inet1->fetchText(pages::kNews, [this](const std::optional<QString>& page) {
        showPage(page.value_or(QString()));
    });
}

void Jujiao::showPage(const QString& page) {
    const std::vector<desk::hotsector::Line> lines = desk::hotsector::scan(page);
    QStringList texts;
    texts.reserve(qsizetype(lines.size()));
    for (const desk::hotsector::Line& line : lines)
        texts.append(line.text);
    List1->clear();
    List1->addItems(texts);
    const QFont bold = form::bold(List1->font());
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].marked)
            List1->item(int(i))->setFont(bold);
    emit refreshed();
}
