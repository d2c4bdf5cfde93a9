#pragma once

#include <QString>

// Why a dictation cannot start or broke off; the descriptions reach the user. The technical
// detail behind the last three goes to the log, never to the user.
enum class DictationError {
    unavailable,
    notAuthorized,
    audioFormat,
    // The sound server did not answer, or has no input to open.
    microphoneUnavailable,
    // Capture stopped while the user spoke (the server went away, the device was pulled).
    microphoneLost,
    // The speech library or the model's files cannot be read.
    modelUnreadable,
};

QString describe(DictationError error);
