#include "Platform/SystemLog.h"

Q_LOGGING_CATEGORY(timingLog, "timing", QtInfoMsg)
