#pragma once

#include <QString>
#include <QUrl>
#include <QUuid>
#include <optional>

#include "AI/ReplyKind.h"

// One exchange of the panel conversation: the user's instruction and the model's reply.
struct ConversationTurn {
    // Identity of the turn; assigned once when the turn is made.
    QUuid id = QUuid::createUuid();
    QString user;
    // Absent until the reply's marker has been read.
    std::optional<ReplyKind> kind;
    // The reply after its marker: the JSON body for actions, the document text for documents.
    QString reply;
    // Set by the application for showing the turn; never sent to the model.
    std::optional<QString> display;
    // Where a document reply was saved.
    std::optional<QUrl> documentURL;
    // Left out of the visible conversation; the prompt does not look at it.
    bool hidden = false;

    bool operator==(const ConversationTurn&) const = default;
};
