#pragma once

#include <QLoggingCategory>

// The desk module's log, "quillon.desk": warnings and worse by default;
// QT_LOGGING_RULES turns finer levels on.
Q_DECLARE_LOGGING_CATEGORY(lcDesk)
