#include "Platform/linux/AtspiAccessibilityTrust.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

namespace Platform {

namespace {

const QString kService = QStringLiteral("org.a11y.Bus");
const QString kPath = QStringLiteral("/org/a11y/bus");
const QString kStatus = QStringLiteral("org.a11y.Status");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The bus launcher is started on demand by the session bus; a second is plenty for that,
// and the calls run on the probe's worker only.
constexpr int kCallTimeoutMs = 1000;

QDBusMessage call(const QDBusMessage& message) {
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

using Bus = AtspiAccessibilityTrust::Bus;

Bus busState() {
    if (!QDBusConnection::sessionBus().isConnected())
        return Bus::absent;
    const QDBusMessage address = call(
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetAddress")));
    if (address.type() != QDBusMessage::ReplyMessage || address.arguments().isEmpty() ||
        address.arguments().constFirst().toString().isEmpty())
        return Bus::absent;

    QDBusMessage getAll =
        QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("GetAll"));
    getAll << kStatus;
    const QDBusMessage status = call(getAll);
    if (status.type() != QDBusMessage::ReplyMessage || status.arguments().isEmpty())
        return Bus::off;
    const QVariantMap properties = qdbus_cast<QVariantMap>(status.arguments().constFirst());
    return properties.value(QStringLiteral("IsEnabled")).toBool() ||
                   properties.value(QStringLiteral("ScreenReaderEnabled")).toBool()
               ? Bus::on
               : Bus::off;
}

void enableBus() {
    if (!QDBusConnection::sessionBus().isConnected())
        return;
    QDBusMessage set =
        QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Set"));
    set << kStatus << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    call(set);
}

}  // namespace

AtspiAccessibilityTrust::AtspiAccessibilityTrust()
    : probe_(std::make_unique<BackgroundProbe<Bus>>(&busState, std::chrono::milliseconds(100),
                                                    std::chrono::milliseconds(500),
                                                    "a11y bus probe")) {}

AtspiAccessibilityTrust::~AtspiAccessibilityTrust() = default;

bool AtspiAccessibilityTrust::isTrusted() {
    return probe_->current() == Bus::on;
}

bool AtspiAccessibilityTrust::canRequestTrust() {
    // Before the first answer a click may still find the launcher.
    return probe_->current() != Bus::absent;
}

bool AtspiAccessibilityTrust::requestTrust() {
    // The user pressed a button and waits for its answer; half a second covers starting the
    // bus launcher, a slower bus keeps the old answer and the next poll picks up the new one.
    return probe_->runAndWait(&enableBus, std::chrono::milliseconds(500)) == Bus::on;
}

}  // namespace Platform
