#include "SettingsWindow/Blocks/ToolWatch.h"

#include <QEvent>
#include <QWidget>

#include "AI/ProviderStatusStore.h"
#include "Platform/Clock.h"

ToolWatch::ToolWatch(QWidget* page, ProviderStatusStore& status, Platform::Clock& clock)
    : QObject(page), status_(status), timer_(clock.createTimer([this] { look(); }, true)) {
    page->installEventFilter(this);
    if (page->isVisible())
        timer_->start(interval);
}

ToolWatch::~ToolWatch() = default;

bool ToolWatch::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Show) {
        // What the page shows may be minutes old (a panel opened again).
        look();
        timer_->start(interval);
    } else if (event->type() == QEvent::Hide) {
        timer_->stop();
    }
    return false;
}

void ToolWatch::look() {
    for (const ProviderID provider : allProviderIDs())
        status_.lookAgain(provider);
}
