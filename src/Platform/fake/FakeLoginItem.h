#pragma once

#include <QStringList>
#include <functional>

#include "Platform/LoginItem.h"

namespace Platform {

// Records the calls ("register", "unregister") in order; `failure` makes each call fail
// with that description; `onCall` runs inside each call, so a test can look at the world
// at that moment.
class FakeLoginItem final : public LoginItem {
public:
    std::optional<QString> registerItem() override { return record(QStringLiteral("register")); }
    std::optional<QString> unregisterItem() override {
        return record(QStringLiteral("unregister"));
    }

    QStringList calls;
    std::optional<QString> failure;
    std::function<void(const QString& call)> onCall;

private:
    std::optional<QString> record(const QString& call) {
        calls.append(call);
        if (onCall)
            onCall(call);
        return failure;
    }
};

}  // namespace Platform
