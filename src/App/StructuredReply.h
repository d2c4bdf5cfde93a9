#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "AI/ReplyKind.h"
#include "Actions/AssistantAction.h"

class AssistantSession;

// Turns the JSON body of an action or new-action reply into a proposal on the session, for
// the panel's cards. Nothing runs here.
namespace StructuredReply {

// The actions a reply may name: the built-ins, then the user's own. Asked again each time an
// id is checked, so that it sees the settings as they are now.
using Catalogue = std::function<QList<AssistantAction>()>;

// The line the conversation shows for the reply ("✦ " and a summary), or none when the body
// is unusable; the session's proposals are then left as they were. `action` takes the action
// path, every other kind the new-action path.
std::optional<QString> apply(ReplyKind kind, const QString& json, AssistantSession& session,
                             const Catalogue& catalogue);

// The id of a new action named `name`: lower-case ASCII letters, digits and "_", "aktion"
// when nothing is left, with "_2" added while the catalogue has it.
QString newActionId(const QString& name, const Catalogue& catalogue);

}  // namespace StructuredReply
