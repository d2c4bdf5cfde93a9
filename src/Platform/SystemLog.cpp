#include "Platform/SystemLog.h"

// Off unless asked for (QT_LOGGING_RULES="timing.info=true"): a line on every press is for
// measuring, not for everyday use.
Q_LOGGING_CATEGORY(timingLog, "timing", QtWarningMsg)
