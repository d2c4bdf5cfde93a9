#include "SettingsWindow/Blocks/MissingToolWatch.h"

#include <QEvent>
#include <QWidget>

#include "AI/ProviderStatusStore.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"

MissingToolWatch::MissingToolWatch(QWidget* page, ProviderStatusStore& status,
                                   const SettingsStore& settings, Platform::Clock& clock)
    : QObject(page),
      status_(status),
      settings_(settings),
      timer_(clock.createTimer([this] { look(); }, true)) {
    page->installEventFilter(this);
    if (page->isVisible())
        timer_->start(interval);
}

MissingToolWatch::~MissingToolWatch() = default;

bool MissingToolWatch::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Show)
        timer_->start(interval);
    else if (event->type() == QEvent::Hide)
        timer_->stop();
    return false;
}

void MissingToolWatch::look() {
    for (const ProviderID provider : allProviderIDs()) {
        // A tool that is there is left to the page's own checks: its status command is no
        // file look-up.
        if (status_.state(provider).kind == ProviderStatusStore::State::Kind::notFound &&
            !status_.isChecking(provider))
            status_.refresh(provider, settings_.settings());
    }
}
