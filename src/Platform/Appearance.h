#pragma once

#include <QObject>

namespace Platform {

// How the desktop wants things drawn: dark or light, and whether to keep still. Views
// resolve their colours from it at paint time, so `changed` is all they need to follow a
// switch. Main thread.
class Appearance : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~Appearance() override = default;

    virtual bool isDark() const = 0;
    // The desktop asks for as little motion as possible (animations switched off).
    virtual bool reduceMotion() const = 0;

signals:
    // Either answer may have changed.
    void changed();
};

}  // namespace Platform
