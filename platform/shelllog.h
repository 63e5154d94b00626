#pragma once

#include <QLoggingCategory>

// The shell module's log, "quillon.shell": warnings and worse by default;
// QT_LOGGING_RULES turns finer levels on.
Q_DECLARE_LOGGING_CATEGORY(lcShell)
