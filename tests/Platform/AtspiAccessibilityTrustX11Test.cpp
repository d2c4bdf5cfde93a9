#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QTest>
#include <QVariantMap>

#include "Platform/linux/AtspiAccessibilityTrust.h"

namespace {

// What the bus launcher itself reports, read directly.
QVariantMap busStatus() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "GetAll");
    message << "org.a11y.Status";
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message);
    return reply.arguments().isEmpty() ? QVariantMap()
                                       : qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

void setBusFlag(const QString& name, bool on) {
    QDBusMessage message = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                          "org.freedesktop.DBus.Properties", "Set");
    message << "org.a11y.Status" << name << QVariant::fromValue(QDBusVariant(on));
    QDBusConnection::sessionBus().call(message);
}

// Polls like the settings window does until the cached answer is `expected`.
bool becomes(Platform::AccessibilityTrust& trust, bool expected) {
    return QTest::qWaitFor([&] { return trust.isTrusted() == expected; }, 5000);
}

}  // namespace

TEST(AtspiAccessibilityTrustX11Test, RequestTurnsOnIsEnabledOnlyAndAnswersStayFast) {
    setBusFlag("IsEnabled", false);
    setBusFlag("ScreenReaderEnabled", false);

    Platform::AtspiAccessibilityTrust trust;
    ASSERT_TRUE(becomes(trust, false));
    // The launcher answers: a request can turn the bus on.
    EXPECT_TRUE(trust.canRequestTrust());

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 20; ++i)
        trust.isTrusted();
    EXPECT_LT(timer.elapsed(), 100);

    EXPECT_TRUE(trust.requestTrust());
    EXPECT_TRUE(trust.isTrusted());
    const QVariantMap status = busStatus();
    EXPECT_TRUE(status.value("IsEnabled").toBool());
    EXPECT_FALSE(status.value("ScreenReaderEnabled").toBool());

    // Turned off behind our back: the next polls notice it.
    setBusFlag("IsEnabled", false);
    EXPECT_TRUE(becomes(trust, false));

    // A screen reader's flag enables the bus for applications just as well.
    setBusFlag("ScreenReaderEnabled", true);
    EXPECT_TRUE(becomes(trust, true));
    setBusFlag("ScreenReaderEnabled", false);
}

TEST(AtspiAccessibilityTrustX11Test, FirstAnswerComesWithinItsTimeLimit) {
    QElapsedTimer timer;
    timer.start();
    Platform::AtspiAccessibilityTrust trust;
    trust.isTrusted();
    // 100 ms of waiting plus scheduling slack on a loaded machine.
    EXPECT_LT(timer.elapsed(), 250);
}
