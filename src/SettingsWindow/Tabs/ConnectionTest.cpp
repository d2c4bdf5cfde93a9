#include "SettingsWindow/Tabs/ConnectionTest.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include "AI/AIProvider.h"
#include "AI/ChunkStream.h"
#include "AI/ProviderStatusStore.h"
#include "AI/ReplyKind.h"
#include "Platform/Clock.h"
#include "Platform/InterfaceLocale.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

namespace {

// Enough of a reply to see what the tool said; the check is about the connection.
constexpr int kShownReplyLength = 32;

// The opening words of a reply, on one line, without the markers our prompts ask for: "…"
// marks what is left out.
QString openingWords(const QString& reply) {
    QString text = reply;
    for (const ReplyMarker& marker : allReplyKinds())
        text.remove(marker.marker);
    QString first;
    bool more = false;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\\r\\n]")))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!first.isEmpty()) {
            more = true;
            break;
        }
        first = trimmed;
    }
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, first);
    int count = 0;
    while (characters.toNextBoundary() != -1) {
        const qsizetype cut = characters.position();
        if (++count < kShownReplyLength || cut >= first.size())
            continue;
        QString kept = first.left(cut);
        // A word cut in two reads as another word.
        const qsizetype space = kept.lastIndexOf(QLatin1Char(' '));
        if (!first.at(cut).isSpace() && space > 0)
            kept.truncate(space);
        return kept.trimmed() + QStringLiteral("…");
    }
    return more ? first + QStringLiteral(" …") : first;
}

}  // namespace

ConnectionTest::ConnectionTest(SettingsCoordinator& coordinator, QObject* parent)
    : QObject(parent), coordinator_(coordinator) {
    connect(&coordinator_.settings(), &SettingsStore::settingsChanged, this,
            &ConnectionTest::dropIfStale);
}

// Destroying the stream ends the tool's process, and its completion never runs.
ConnectionTest::~ConnectionTest() = default;

void ConnectionTest::start() {
    if (isRunning())
        return;
    running_ = true;
    result_.reset();
    pathNote_.clear();
    const AssistantSettings settings = coordinator_.settings().settings();
    checkedProvider_ = settings.provider;
    checkedPath_ = ProviderStatusStore::customPathFor(checkedProvider_, settings);
    const AIRequest request{QStringLiteral("Answer with exactly: OK"), QStringLiteral("Ping"),
                            std::nullopt, settings.model(checkedProvider_), std::nullopt};
    deadline_ = coordinator_.clock().singleShot(timeLimit, [this] { finish(timeoutText()); });
    // The tool is looked for here, not by the provider, so that the result can name the
    // program that answered when it is not the one at the typed path.
    lookup_ = std::make_unique<QObject>();
    CLIEnvironment::findAsync(
        ProviderStatusStore::programName(checkedProvider_), checkedPath_, lookup_.get(),
        [this, request](const CLIEnvironment::Location& location) { ask(request, location); });
    emit changed();
}

void ConnectionTest::ask(const AIRequest& request, const CLIEnvironment::Location& location) {
    lookup_.reset();
    if (location.customPathPassedOver) {
        pathNote_ = ProviderStatusStore::unusedPathText(checkedPath_.trimmed(),
                                                        location.executable.value_or(QString()));
    }
    // Found nowhere: the provider looks again and reports the tool as missing.
    provider_ =
        coordinator_.makeProvider(checkedProvider_, location.executable.value_or(checkedPath_));
    const auto started = coordinator_.clock().monotonic();
    stream_ = provider_->complete(request, [this, started](AIResult<QString> outcome) {
        if (!outcome) {
            finish(failureText(outcome.failure().errorDescription()));
            return;
        }
        finish(successText(outcome.value(), coordinator_.clock().monotonic() - started));
    });
}

void ConnectionTest::finish(const QString& result) {
    // The stream may be the caller: let it unwind before it goes.
    if (stream_)
        stream_.release()->deleteLater();
    lookup_.reset();
    deadline_.reset();
    running_ = false;
    // Another tool chosen, or a path typed in, meanwhile: this answer is not about it.
    if (isStale())
        result_.reset();
    else
        result_ = pathNote_.isEmpty() ? result : result + QLatin1Char('\n') + pathNote_;
    // The paths of now, not of the start: one typed in meanwhile has had its own check.
    coordinator_.providers().refresh(coordinator_.settings().settings());
    emit changed();
}

bool ConnectionTest::isStale() const {
    const AssistantSettings& settings = coordinator_.settings().settings();
    return settings.provider != checkedProvider_ ||
           ProviderStatusStore::customPathFor(checkedProvider_, settings) != checkedPath_;
}

void ConnectionTest::dropIfStale() {
    if (!result_ || !isStale())
        return;
    result_.reset();
    emit changed();
}

QString ConnectionTest::successText(const QString& reply, std::chrono::nanoseconds elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const QString shownSeconds = InterfaceLocale::locale().toString(seconds, 'f', 1);
    const QString words = openingWords(reply);
    if (words.isEmpty())
        return QStringLiteral("✓ ") +
               QCoreApplication::translate("AISettings", "Verbindung steht (%1 s)")
                   .arg(shownSeconds);
    return QStringLiteral("✓ ") +
           QCoreApplication::translate("AISettings", "Verbindung steht (%1, %2 s)")
               .arg(words, shownSeconds);
}

QString ConnectionTest::failureText(const QString& description) {
    return QStringLiteral("✗ ") + description;
}

QString ConnectionTest::timeoutText() {
    return failureText(QCoreApplication::translate(
        "AISettings",
        "Keine Antwort nach 60 Sekunden. Das Programm hängt oder erreicht seinen Dienst "
        "nicht – Anmeldung und Internetverbindung prüfen."));
}
