#include "desk/alertmonitor.h"

#include "desk/alertpopup.h"
#include "desk/deskrules.h"
#include "net/httpclient.h"

#include <QTimer>

AlertMonitor::AlertMonitor(WatchListView* list, QTimer* timer, HttpQueue* fetcher, QObject* parent)
    : QObject(parent)
    , m_list(list)
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

void AlertMonitor::check(WatchListView::RowId id, const QString& price) {
    // The thresholds are read now, as the row shows them at this moment.
    const QTreeWidgetItem* item = m_list ? m_list->itemFor(id) : nullptr;
    if (!item)
        return;
    const auto raised = desk::alerts::alertsFor(price, item->text(desk::TakeProfitColumn),
                                                item->text(desk::StopLossColumn));
    for (const desk::alerts::Kind kind : raised)
        raise(id, kind, price);
}

void AlertMonitor::raise(WatchListView::RowId id, desk::alerts::Kind kind, const QString& price) {
    const QTreeWidgetItem* item = m_list->itemFor(id);
    if (!m_popup) {
        // Made afresh, with its design texts, when first needed or after the
        // user closed it through its frame.
        m_popup = new AlertPopup(m_list->window());
        connect(m_popup, &AlertPopup::alertsOffRequested, this, &AlertMonitor::switchOff);
        connect(m_popup, &AlertPopup::homePageRequested, this, &AlertMonitor::homePageRequested);
    }
    const bool takeProfit = kind == desk::alerts::Kind::TakeProfit;
    m_popup->showAlert(item->text(desk::CodeColumn), item->text(desk::NameColumn), price,
                       desk::alerts::thresholdCaption(kind),
                       item->text(takeProfit ? desk::TakeProfitColumn : desk::StopLossColumn));
}
