#pragma once

#include <QMap>
#include <QUrl>
#include <QUuid>
#include <optional>
#include <variant>

#include "Actions/AssistantAction.h"

// A proposed run of an action, shown as a card in the panel. Lives only in the session.
struct ActionProposal {
    // Shown, waiting for the user.
    struct Pending {
        bool operator==(const Pending&) const = default;
    };
    // The runner is at work.
    struct Running {
        bool operator==(const Running&) const = default;
    };
    // Finished, with the runner's message and link.
    struct Done {
        QString message;
        std::optional<QUrl> url;
        bool operator==(const Done&) const = default;
    };
    // The error text.
    struct Failed {
        QString message;
        bool operator==(const Failed&) const = default;
    };
    using Status = std::variant<Pending, Running, Done, Failed>;

    QUuid id = QUuid::createUuid();
    AssistantAction action;
    // Parameter values from the model, editable on the card.
    QMap<QString, QString> params;
    // The model's short sentence saying what will happen.
    QString summary;
    Status status = Pending{};

    bool operator==(const ActionProposal&) const = default;
};
