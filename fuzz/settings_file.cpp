#include <QJsonArray>
#include <QJsonObject>

#include "FuzzInput.h"
#include "Settings/AssistantSettings.h"

namespace {

// `part` is `whole` or a first part of it, element for element.
bool isFirstPartOf(const QJsonArray& part, const QJsonArray& whole) {
    if (part.size() > whole.size())
        return false;
    for (qsizetype i = 0; i < part.size(); ++i) {
        if (part.at(i) != whole.at(i))
            return false;
    }
    return true;
}

// A written file cut anywhere reads, and gives back every field as written, or at its
// default, or (a list) the first of its elements: never a value it did not hold.
void cutAnywhere(const AssistantSettings& settings, size_t where) {
    const QByteArray file = settings.encode();
    const auto cut = AssistantSettings::decode(file.left(qsizetype(where % (file.size() + 1))));
    if (!cut)
        return;
    const QJsonObject written = settings.toJson();
    const QJsonObject read = cut->settings.toJson();
    const QJsonObject defaults = AssistantSettings().toJson();
    for (auto it = written.begin(); it != written.end(); ++it) {
        const QJsonValue value = read.value(it.key());
        require(value == it.value() || value == defaults.value(it.key()) ||
                    (value.isArray() && isFirstPartOf(value.toArray(), it.value().toArray())),
                "a cut file holds only what was written");
    }
}

}  // namespace

// settings.json as the user or another version may have left it, or cut short. Whatever was
// read must come back unchanged from what Tavrin writes, or a save would change the user's
// settings.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto decoded = AssistantSettings::decode(inputBytes(data, size));
    if (!decoded)
        return 0;
    const auto again = AssistantSettings::decode(decoded->settings.encode());
    require(again.has_value(), "written settings can be read");
    require(again->settings == decoded->settings, "written settings read back unchanged");
    require(!again->droppedUserData, "written settings lose nothing when read");
    cutAnywhere(decoded->settings, size);
    return 0;
}
