#pragma once

#include "desk/alertrules.h"
#include "desk/ticksweep.h"
#include "desk/watchlistmodel.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class AlertPopup;
class QTimer;
class HttpQueue;

// Price alerts: while switched on, every tick of its timer fetches each row's
// price once more through a fetcher of its own, one row after the other in
// list order, and raises the popup for a price above the row's take-profit or
// below its stop-loss price. The popup ends a tick with its last alert.
class AlertMonitor : public QObject {
    Q_OBJECT
public:
    // The popup opens over mainWindow.
    AlertMonitor(desk::WatchListModel* list, QWidget* mainWindow, QTimer* timer,
                 HttpQueue* fetcher, QObject* parent = nullptr);
    ~AlertMonitor() override;

    void switchOn();
    // Stops at once: a tick still waiting for replies raises nothing more. A
    // popup that is showing stays.
    void switchOff();
    bool isOn() const;

    AlertPopup* popup() const;

public slots:
    void tick();

signals:
    void homePageRequested();
    void tickFinished();

private:
    void checkNextRow();
    void check(desk::WatchListModel::RowId id, const QString& price);
    void raise(desk::WatchListModel::RowId id, desk::alerts::Kind kind, const QString& price);

    QPointer<desk::WatchListModel> m_list;
    QPointer<QWidget> m_mainWindow;
    QTimer* m_timer;
    HttpQueue* m_fetcher;
    QPointer<AlertPopup> m_popup;
    TickSweep m_sweep;
};
