#include "AI/AssistantProblem.h"

AssistantProblem AssistantProblem::notSignedIn(ProviderID provider) {
    return {Kind::notSignedIn, provider, std::nullopt};
}

AssistantProblem AssistantProblem::notFound(ProviderID provider) {
    return {Kind::notFound, provider, std::nullopt};
}

AssistantProblem AssistantProblem::limitReached(ProviderID provider,
                                                std::optional<QString> resetHint) {
    return {Kind::limitReached, provider, std::move(resetHint)};
}

AssistantProblem AssistantProblem::busy(ProviderID provider) {
    return {Kind::busy, provider, std::nullopt};
}

AssistantProblem AssistantProblem::modelUnavailable(ProviderID provider) {
    return {Kind::modelUnavailable, provider, std::nullopt};
}

AssistantProblem AssistantProblem::generic(QString text) {
    return {Kind::generic, std::nullopt, std::move(text)};
}

AssistantProblem AssistantProblem::accessibilityMissing() {
    return {Kind::accessibilityMissing, std::nullopt, std::nullopt};
}

AssistantProblem AssistantProblem::offline() {
    return {Kind::offline, std::nullopt, std::nullopt};
}

std::optional<QString> AssistantProblem::resetHint() const {
    return kind_ == Kind::limitReached ? detail_ : std::nullopt;
}

QString AssistantProblem::text() const {
    return kind_ == Kind::generic ? detail_.value_or(QString()) : QString();
}
