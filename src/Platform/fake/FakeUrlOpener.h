#pragma once

#include <QList>

#include "Platform/UrlOpener.h"

namespace Platform {

// Records every link it is asked to open; a test can make it report failure.
class FakeUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override {
        opened.append(url);
        return succeeds;
    }

    QList<QUrl> opened;
    bool succeeds = true;
};

}  // namespace Platform
