#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "AI/AssistantProblem.h"
#include "AI/ProviderStatusStore.h"
#include "Design/Color.h"
#include "Settings/ProviderID.h"

// What the panel says when a request failed, and the ways out it offers, for each kind of
// problem. Plain data, so that the choice can be read without drawing anything.
struct ProblemNotice {
    // What a button does.
    enum class Way {
        signIn,              // sign in to `provider`
        openSettings,        // the settings on the AI tab
        switchProvider,      // write the answer with other(`provider`)
        retry,               // send the last request again as it was
        allowAccessibility,  // ask for the accessibility permission
        close,               // dismiss the panel
    };
    struct Button {
        Way way;
        QString title;
        bool primary;
        bool operator==(const Button&) const = default;
    };
    using StatusSource = std::function<ProviderStatusStore::State(ProviderID)>;

    QString symbol;
    DS::Color tint;
    DS::Color tintSoft;
    QString title;
    QString message;
    // The provider the problem concerns (the session's for problems that name none).
    ProviderID provider = ProviderID::claudeCLI;
    QList<Button> buttons;

    // `sessionProvider` stands in for problems that name no provider; `status` tells whether
    // the other provider could answer instead.
    static ProblemNotice make(const AssistantProblem& problem, ProviderID sessionProvider,
                              const StatusSource& status);

    static ProviderID other(ProviderID provider);
};
