#pragma once

#include <QLoggingCategory>

// The viewer module's log, "quillon.viewer": warnings and worse by default;
// QT_LOGGING_RULES turns finer levels on.
Q_DECLARE_LOGGING_CATEGORY(lcViewer)
