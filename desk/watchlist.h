#pragma once

#include "watchlist/keeper.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QItemSelectionModel;

namespace desk {
class WatchListModel;
}

// The watch list the user edits: the rows of the model, saved to their three
// files at every change, with a watchlist::Keeper keeping the files in step.
// Windows change the list through it and only show what it reports.
class WatchList : public QObject {
    Q_OBJECT
public:
    static const QString kStandingBy; // "待命", in a row's cells until its first quote

    // selection: the list's, which says the row to remove.
    WatchList(desk::WatchListModel* model, QItemSelectionModel* selection, const QString& directory,
              QObject* parent = nullptr);

    // Fills the empty model from the files.
    void load();
    // Puts a stock at the end of the list and saves it.
    void add(const watchlist::Row& row);
    // Removes the topmost selected row and saves the shorter list; without a
    // selection nothing changes and no file is touched.
    void removeSelected();
    // For a timer: saves again while an earlier save has failed.
    void retrySave();

signals:
    // The files no longer hold the list. Sent for the first failure only, until
    // a save goes through again.
    void saveFailed(const QStringList& fileNames);
    // A save went through: the files hold the list.
    void saved();

private:
    void report(const watchlist::SaveOutcome& outcome);

    desk::WatchListModel* m_model;
    QItemSelectionModel* m_selection;
    watchlist::Keeper m_keeper;
};
