#include "SettingsWindow/Tabs/SettingsTab.h"

#include <QCoreApplication>

#include "Design/Palette.h"
#include "SettingsWindow/Blocks/SystemColors.h"

QString rawValue(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::general:
            return QStringLiteral("general");
        case SettingsTab::ai:
            return QStringLiteral("ai");
        case SettingsTab::knowledge:
            return QStringLiteral("knowledge");
        case SettingsTab::style:
            return QStringLiteral("style");
        case SettingsTab::memory:
            return QStringLiteral("memory");
        case SettingsTab::projects:
            return QStringLiteral("projects");
        case SettingsTab::actions:
            return QStringLiteral("actions");
        case SettingsTab::voice:
            return QStringLiteral("voice");
        case SettingsTab::permissions:
            return QStringLiteral("permissions");
    }
    return {};
}

std::optional<SettingsTab> settingsTabFromRaw(const QString& raw) {
    for (const SettingsTab tab : allSettingsTabs()) {
        if (rawValue(tab) == raw)
            return tab;
    }
    return std::nullopt;
}

QList<SettingsTab> allSettingsTabs() {
    return {SettingsTab::general, SettingsTab::ai,     SettingsTab::knowledge,
            SettingsTab::style,   SettingsTab::memory, SettingsTab::projects,
            SettingsTab::actions, SettingsTab::voice,  SettingsTab::permissions};
}

QString title(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::general:
            return QCoreApplication::translate("SettingsTab", "Allgemein");
        case SettingsTab::ai:
            return QCoreApplication::translate("SettingsTab", "KI");
        case SettingsTab::knowledge:
            return QCoreApplication::translate("SettingsTab", "Über mich & Wissen");
        case SettingsTab::style:
            return QCoreApplication::translate("SettingsTab", "Stil");
        case SettingsTab::memory:
            return QCoreApplication::translate("SettingsTab", "Erinnerungen");
        case SettingsTab::projects:
            return QCoreApplication::translate("SettingsTab", "Projekte");
        case SettingsTab::actions:
            return QCoreApplication::translate("SettingsTab", "Aktionen");
        case SettingsTab::voice:
            return QCoreApplication::translate("SettingsTab", "Spracheingabe");
        case SettingsTab::permissions:
            return QCoreApplication::translate("SettingsTab", "Berechtigungen");
    }
    return {};
}

QString symbol(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::general:
            return QStringLiteral("gearshape.fill");
        case SettingsTab::ai:
            return QStringLiteral("sparkle");
        case SettingsTab::knowledge:
            return QStringLiteral("person.fill");
        case SettingsTab::style:
            return QStringLiteral("pencil");
        case SettingsTab::memory:
            return QStringLiteral("brain.head.profile");
        case SettingsTab::projects:
            return QStringLiteral("folder.fill");
        case SettingsTab::actions:
            return QStringLiteral("bolt.fill");
        case SettingsTab::voice:
            return QStringLiteral("mic.fill");
        case SettingsTab::permissions:
            return QStringLiteral("lock.fill");
    }
    return {};
}

DS::Color color(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::general:
            return SystemColors::gray;
        case SettingsTab::ai:
            return DS::Palette::accent;
        case SettingsTab::knowledge:
            return SystemColors::orange;
        case SettingsTab::style:
            return SystemColors::pink;
        case SettingsTab::memory:
            return SystemColors::indigo;
        case SettingsTab::projects:
            return SystemColors::teal;
        case SettingsTab::actions:
            return SystemColors::purple;
        case SettingsTab::voice:
            return SystemColors::red;
        case SettingsTab::permissions:
            return SystemColors::blue;
    }
    return SystemColors::gray;
}
