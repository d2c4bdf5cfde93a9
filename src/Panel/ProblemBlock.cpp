#include "Panel/ProblemBlock.h"

#include <QVBoxLayout>

#include "Design/StyledButton.h"
#include "Panel/AssistantSession.h"
#include "Panel/NoticeBlock.h"
#include "Panel/PanelActions.h"
#include "Permissions/PermissionsManager.h"

ProblemBlock::ProblemBlock(AssistantSession& session, PanelActions& actions, QWidget* parent)
    : QWidget(parent), session_(&session), actions_(actions) {
    setObjectName(QStringLiteral("problemNotice"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(&session, &AssistantSession::phaseChanged, this, &ProblemBlock::refresh);
    connect(&session, &AssistantSession::providerChanged, this, &ProblemBlock::refresh);
    connect(&actions_.providers(), &ProviderStatusStore::statesChanged, this,
            &ProblemBlock::refresh);
    refresh();
}

void ProblemBlock::refresh() {
    std::optional<ProblemNotice> wanted;
    if (session_ && session_->phase().problem()) {
        const ProviderStatusStore& providers = actions_.providers();
        wanted = ProblemNotice::make(*session_->phase().problem(), session_->provider(),
                                     [&providers](ProviderID p) { return providers.state(p); });
    }
    const auto same = [](const ProblemNotice& a, const ProblemNotice& b) {
        return a.symbol == b.symbol && a.title == b.title && a.message == b.message &&
               a.provider == b.provider && a.buttons == b.buttons;
    };
    if (shown_.has_value() == wanted.has_value() && (!wanted || same(*shown_, *wanted)))
        return;
    shown_ = wanted;
    // The notice is built once per content; a button pressed while its notice goes away
    // must not reach a deleted widget.
    if (notice_) {
        notice_->hide();
        layout()->removeWidget(notice_);
        notice_->deleteLater();
    }
    notice_ = nullptr;
    if (!wanted)
        return;
    notice_ = new NoticeBlock(wanted->symbol, wanted->tint, wanted->tintSoft, wanted->title,
                              wanted->message, this);
    for (const ProblemNotice::Button& button : wanted->buttons) {
        auto* widget =
            new StyledButton(button.title, button.primary ? ButtonStyle::primary(26, 7)
                                                          : ButtonStyle::secondary(26, 7));
        widget->setFocusPolicy(Qt::NoFocus);
        widget->setObjectName(QStringLiteral("problemButton"));
        const ProviderID provider = wanted->provider;
        connect(widget, &QAbstractButton::clicked, this,
                [this, way = button.way, provider] { take(way, provider); });
        notice_->addAction(widget);
    }
    layout()->addWidget(notice_);
    notice_->show();
}

void ProblemBlock::take(ProblemNotice::Way way, ProviderID provider) {
    using Way = ProblemNotice::Way;
    switch (way) {
        case Way::signIn:
            actions_.openLogin(provider);
            break;
        case Way::openSettings:
            actions_.openAISettings();
            break;
        case Way::switchProvider:
            actions_.switchProvider(ProblemNotice::other(provider), true);
            break;
        case Way::retry:
            actions_.retryLastRequest();
            break;
        case Way::allowAccessibility:
            actions_.permissions().requestAccessibility();
            break;
        case Way::close:
            actions_.dismiss();
            break;
    }
}
