#include "App/TrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "Design/BrandMark.h"
#include "Platform/SystemLog.h"
#include "Settings/SettingsStore.h"

TrayIcon::TrayIcon(Platform::SystemLog& log, std::function<bool()> trayAvailable, QObject* parent)
    : QObject(parent), log_(log), trayAvailable_(std::move(trayAvailable)) {
    menu_.addAction(tr("Beenden"), qApp, &QCoreApplication::quit);
    BrandMark::setTrayIcon(icon_);
    icon_.setToolTip(QStringLiteral("Tavrin"));
    icon_.setContextMenu(&menu_);
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    openMenu();
            });
}

void TrayIcon::followSetting(SettingsStore& store) {
    const auto apply = [this, &store] {
        if (store.settings().showMenuBarIcon)
            show();
        else
            icon_.hide();
    };
    connect(&store, &SettingsStore::settingsChanged, this, apply);
    apply();
}

void TrayIcon::openMenu() {
    if (menu_.isVisible())
        return;
    // Where the user clicked, which is on the icon; the menu keeps itself on the screen.
    menu_.popup(QCursor::pos());
}

void TrayIcon::show() {
    icon_.show();
    if (toldNoTray_ || trayAvailable_())
        return;
    toldNoTray_ = true;
    log_.log(noTrayMessage());
}

void TrayIcon::afterShown(QObject* context, std::function<void()> work) {
    afterShown_.emplace_back(context, std::move(work));
    if (afterShown_.size() > 1)
        return;
    if (!trayAvailable_() || !icon_.isVisible()) {
        QTimer::singleShot(0, this, &TrayIcon::runAfterShown);
        return;
    }
    qApp->installEventFilter(this);
    QTimer::singleShot(1000, this, &TrayIcon::runAfterShown);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // Queued: the work runs once this paint is on the screen.
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
        QMetaObject::invokeMethod(this, &TrayIcon::runAfterShown, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void TrayIcon::runAfterShown() {
    qApp->removeEventFilter(this);
    for (auto& [context, work] : std::exchange(afterShown_, {}))
        if (context)
            QMetaObject::invokeMethod(context, std::move(work));
}

void TrayIcon::showNotice(const QString& text) {
    if (!icon_.isVisible() || !trayAvailable_() || !QSystemTrayIcon::supportsMessages()) {
        printNotice(text);
        return;
    }
    // Long enough to be read on coming back to the desk; the text stays in the log as well.
    constexpr int shownFor = 30000;
    icon_.showMessage(QStringLiteral("Tavrin"), text, QSystemTrayIcon::Warning, shownFor);
}

void TrayIcon::printNotice(const QString& text) {
    std::fprintf(stderr, "Tavrin: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString TrayIcon::noTrayMessage() {
    return tr(
        "Tavrin läuft, aber es gibt keine Systemleiste, die sein Symbol zeigen kann. "
        "Sobald eine Systemleiste da ist, erscheint es dort.");
}

QIcon TrayIcon::placeholderIcon() {
    return BrandMark::trayIcon();
}
