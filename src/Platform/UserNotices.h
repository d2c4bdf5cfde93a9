#pragma once

#include <QString>

namespace Platform {

// What the user must learn even when no window of Tavrin is open (a change that could not be
// kept, a file that could not be read): shown where the user will see it, the tray icon's
// message, else on standard error.
class UserNotices {
public:
    virtual ~UserNotices() = default;
    virtual void tell(const QString& text) = 0;
};

}  // namespace Platform
