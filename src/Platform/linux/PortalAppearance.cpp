#include "Platform/linux/PortalAppearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace Platform {

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");
const QString gnomeInterfaceGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

// Read wraps the value in one more variant than SettingChanged does; unwrap all of them.
QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

}  // namespace

PortalAppearance::PortalAppearance(QObject* parent) : Appearance(parent) {
    paletteDark_ = paletteIsDark();
    if (qApp)
        qApp->installEventFilter(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The whole message, not typed arguments: a slot with a variant argument is refused.
    bus.connect(service, path, settingsInterface, QStringLiteral("SettingChanged"), this,
                SLOT(onSettingChanged(QDBusMessage)));
    read(appearanceGroup, colorSchemeKey);
    read(gnomeInterfaceGroup, animationsKey);
}

PortalAppearance::~PortalAppearance() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool PortalAppearance::isDark() const {
    return portalDark_.value_or(paletteDark_);
}

bool PortalAppearance::reduceMotion() const {
    return portalReduceMotion_.value_or(false);
}

std::optional<bool> PortalAppearance::darkFromColorScheme(const QVariant& value) {
    bool ok = false;
    const uint scheme = unwrap(value).toUInt(&ok);
    if (!ok || scheme == 0 || scheme > 2)
        return std::nullopt;
    return scheme == 1;
}

std::optional<bool> PortalAppearance::reduceMotionFromEnableAnimations(const QVariant& value) {
    const QVariant inner = unwrap(value);
    if (inner.userType() != QMetaType::Bool)
        return std::nullopt;
    return !inner.toBool();
}

void PortalAppearance::read(const QString& group, const QString& key) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, path, settingsInterface, QStringLiteral("Read"));
    message << group << key;
    // Asynchronous with a time limit: a missing or stuck portal leaves the fallback in place
    // and never holds up the interface.
    const QDBusPendingCall call =
        QDBusConnection::sessionBus().asyncCall(message, replyTimeLimitMs);
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, group, key](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                if (reply.isError())
                    return;
                apply(group, key, reply.value().variant());
            });
}

void PortalAppearance::onSettingChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3)
        return;
    apply(arguments[0].toString(), arguments[1].toString(), arguments[2]);
}

void PortalAppearance::apply(const QString& group, const QString& key, const QVariant& value) {
    const bool wasDark = isDark();
    const bool wasReduced = reduceMotion();
    if (group == appearanceGroup && key == colorSchemeKey)
        portalDark_ = darkFromColorScheme(value);
    else if (group == gnomeInterfaceGroup && key == animationsKey)
        portalReduceMotion_ = reduceMotionFromEnableAnimations(value);
    else
        return;
    announceIfChanged(wasDark, wasReduced);
}

bool PortalAppearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        const bool wasDark = isDark();
        paletteDark_ = paletteIsDark();
        announceIfChanged(wasDark, reduceMotion());
    }
    return Appearance::eventFilter(watched, event);
}

void PortalAppearance::announceIfChanged(bool wasDark, bool wasReduced) {
    if (wasDark != isDark() || wasReduced != reduceMotion())
        emit changed();
}

bool PortalAppearance::paletteIsDark() {
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

}  // namespace Platform
