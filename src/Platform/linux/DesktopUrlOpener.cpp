#include "Platform/linux/DesktopUrlOpener.h"

#include <QDesktopServices>

namespace Platform {

bool DesktopUrlOpener::open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace Platform
