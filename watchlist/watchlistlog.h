#pragma once

#include <QLoggingCategory>

// The watchlist module's log, "quillon.watchlist": warnings and worse by default;
// QT_LOGGING_RULES turns finer levels on.
Q_DECLARE_LOGGING_CATEGORY(lcWatchlist)
