#include "desk/jujiao.h"

#include "desk/hotsectorscan.h"
#include "net/httpclient.h"
#include "services/services.h"
#include "services/sitepages.h"
#include "widgets/formgeometry.h"

#include <QLabel>
#include <QListWidget>
#include <QTimer>

Jujiao::Jujiao(HttpClient* http, desk::MainOuter mainOuter)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("jujiao"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("热点板块追踪 V1.1"));
    setFixedSize(form::size(5715, 4905));

    m_headlines = form::place(new QListWidget(this), "List1", form::rect(0, 0, 5655, 4380));
    m_headlines->setFont(form::songTi(12));
    QPalette colours = m_headlines->palette();
    colours.setColor(QPalette::Base, QColor(255, 255, 0));
    colours.setColor(QPalette::Text, QColor(255, 0, 0));
    m_headlines->setPalette(colours);

    QLabel* note =
        form::place(new QLabel(QStringLiteral("盘中即时播报盘中热点，5分钟刷新一次"), this),
                    "Label1", form::rect(120, 4560, 5415, 375));
    note->setFont(form::songTi(10.5));
    note->setTextFormat(Qt::PlainText);

    m_newsFetcher = new HttpQueue(http, services::newsBaseUrl(), this);
    m_newsFetcher->setObjectName(QStringLiteral("Inet1"));
    m_newsFetcher->setTimeout(kTimeoutMs);
    m_newsFetcher->setMaxBodyBytes(kMaxPageBytes);

    m_minuteTimer = new QTimer(this);
    m_minuteTimer->setObjectName(QStringLiteral("Timer1"));
    m_minuteTimer->setInterval(60000);
    connect(m_minuteTimer, &QTimer::timeout, this, &Jujiao::minutePassed);

    m_followTimer = new QTimer(this);
    m_followTimer->setObjectName(QStringLiteral("Timer2"));
    m_followTimer->setInterval(500);
    new RightEdgeFollower(this, m_followTimer, std::move(mainOuter));
    m_followTimer->start();

    load();
}

// The window is placed beside the main window at its first show by its
// follower; the rest of loading is the first refresh and the minutes.
void Jujiao::load() {
    m_minuteTimer->start();
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
    if (!m_newsFetcher->isIdle())
        return; // the fetch on its way fills the list
    m_headlines->clear();
    m_newsFetcher->fetchText(pages::kNews, [this](const std::optional<QString>& page) {
        showPage(page.value_or(QString()));
    });
}

void Jujiao::showPage(const QString& page) {
    const std::vector<desk::hotsector::Line> lines = desk::hotsector::scan(page);
    QStringList texts;
    texts.reserve(qsizetype(lines.size()));
    for (const desk::hotsector::Line& line : lines)
        texts.append(line.text);
    m_headlines->clear();
    m_headlines->addItems(texts);
    const QFont bold = form::bold(m_headlines->font());
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].marked)
            m_headlines->item(int(i))->setFont(bold);
    emit refreshed();
}
