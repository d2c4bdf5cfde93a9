#pragma once

#include <QList>
#include <QString>
#include <optional>

// The kind of a model reply, named by the marker the reply starts with.
enum class ReplyKind { chat, draft, action, newAction, document };

QString rawValue(ReplyKind kind);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<ReplyKind> replyKindFromRaw(const QString& raw);

// The marker text that opens a reply of this kind, e.g. "[[DRAFT]]".
QString replyMarker(ReplyKind kind);
// Action and new-action replies carry compact JSON instead of prose.
bool isStructured(ReplyKind kind);
// How a reply of this kind is introduced when the conversation is replayed to the model.
QString historyLabel(ReplyKind kind);

struct ReplyMarker {
    QString marker;
    ReplyKind kind;

    bool operator==(const ReplyMarker&) const = default;
};

// Every marker with its kind, in the order the reply reader tries them.
const QList<ReplyMarker>& allReplyKinds();
