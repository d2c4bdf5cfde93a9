#pragma once

#include <QString>
#include <optional>

class AssistantSession;

// What the user saw and discussed in one panel session, condensed into the text of one
// activity entry, so that later prompts know which windows, messages and answers the user
// looked at lately. The labels are English because the text goes to the model.
namespace ViewedRecord {

// None when the session has no context or nothing worth recording.
std::optional<QString> text(const AssistantSession& session);

}  // namespace ViewedRecord
