#pragma once

#include <QString>
#include <vector>

#include "Platform/FloatingWindows.h"

namespace Platform {

// A window system in memory that records, in order, what was asked of it.
class FakeFloatingWindows final : public FloatingWindows {
public:
    bool isCompositing() override { return compositing; }
    void keepOnTop(quint64 window) override { calls.push_back(call("keepOnTop", window)); }
    void noteKeyboardOwner(quint64 window) override {
        calls.push_back(call("noteKeyboardOwner", window));
    }
    void takeKeyboard(quint64 window, quint32 userTime) override {
        calls.push_back(call("takeKeyboard", window) + QStringLiteral(" at %1").arg(userTime));
        keyboardHolder = window;
    }
    void giveBackKeyboard(quint64 window) override {
        calls.push_back(call("giveBackKeyboard", window));
        if (keyboardHolder == window)
            keyboardHolder = 0;
    }

    bool compositing = true;
    quint64 keyboardHolder = 0;
    std::vector<QString> calls;

private:
    static QString call(const char* name, quint64 window) {
        return QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(window);
    }
};

}  // namespace Platform
