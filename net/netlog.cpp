#include "net/netlog.h"

Q_LOGGING_CATEGORY(lcNet, "quillon.net", QtWarningMsg)
