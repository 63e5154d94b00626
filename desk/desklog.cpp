#include "desk/desklog.h"

Q_LOGGING_CATEGORY(lcDesk, "quillon.desk", QtWarningMsg)
