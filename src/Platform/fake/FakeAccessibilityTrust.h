#pragma once

#include "Platform/AccessibilityTrust.h"

namespace Platform {

class FakeAccessibilityTrust final : public AccessibilityTrust {
public:
    bool isTrusted() override {
        ++checks;
        return trusted;
    }
    bool requestTrust() override {
        ++requests;
        if (grantOnRequest)
            trusted = true;
        return trusted;
    }
    bool canRequestTrust() override { return busPresent; }

    bool trusted = false;
    bool busPresent = true;
    bool grantOnRequest = false;
    int checks = 0;
    int requests = 0;
};

}  // namespace Platform
