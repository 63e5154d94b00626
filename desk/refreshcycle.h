#pragma once

#include "desk/deskrules.h"
#include "desk/ticksweep.h"
#include "desk/watchlistmodel.h"
#include "net/httpclient.h"

#include <QObject>
#include <QPointer>
#include <QTime>

#include <functional>

class QLabel;

// Timer1's work: each tick fetches every row's quote in list order, then the
// Shenzhen and the Shanghai index, then checks the clock for the daily picks.
// Fetches never block the window; ticks never overlap, and a tick asked for
// while one runs starts when it ends (several such asks make one tick).
class RefreshCycle : public QObject {
    Q_OBJECT
public:
    RefreshCycle(desk::WatchListModel* list, QLabel* shanghai, QLabel* shenzhen,
                 HttpQueue* rowFetcher, HttpQueue* indexFetcher, QObject* parent = nullptr);

    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }
    bool isRunning() const { return m_sweep.isRunning(); }

public slots:
    void tick();

signals:
    void picksReloadDue(); // the tick fell in one of the two morning minutes
    void tickFinished();
    // The line that says since when the prices have not moved; empty when
    // the tick just ended brought any price.
    void staleLineChanged(const QString& line);

private:
    void fetchNextRow();
    void showRowQuote(desk::WatchListModel::RowId id, const quote::Reply& reply);
    void fetchIndex(QLabel* label, const QString& name, std::string_view target,
                    std::function<void()> then);
    void finishTick();
    void noteReply(const HttpQueue::Result& result);

    QPointer<desk::WatchListModel> m_list;
    QPointer<QLabel> m_shanghai;
    QPointer<QLabel> m_shenzhen;
    HttpQueue* m_rowFetcher;
    HttpQueue* m_indexFetcher;
    std::function<QTime()> m_clock;

    TickSweep m_sweep;
    bool m_tickBroughtPrice = false;
    desk::QuoteFreshness m_freshness;
};
