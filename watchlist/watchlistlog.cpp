#include "watchlist/watchlistlog.h"

Q_LOGGING_CATEGORY(lcWatchlist, "quillon.watchlist", QtWarningMsg)
