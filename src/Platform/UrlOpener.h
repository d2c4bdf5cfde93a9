#pragma once

#include <QUrl>

namespace Platform {

// Opens a link with the user's default application (for web addresses, the browser).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Main thread. False when the system could not hand the link to any application.
    virtual bool open(const QUrl& url) = 0;
};

}  // namespace Platform
