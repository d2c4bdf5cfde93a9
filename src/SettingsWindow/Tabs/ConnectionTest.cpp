#include "SettingsWindow/Tabs/ConnectionTest.h"

#include <QCoreApplication>

#include "AI/AIProvider.h"
#include "AI/ChunkStream.h"
#include "AI/ProviderStatusStore.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

ConnectionTest::ConnectionTest(SettingsCoordinator& coordinator, QObject* parent)
    : QObject(parent), coordinator_(coordinator) {
    connect(&coordinator_.settings(), &SettingsStore::settingsChanged, this,
            &ConnectionTest::dropIfPathChanged);
}

// Destroying the stream ends the tool's process, and its completion never runs.
ConnectionTest::~ConnectionTest() = default;

void ConnectionTest::start() {
    if (isRunning())
        return;
    result_.reset();
    const AssistantSettings settings = coordinator_.settings().settings();
    const ProviderID provider = settings.provider;
    checkedProvider_ = provider;
    checkedPath_ = ProviderStatusStore::customPathFor(provider, settings);
    const AIRequest request{QStringLiteral("Answer with exactly: OK"), QStringLiteral("Ping"),
                            std::nullopt, settings.model(provider), std::nullopt};
    provider_ = coordinator_.makeProvider(provider, checkedPath_);

    Platform::Clock& clock = coordinator_.clock();
    const auto started = clock.monotonic();
    stream_ = provider_->complete(request, [this, started](AIResult<QString> outcome) {
        if (!outcome) {
            finish(failureText(outcome.failure().errorDescription()));
            return;
        }
        finish(successText(outcome.value(), coordinator_.clock().monotonic() - started));
    });
    deadline_ = clock.singleShot(timeLimit, [this] { finish(timeoutText()); });
    emit changed();
}

void ConnectionTest::finish(const QString& result) {
    // The stream may be the caller: let it unwind before it goes.
    if (stream_)
        stream_.release()->deleteLater();
    deadline_.reset();
    // A path typed in meanwhile is not the one this answer is about.
    if (pathChanged())
        result_.reset();
    else
        result_ = result;
    // The paths of now, not of the start: one typed in meanwhile has had its own check.
    coordinator_.providers().refresh(coordinator_.settings().settings());
    emit changed();
}

bool ConnectionTest::pathChanged() const {
    return ProviderStatusStore::customPathFor(checkedProvider_,
                                              coordinator_.settings().settings()) != checkedPath_;
}

void ConnectionTest::dropIfPathChanged() {
    if (!result_ || !pathChanged())
        return;
    result_.reset();
    emit changed();
}

QString ConnectionTest::successText(const QString& reply, std::chrono::nanoseconds elapsed,
                                    const QLocale& locale) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    return QStringLiteral("✓ ") +
           QCoreApplication::translate("AISettings", "Verbindung steht (%1, %2 s)")
               .arg(reply.trimmed(), locale.toString(seconds, 'f', 1));
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
