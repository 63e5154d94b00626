#include "platform/shelllog.h"

Q_LOGGING_CATEGORY(lcShell, "quillon.shell", QtWarningMsg)
