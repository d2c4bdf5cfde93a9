#pragma once

#include <QStringList>

#include "Platform/UserNotices.h"

namespace Platform {

// Keeps what the user was told, in order.
class FakeUserNotices final : public UserNotices {
public:
    void tell(const QString& text) override { told.append(text); }
    QStringList told;
};

}  // namespace Platform
