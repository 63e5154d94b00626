#pragma once

#include "desk/watchlistmodel.h"
#include "quote/quotereply.h"

#include <QString>

#include <optional>

class QLabel;

// What the refresh cycle writes into the window for one reply.
namespace desk {

// A stock's reply into its row: name, price, high and change (the row's
// colours follow the change). A field the reply lacks leaves its cell, and a
// missing change the colours, as they were. A row deleted meanwhile is not
// there any more; false then, and when nothing changed.
bool showQuote(WatchListModel& list, WatchListModel::RowId id, const quote::Reply& reply);

// An index reply into its label; no reply (a failed fetch) empties the numbers.
void showIndex(QLabel* label, const QString& name, const std::optional<quote::Reply>& reply);

} // namespace desk
