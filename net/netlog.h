#pragma once

#include <QLoggingCategory>

// The network module's log, "quillon.net": warnings and worse by default;
// QT_LOGGING_RULES turns finer levels on.
Q_DECLARE_LOGGING_CATEGORY(lcNet)
