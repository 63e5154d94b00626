#pragma once

#include <QLoggingCategory>

// The quote module's log, "quillon.quote": warnings and worse by default;
// QT_LOGGING_RULES turns finer levels on.
Q_DECLARE_LOGGING_CATEGORY(lcQuote)
