#include "quote/quotelog.h"

Q_LOGGING_CATEGORY(lcQuote, "quillon.quote", QtWarningMsg)
