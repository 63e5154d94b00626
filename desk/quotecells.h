#pragma once

#include "quote/quotereply.h"

#include <QString>

#include <optional>

class QLabel;
class QTreeWidgetItem;

// What the refresh cycle writes into the window for one reply.
namespace desk {

// A stock's reply into its row: name, price, high and change, then the row's
// colours from the change. A field the reply lacks leaves its cell, and a
// missing change the colours, as they were.
void showQuote(QTreeWidgetItem* row, const quote::Reply& reply);

// An index reply into its label; no reply (a failed fetch) empties the numbers.
void showIndex(QLabel* label, const QString& name, const std::optional<quote::Reply>& reply);

} // namespace desk
