#pragma once

#include <optional>

#include "Platform/Appearance.h"

class QDBusMessage;

namespace Platform {

// The desktop portal's settings over the session bus: "color-scheme" of
// "org.freedesktop.appearance" for dark, GNOME's "enable-animations" for reduced motion.
// Both are asked asynchronously with a short time limit and followed through the portal's
// SettingChanged signal. Without a portal answer, dark follows the application palette (a
// window colour darker than half) and motion stays on.
class PortalAppearance final : public Appearance {
    Q_OBJECT

public:
    static constexpr int replyTimeLimitMs = 1000;

    explicit PortalAppearance(QObject* parent = nullptr);
    ~PortalAppearance() override;

    bool isDark() const override;
    bool reduceMotion() const override;

    // The portal's answers as read: color-scheme 1 asks for dark, 2 for light, 0 leaves it
    // to the application.
    static std::optional<bool> darkFromColorScheme(const QVariant& value);
    static std::optional<bool> reduceMotionFromEnableAnimations(const QVariant& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onSettingChanged(const QDBusMessage& message);

private:
    void read(const QString& group, const QString& key);
    void apply(const QString& group, const QString& key, const QVariant& value);
    void announceIfChanged(bool wasDark, bool wasReduced);
    static bool paletteIsDark();

    std::optional<bool> portalDark_;
    std::optional<bool> portalReduceMotion_;
    bool paletteDark_ = false;
};

}  // namespace Platform
