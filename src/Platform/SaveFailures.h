#pragma once

#include <QString>

namespace Platform {

class SystemLog;
class UserNotices;

// How the user hears of one file's failed saves. Every failure is a line in the log; the user
// is told at the first failure of a run of failures and again only once a save has worked in
// between, so that a setting edited key by key on a full disk says it once, not per key.
class SaveFailures {
public:
    // `logText` and `noticeText` begin the log line and the notice; the reason follows.
    // Either service may be missing (tests, tools): then that half is skipped.
    SaveFailures(SystemLog* log, UserNotices* notices, QString logText, QString noticeText);

    void failed(const QString& reason);
    void succeeded() { failing_ = false; }
    bool failing() const { return failing_; }

private:
    SystemLog* log_;
    UserNotices* notices_;
    QString logText_;
    QString noticeText_;
    bool failing_ = false;
};

}  // namespace Platform
