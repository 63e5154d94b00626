#pragma once

#include "desk/deskrules.h"
#include "watchlist/watchlistfiles.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace desk {

// What a reply said of a row; a field it lacked is none and leaves its cell as it was.
struct Quote {
    std::optional<QString> name = {};
    std::optional<QString> price = {};
    std::optional<QString> high = {};
    std::optional<QString> change = {};
};

// The watch list's rows as values: what the files hold of each, and what the
// quote service last said of it. The list shows it; the refresh writes into
// it, the alerts and the saves read from it, never from what a cell shows.
// Every row has an id that outlives changes to the list, so a reply that
// arrives late finds its own row or none.
class WatchListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowId = quint64;

    struct Entry {
        RowId id = 0;
        watchlist::Row saved; // code, take-profit and stop-loss, with the lines they were read from
        QString name;
        QString price;
        QString high;
        // None until a reply carried one; until then the row keeps the list's own colours.
        std::optional<QString> change;
        // The colours that change gives the code to the high, and itself: made
        // when the change is set, not at every paint of its cells.
        QBrush rowBrush = {};
        QBrush changeBrush = {};

        // The thresholds as numbers; none for one that is empty or no number.
        std::optional<double> takeProfit() const { return parseFinite(saved.takeProfit); }
        std::optional<double> stopLoss() const { return parseFinite(saved.stopLoss); }
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Puts rows at the end, showing what `shown` holds until their first reply.
    RowId append(const watchlist::Row& row, const Quote& shown = {});
    void append(const std::vector<watchlist::Row>& rows, const Quote& shown = {});
    // Takes a row out; replies still on their way for it then find none.
    void remove(RowId id);

    // Writes a reply into its row, with one change signal for the cells that
    // changed; false when the row is gone or nothing changed.
    bool setQuote(RowId id, const Quote& quote);

    const Entry* find(RowId id) const;
    int rowOf(RowId id) const; // -1 for a row no longer in the list
    RowId idAt(int row) const { return m_rows.at(std::size_t(row)).id; }
    QList<RowId> rowIds() const;

    // The persisted part of every row, top to bottom, with the lines it was read from.
    std::vector<watchlist::Row> savedRows() const;

private:
    Entry makeEntry(const watchlist::Row& row, const Quote& shown);
    static void setChange(Entry& entry, const QString& change);
    QString text(const Entry& entry, int column) const;

    std::vector<Entry> m_rows; // in list order, which is the order of their ids
    RowId m_nextId = 1;
};

} // namespace desk
