#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <map>

#include "Platform/linux/PortalAppearance.h"

using Platform::PortalAppearance;

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

// A settings portal on its own bus connection: answers Read from a table, or never when
// told to hang, and sends SettingChanged on request.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit FakePortal(bool hangs = false)
        : connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                    QStringLiteral("fake-portal"))),
          hangs_(hangs) {
        connection_.registerObject(portalPath, this, QDBusConnection::ExportAllSlots);
        registered_ = connection_.registerService(portalService);
    }
    ~FakePortal() override {
        connection_.unregisterService(portalService);
        connection_.unregisterObject(portalPath);
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }

    bool registered() const { return registered_; }
    std::map<std::pair<QString, QString>, QVariant> values;

    void change(const QString& group, const QString& key, const QVariant& value) {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, settingsInterface,
                                                         QStringLiteral("SettingChanged"));
        signal << group << key << QVariant::fromValue(QDBusVariant(value));
        connection_.send(signal);
    }

public slots:
    QDBusVariant Read(const QString& group, const QString& key, const QDBusMessage& message) {
        if (hangs_) {
            message.setDelayedReply(true);
            return {};
        }
        const auto found = values.find({group, key});
        if (found == values.end()) {
            connection_.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("none")));
            return {};
        }
        // The portal's Read wraps the value in one variant more than the signal does.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(found->second)));
    }

private:
    QDBusConnection connection_;
    bool hangs_;
    bool registered_ = false;
};

TEST(PortalAppearanceX11Test, ReadsThePortalAndFollowsItsChanges) {
    FakePortal portal;
    ASSERT_TRUE(portal.registered());
    portal.values[{"org.freedesktop.appearance", "color-scheme"}] = QVariant(1u);
    portal.values[{"org.gnome.desktop.interface", "enable-animations"}] = QVariant(true);

    PortalAppearance appearance;
    QSignalSpy changed(&appearance, &Platform::Appearance::changed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return appearance.isDark(); }, 3000));
    EXPECT_FALSE(appearance.reduceMotion());
    EXPECT_EQ(changed.count(), 1);

    portal.change("org.gnome.desktop.interface", "enable-animations", QVariant(false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return appearance.reduceMotion(); }, 3000));
    portal.change("org.freedesktop.appearance", "color-scheme", QVariant(2u));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !appearance.isDark(); }, 3000));
    // Unrelated settings change nothing.
    portal.change("org.freedesktop.appearance", "accent-color", QVariant(3u));
    QTest::qWait(100);
    EXPECT_EQ(changed.count(), 3);
}

TEST(PortalAppearanceX11Test, AHangingPortalNeverHoldsUpAndThePaletteDecidesMeanwhile) {
    const QPalette before = QGuiApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QGuiApplication::setPalette(dark);
    {
        FakePortal portal(true);
        ASSERT_TRUE(portal.registered());
        QElapsedTimer timer;
        timer.start();
        PortalAppearance appearance;
        EXPECT_LT(timer.elapsed(), 200);
        EXPECT_TRUE(appearance.isDark());
        EXPECT_FALSE(appearance.reduceMotion());

        // The palette turning light is followed while the portal stays silent.
        QSignalSpy changed(&appearance, &Platform::Appearance::changed);
        QGuiApplication::setPalette(before);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !appearance.isDark(); }, 1000));
        EXPECT_EQ(changed.count(), 1);
        // After the time limit the unanswered reads are given up; the fallback stays.
        QTest::qWait(PortalAppearance::replyTimeLimitMs + 200);
        EXPECT_FALSE(appearance.isDark());
    }
    QGuiApplication::setPalette(before);
}

}  // namespace

#include "PortalAppearanceX11Test.moc"
