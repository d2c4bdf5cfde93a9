#include "App/MenuBarModel.h"

#include <QCoreApplication>

#include "App/MenuBarOperations.h"

namespace MenuBarModel {

namespace {

using Item = MenuBarItem;
using Operation = MenuBarItem::Operation;

const QString gap = QStringLiteral("    ");

QString tr(const char* text) {
    return QCoreApplication::translate("MenuBarMenu", text);
}

QString displayName(ProviderID provider) {
    switch (provider) {
        case ProviderID::claudeCLI:
            return QStringLiteral("Claude");
        case ProviderID::codexCLI:
            return QStringLiteral("ChatGPT");
    }
    return {};
}

Item separator() {
    Item item;
    item.kind = Item::Kind::separator;
    return item;
}

Item section(const QString& title) {
    Item item;
    item.kind = Item::Kind::section;
    item.text = title;
    item.enabled = false;
    return item;
}

Item action(const QString& text, Operation operation, Item::Icon icon = Item::Icon::none) {
    Item item;
    item.text = text;
    item.operation = operation;
    item.icon = icon;
    return item;
}

// The dot tells the state; only a missing permission can be asked for, and only where asking
// can change something (`obstacle` says why not).
Item permission(const QString& title, bool granted, Operation request,
                const QString& obstacle = QString()) {
    if (granted)
        return action(title, Operation::none, Item::Icon::granted);
    Item item = action(title + gap + tr("Erlauben …"), request, Item::Icon::missing);
    if (!obstacle.isEmpty()) {
        item.enabled = false;
        item.toolTip = obstacle;
    }
    return item;
}

}  // namespace

QList<MenuBarItem> items(const MenuBarState& state) {
    QList<Item> list;
    if (!state.onboardingCompleted) {
        list << action(tr("Einrichtung fortsetzen …"), Operation::continueOnboarding,
                       Item::Icon::checklist)
             << separator();
    }
    Item open = action(tr("Tavrin öffnen"), Operation::invoke, Item::Icon::sparkle);
    // Where the menu shows the keys of the other entries, aligned with them. It works anywhere,
    // not only in the open menu, so the menu does not take it as its own key.
    if (state.mainShortcut && !state.mainShortcut->isEmpty())
        open.keyText = *state.mainShortcut;
    list << open << separator();

    list << section(tr("Anbieter"));
    for (const ProviderID provider : allProviderIDs()) {
        const auto status = state.providerStatus.find(provider);
        Item item = action(displayName(provider) + gap +
                               (status != state.providerStatus.end() ? status->second : QString()),
                           Operation::chooseProvider);
        item.provider = provider;
        item.checkable = true;
        item.checked = state.provider == provider;
        list << item;
    }
    list << separator();

    list << section(tr("Berechtigungen"))
         << permission(tr("Barrierefreiheit"), state.accessibility, Operation::requestAccessibility,
                       state.accessibilityObstacle)
         << permission(tr("Bildschirmaufnahme"), state.screenRecording,
                       Operation::requestScreenRecording)
         << permission(tr("Mikrofon"), state.microphone, Operation::requestMicrophone,
                       state.microphoneObstacle)
         << separator();

    // Updates come from the package manager: there is nothing to check here, and the item
    // says so when pointed at, as the general settings say beside their update controls.
    Item updates = action(tr("Nach Updates suchen …"), Operation::none);
    updates.enabled = false;
    updates.toolTip = tr("Updates kommen über die Paketverwaltung");
    list << updates;
    Item settings = action(tr("Einstellungen …"), Operation::openSettings);
    settings.key = QKeySequence(Qt::CTRL | Qt::Key_Comma);
    settings.keyText = QStringLiteral("Strg+,");
    Item quit = action(tr("Beenden"), Operation::quit);
    quit.key = QKeySequence(Qt::CTRL | Qt::Key_Q);
    quit.keyText = QStringLiteral("Strg+Q");
    list << settings << quit;
    return list;
}

void perform(const MenuBarItem& item, MenuBarOperations& operations) {
    if (!item.enabled)
        return;
    switch (item.operation) {
        case Operation::none:
            return;
        case Operation::continueOnboarding:
            operations.dismiss();
            operations.showOnboarding();
            return;
        case Operation::invoke:
            operations.invoke();
            return;
        case Operation::chooseProvider:
            // The chosen one stays chosen: one provider always answers.
            if (item.provider && !item.checked)
                operations.selectProvider(*item.provider);
            return;
        case Operation::requestAccessibility:
            operations.requestAccessibility();
            return;
        case Operation::requestScreenRecording:
            operations.requestScreenRecording();
            return;
        case Operation::requestMicrophone:
            operations.requestMicrophone();
            return;
        case Operation::openSettings:
            operations.openSettings();
            return;
        case Operation::quit:
            operations.quit();
            return;
    }
}

}  // namespace MenuBarModel
