#include "GlobalShortcuts/Shortcut.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <cmath>
#include <limits>

#include "GlobalShortcuts/SpecialKey.h"

namespace GlobalShortcuts {

namespace {

std::optional<int> integerMember(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(number);
}

std::optional<char32_t> characterOfKey(const Shortcut& shortcut, const CharacterOf& characterOf) {
    if (SpecialKeys::of(shortcut.carbonKeyCode) || !characterOf)
        return std::nullopt;
    return characterOf(shortcut.carbonKeyCode);
}

}  // namespace

Shortcut::Shortcut(int keyCode, int modifiers)
    : carbonKeyCode(keyCode),
      carbonModifiers(ModifierMask::carbon(Modifiers::fromInt(modifiers))) {}

Shortcut::Shortcut(Key key, Modifiers modifiers)
    : carbonKeyCode(key.rawValue), carbonModifiers(ModifierMask::carbon(modifiers)) {}

std::optional<Shortcut> Shortcut::fromEvent(const QEvent& event,
                                            const KeyCodeOfScanCode& keyCodeOfScanCode) {
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease)
        return std::nullopt;
    const auto& key = static_cast<const QKeyEvent&>(event);
    std::optional<int> keyCode;
    if (key.nativeScanCode() != 0 && keyCodeOfScanCode)
        keyCode = keyCodeOfScanCode(key.nativeScanCode());
    else if (const auto fromQt = Key::fromQtKey(key.key()))
        keyCode = fromQt->rawValue;
    if (!keyCode)
        return std::nullopt;
    return Shortcut(Key{*keyCode}, ModifierMask::fromQt(key.modifiers()));
}

QByteArray Shortcut::toJson() const {
    const QJsonObject object{{QStringLiteral("carbonKeyCode"), carbonKeyCode},
                             {QStringLiteral("carbonModifiers"), carbonModifiers}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const auto keyCode = integerMember(document.object(), "carbonKeyCode");
    const auto modifiers = integerMember(document.object(), "carbonModifiers");
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(*keyCode, *modifiers);
}

QString Shortcut::presentableDescription(const CharacterOf& characterOf) const {
    const QString modifierText = ModifierMask::symbolicRepresentation(modifiers());
    if (const auto special = SpecialKeys::of(carbonKeyCode))
        return modifierText + SpecialKeys::presentableDescription(*special);
    const auto character = characterOfKey(*this, characterOf);
    if (!character)
        return modifierText + QChar(0xFFFD);
    // Title case shows letters as on the key caps; ß stays ß instead of becoming SS.
    const char32_t title = QChar::toTitleCase(*character);
    return modifierText + QString::fromUcs4(&title, 1);
}

QKeySequence Shortcut::keySequence(const CharacterOf& characterOf) const {
    const Qt::KeyboardModifiers qtModifiers = ModifierMask::toQt(modifiers());
    if (const auto special = SpecialKeys::of(carbonKeyCode)) {
        const auto qtKey = SpecialKeys::qtKey(*special);
        if (!qtKey)
            return {};
        return QKeySequence(QKeyCombination(qtModifiers, Qt::Key(*qtKey)));
    }
    const auto character = characterOfKey(*this, characterOf);
    if (!character)
        return {};
    // Qt names letter keys by their upper-case character.
    const char32_t upper = QChar::toUpper(*character);
    return QKeySequence(QKeyCombination(qtModifiers, Qt::Key(upper)));
}

}  // namespace GlobalShortcuts
