#include <gtest/gtest.h>

#include <QDBusVariant>

#include "Platform/linux/PortalAppearance.h"

using Platform::PortalAppearance;

namespace {

QVariant wrapped(const QVariant& value, int times) {
    QVariant result = value;
    for (int i = 0; i < times; ++i)
        result = QVariant::fromValue(QDBusVariant(result));
    return result;
}

TEST(PortalAppearanceTest, ReadsTheColourSchemeAndTheAnimationSwitchHoweverWrapped) {
    struct Case {
        const char* name;
        QVariant scheme;
        std::optional<bool> dark;
    };
    const Case schemes[] = {
        {"no preference", QVariant(0u), std::nullopt},
        {"prefers dark", QVariant(1u), true},
        {"prefers light", QVariant(2u), false},
        {"unknown value", QVariant(7u), std::nullopt},
        {"not a number", QVariant(QStringLiteral("dark")), std::nullopt},
        {"nothing", QVariant(), std::nullopt},
    };
    for (const Case& c : schemes) {
        for (const int depth : {0, 1, 2}) {
            SCOPED_TRACE(std::string(c.name) + " wrapped " + std::to_string(depth));
            EXPECT_EQ(PortalAppearance::darkFromColorScheme(wrapped(c.scheme, depth)), c.dark);
        }
    }

    struct Motion {
        QVariant enableAnimations;
        std::optional<bool> reduce;
    };
    const Motion motions[] = {
        {QVariant(true), false},
        {QVariant(false), true},
        {QVariant(1u), std::nullopt},
        {QVariant(), std::nullopt},
    };
    for (const Motion& m : motions) {
        for (const int depth : {0, 2}) {
            EXPECT_EQ(PortalAppearance::reduceMotionFromEnableAnimations(
                          wrapped(m.enableAnimations, depth)),
                      m.reduce);
        }
    }
}

}  // namespace
