#include "Panel/ProblemNotice.h"

#include <QCoreApplication>

#include "Panel/ProviderMenuChip.h"
#include "Design/Palette.h"

namespace {

using ProblemKind = AssistantProblem::Kind;
using Way = ProblemNotice::Way;
using Button = ProblemNotice::Button;

QString tr(const char* text) {
    return QCoreApplication::translate("ProblemNotice", text);
}

QString name(ProviderID provider) {
    return ProviderMenuChip::displayName(provider);
}

Button switchButton(ProviderID provider, bool primary) {
    return {Way::switchProvider, tr("Mit %1 schreiben").arg(name(ProblemNotice::other(provider))),
            primary};
}

Button retryButton(bool primary) {
    return {Way::retry, tr("Nochmal versuchen"), primary};
}

Button settingsButton() {
    return {Way::openSettings, tr("Einstellungen …"), true};
}

}  // namespace

ProviderID ProblemNotice::other(ProviderID provider) {
    return provider == ProviderID::claudeCLI ? ProviderID::codexCLI : ProviderID::claudeCLI;
}

ProblemNotice ProblemNotice::make(const AssistantProblem& problem, ProviderID sessionProvider,
                                  const StatusSource& status) {
    const ProviderID p = problem.provider().value_or(sessionProvider);
    const bool otherReady = status && status(other(p)).isReady();
    // A tool that is missing too is no way out: the two notices would send the user back and
    // forth. One that is not signed in is, through its own notice's sign-in.
    const bool otherMissing =
        status && status(other(p)).kind == ProviderStatusStore::State::Kind::notFound;
    const DS::Color warning = DS::Palette::warningText;
    const DS::Color warningSoft = DS::Palette::warningSoft;
    const DS::Color error = DS::Palette::errorText;
    const DS::Color errorSoft = DS::Palette::errorSoft;

    ProblemNotice notice;
    notice.provider = p;
    switch (problem.kind()) {
        case ProblemKind::notSignedIn:
            notice = {QStringLiteral("person"),
                      error,
                      errorSoft,
                      tr("%1 ist nicht angemeldet").arg(name(p)),
                      otherMissing
                          ? tr("Melde dich in %1 an. Deine Anweisung bleibt erhalten.").arg(name(p))
                          : tr("Melde dich in %1 an oder schreib diese Antwort mit %2. "
                               "Deine Anweisung bleibt erhalten.")
                                .arg(name(p), name(other(p))),
                      p,
                      {{Way::signIn, tr("Anmelden …"), true}}};
            if (!otherMissing)
                notice.buttons.append(switchButton(p, false));
            break;
        case ProblemKind::notFound:
            notice = {QStringLiteral("questionmark.app"),
                      warning,
                      warningSoft,
                      tr("%1 wurde nicht gefunden").arg(name(p)),
                      p == ProviderID::claudeCLI
                          ? tr("Installiere Claude Code (claude) oder trag den Pfad in den "
                               "Einstellungen ein.")
                          : tr("Installiere die Codex CLI (codex) oder trag den Pfad in den "
                               "Einstellungen ein."),
                      p,
                      {settingsButton()}};
            if (!otherMissing)
                notice.buttons.append(switchButton(p, false));
            break;
        case ProblemKind::limitReached: {
            const std::optional<QString> hint = problem.resetHint();
            notice = {QStringLiteral("hourglass"),
                      warning,
                      warningSoft,
                      tr("Dein %1-Kontingent ist gerade aufgebraucht").arg(name(p)),
                      hint ? tr("Das Limit deines Abos setzt sich zurück: %1. Deine Anweisung "
                                "bleibt erhalten.")
                                 .arg(*hint)
                           : tr("Das Limit deines Abos setzt sich nach einiger Zeit von selbst "
                                "zurück. Deine Anweisung bleibt erhalten."),
                      p,
                      {}};
            if (otherReady)
                notice.buttons.append(switchButton(p, true));
            // Alone, the retry button keeps its quieter look: waiting is the slow way out.
            notice.buttons.append(retryButton(false));
            break;
        }
        case ProblemKind::busy:
            notice = {QStringLiteral("clock.arrow.circlepath"),
                      warning,
                      warningSoft,
                      tr("%1 ist gerade überlastet").arg(name(p)),
                      tr("Das liegt nicht an dir. Versuch es in einem Moment nochmal."),
                      p,
                      {retryButton(true)}};
            if (otherReady)
                notice.buttons.append(switchButton(p, false));
            break;
        case ProblemKind::modelUnavailable:
            notice = {
                QStringLiteral("cpu"),
                warning,
                warningSoft,
                tr("Dieses Modell ist mit deinem Abo nicht verfügbar"),
                tr("Wähle in den Einstellungen ein anderes %1-Modell, z. B. Sonnet.").arg(name(p)),
                p,
                {settingsButton()}};
            break;
        case ProblemKind::generic:
            notice = {QStringLiteral("exclamationmark.triangle"),
                      error,
                      errorSoft,
                      tr("Das hat nicht geklappt"),
                      problem.text(),
                      p,
                      {retryButton(true)}};
            if (!otherMissing)
                notice.buttons.append(switchButton(p, false));
            break;
        case ProblemKind::accessibilityMissing:
            notice = {QStringLiteral("accessibility"),
                      warning,
                      warningSoft,
                      tr("In die Zwischenablage kopiert"),
                      tr("Zum direkten Einfügen brauche ich die Barrierefreiheit. Bis dahin: "
                         "Strg+V im Feld drücken."),
                      p,
                      {{Way::allowAccessibility, tr("Barrierefreiheit einschalten …"), true},
                       {Way::close, tr("Schließen"), false}}};
            break;
        case ProblemKind::offline:
            notice = {QStringLiteral("wifi.slash"),
                      warning,
                      warningSoft,
                      tr("Keine Verbindung zur KI"),
                      tr("Prüf deine Internetverbindung. Deine Anweisung bleibt erhalten."),
                      p,
                      {retryButton(true)}};
            break;
    }
    return notice;
}
