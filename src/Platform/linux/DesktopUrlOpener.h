#pragma once

#include "Platform/UrlOpener.h"

namespace Platform {

// Through QDesktopServices, which on X11 desktops hands the link to xdg-open.
class DesktopUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};

}  // namespace Platform
