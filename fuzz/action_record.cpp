#include <QJsonDocument>

#include "Actions/AssistantAction.h"
#include "FuzzInput.h"

// One stored action; what was read must survive being written and read again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonDocument document = QJsonDocument::fromJson(inputBytes(data, size));
    const auto action = AssistantAction::fromJson(document.object());
    if (!action)
        return 0;
    const auto again = AssistantAction::fromJson(action->toJson());
    require(again.has_value(), "a written action can be read");
    require(*again == *action, "a written action reads back unchanged");
    return 0;
}
