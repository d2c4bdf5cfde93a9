#pragma once

#include "Platform/Appearance.h"

namespace Platform {

// An appearance a test sets; it announces every real change like the desktop would.
class FakeAppearance final : public Appearance {
    Q_OBJECT

public:
    bool isDark() const override { return dark_; }
    bool reduceMotion() const override { return reduceMotion_; }

    void setDark(bool dark) {
        if (dark_ == dark)
            return;
        dark_ = dark;
        emit changed();
    }
    void setReduceMotion(bool reduce) {
        if (reduceMotion_ == reduce)
            return;
        reduceMotion_ = reduce;
        emit changed();
    }

private:
    bool dark_ = false;
    bool reduceMotion_ = false;
};

}  // namespace Platform
