#include "desk/alertmonitor.h"

#include "desk/alertpopup.h"
#include "desk/deskrules.h"
#include "net/httpclient.h"

#include <QTimer>

AlertMonitor::AlertMonitor(desk::WatchListModel* list, QWidget* mainWindow, QTimer* timer,
                           HttpQueue* fetcher, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_mainWindow(mainWindow)
    , m_timer(timer)
    , m_fetcher(fetcher)
    , m_sweep(list) {
    connect(m_timer, &QTimer::timeout, this, &AlertMonitor::tick);
}

AlertMonitor::~AlertMonitor() {
    delete m_popup;
}

bool AlertMonitor::isOn() const {
    return m_timer->isActive();
}

AlertPopup* AlertMonitor::popup() const {
    return m_popup.data();
}

void AlertMonitor::switchOn() {
    m_timer->start();
}

void AlertMonitor::switchOff() {
    m_timer->stop();
    m_fetcher->cancelAll();
    m_sweep.cancel();
}

void AlertMonitor::tick() {
    if (m_sweep.begin())
        checkNextRow();
}

void AlertMonitor::checkNextRow() {
    if (const auto row = m_sweep.nextRow()) {
        m_fetcher->fetchStock(row->code, [this, id = row->id](const HttpQueue::Result& reply) {
            if (reply) {
                if (const auto price = reply->field(quote::kPriceField))
                    check(id, QString::fromStdU16String(*price));
            }
            checkNextRow();
        });
        return;
    }
    emit tickFinished();
    if (m_sweep.end())
        checkNextRow();
}

void AlertMonitor::check(desk::WatchListModel::RowId id, const QString& price) {
    // The thresholds are read now, as the row holds them at this moment:
    // the values the user gave, whatever the list makes of them on screen.
    const desk::WatchListModel::Entry* entry = m_list ? m_list->find(id) : nullptr;
    if (!entry)
        return;
    const auto raised =
        desk::alerts::alertsFor(desk::parseFinite(price), entry->takeProfit(), entry->stopLoss());
    for (const desk::alerts::Kind kind : raised)
        raise(id, kind, price);
}

void AlertMonitor::raise(desk::WatchListModel::RowId id, desk::alerts::Kind kind,
                         const QString& price) {
    const desk::WatchListModel::Entry& entry = *m_list->find(id);
    if (!m_popup) {
        // Made afresh, with its design texts, when first needed or after the
        // user closed it through its frame.
        m_popup = new AlertPopup(m_mainWindow);
        connect(m_popup, &AlertPopup::alertsOffRequested, this, &AlertMonitor::switchOff);
        connect(m_popup, &AlertPopup::homePageRequested, this, &AlertMonitor::homePageRequested);
    }
    const bool takeProfit = kind == desk::alerts::Kind::TakeProfit;
    m_popup->showAlert(entry.saved.code, entry.name, price, desk::alerts::thresholdCaption(kind),
                       takeProfit ? entry.saved.takeProfit : entry.saved.stopLoss);
}
