#pragma once

#include <QString>

// Why an engine cannot start; the descriptions reach the user.
enum class DictationError {
    unavailable,
    notAuthorized,
    audioFormat,
};

QString describe(DictationError error);
