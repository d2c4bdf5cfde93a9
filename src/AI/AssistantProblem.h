#pragma once

#include <QString>
#include <optional>

#include "Settings/ProviderID.h"

// Why a request of the panel failed, in the few kinds the panel knows how to explain. The
// session names it AssistantSession::Problem; it lives here so that the error classifier can
// produce it without knowing the session.
class AssistantProblem {
public:
    enum class Kind {
        notSignedIn,
        notFound,
        limitReached,
        busy,
        modelUnavailable,
        generic,
        accessibilityMissing,
        offline,
    };

    static AssistantProblem notSignedIn(ProviderID provider);
    static AssistantProblem notFound(ProviderID provider);
    // `resetHint` tells when the usage limit resets, as display text, when the tool said so.
    static AssistantProblem limitReached(ProviderID provider,
                                         std::optional<QString> resetHint = std::nullopt);
    static AssistantProblem busy(ProviderID provider);
    static AssistantProblem modelUnavailable(ProviderID provider);
    static AssistantProblem generic(QString text);
    static AssistantProblem accessibilityMissing();
    static AssistantProblem offline();

    Kind kind() const { return kind_; }
    // The tool concerned; none for generic, accessibilityMissing and offline.
    std::optional<ProviderID> provider() const { return provider_; }
    // Only for limitReached.
    std::optional<QString> resetHint() const;
    // Only for generic: the failure text as it came; empty otherwise.
    QString text() const;

    bool operator==(const AssistantProblem&) const = default;

private:
    AssistantProblem(Kind kind, std::optional<ProviderID> provider, std::optional<QString> detail)
        : kind_(kind), provider_(provider), detail_(std::move(detail)) {}

    Kind kind_;
    std::optional<ProviderID> provider_;
    // The reset hint of limitReached or the text of generic.
    std::optional<QString> detail_;
};
