// How the panel's rows come in: the sections' entrance with the panel, and the fade of each
// row that a change of state brings in.

#include <QGraphicsOpacityEffect>

#include "Panel/AssistantSession.h"
#include "Panel/EntranceEffect.h"
#include "Panel/InstructionField.h"
#include "Panel/ListeningHint.h"
#include "Panel/PanelView.h"
#include "Panel/SpringCurve.h"
#include "Panel/WindowDragHandle.h"
#include "Platform/Clock.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kEntranceFrame = 16ms;
// The sections that come in one after another, in order, and whether they come in blurred.
constexpr std::array<bool, 4> kEntranceBlur{true, true, false, false};

}  // namespace

void PanelView::refreshAnimated(double response) {
    if (session_ && session_->chatTurns().size() != lastChatCount_)
        lastChatCount_ = session_->chatTurns().size();
    changeResponse_ = response;
    refresh();
    changeResponse_.reset();
}

void PanelView::fadeInNewRows() {
    QList<QWidget*> shown;
    for (QWidget* row : rows())
        if (row->isVisibleTo(this))
            shown.append(row);
    if (changeResponse_ && clock_) {
        for (QWidget* row : shown) {
            // A row still entering with the panel keeps its entrance.
            if (shownRows_.contains(row) || row->graphicsEffect())
                continue;
            auto* fade = new QGraphicsOpacityEffect(row);
            fade->setOpacity(0);
            row->setGraphicsEffect(fade);
            fades_.push_back({row, clock_->monotonic(), *changeResponse_});
        }
        if (!fades_.empty() && !fadeTicker_)
            fadeTicker_ = clock_->repeating(kEntranceFrame, [this] { tickFades(); });
    }
    shownRows_ = shown;
}

void PanelView::tickFades() {
    const auto now = clock_->monotonic();
    std::erase_if(fades_, [now](const Fade& fade) {
        if (!fade.row)
            return true;
        const SpringCurve spring = SpringCurve::withResponse(fade.response, 1.0);
        const double elapsed = std::chrono::duration<double>(now - fade.start).count();
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(fade.row->graphicsEffect());
        if (!effect || elapsed >= spring.settlingDuration()) {
            if (effect)
                fade.row->setGraphicsEffect(nullptr);
            return true;
        }
        effect->setOpacity(std::clamp(spring.value(elapsed), 0.0, 1.0));
        return false;
    });
    if (fades_.empty())
        fadeTicker_.reset();
}

void PanelView::enter(Platform::Clock& clock, bool still) {
    instructionField_->focusField();
    clock_ = &clock;
    if (still)
        return;
    const std::array<QWidget*, 4> sections{contextRow_, screenHint_->parentWidget(),
                                           instructionField_, listeningHint_->parentWidget()};
    for (std::size_t order = 0; order < sections.size(); ++order)
        sections[order]->setGraphicsEffect(new EntranceEffect(kEntranceBlur[order]));
    clock_ = &clock;
    entranceStart_ = clock.monotonic();
    entranceTicker_ = clock.repeating(kEntranceFrame, [this] { tickEntrance(); });
}

void PanelView::tickEntrance() {
    static const SpringCurve spring = SpringCurve::withResponse(0.5, 0.9);
    const double elapsed =
        std::chrono::duration<double>(clock_->monotonic() - entranceStart_).count();
    const std::array<QWidget*, 4> sections{contextRow_, screenHint_->parentWidget(),
                                           instructionField_, listeningHint_->parentWidget()};
    bool settled = true;
    for (std::size_t order = 0; order < sections.size(); ++order) {
        const double since = elapsed - (0.04 * double(order) + 0.04);
        if (since < spring.settlingDuration())
            settled = false;
        if (auto* effect = qobject_cast<EntranceEffect*>(sections[order]->graphicsEffect()))
            effect->setProgress(spring.value(since));
    }
    if (!settled)
        return;
    entranceTicker_.reset();
    for (QWidget* section : sections)
        section->setGraphicsEffect(nullptr);
}
