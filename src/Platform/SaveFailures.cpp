#include "Platform/SaveFailures.h"

#include <utility>

#include "Platform/SystemLog.h"
#include "Platform/UserNotices.h"

namespace Platform {

SaveFailures::SaveFailures(SystemLog* log, UserNotices* notices, QString logText,
                           QString noticeText)
    : log_(log),
      notices_(notices),
      logText_(std::move(logText)),
      noticeText_(std::move(noticeText)) {}

void SaveFailures::failed(const QString& reason) {
    if (log_)
        log_->log(logText_ + reason);
    if (std::exchange(failing_, true))
        return;
    if (notices_)
        notices_->tell(noticeText_.arg(reason));
}

}  // namespace Platform
