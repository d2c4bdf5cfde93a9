#include "SettingsWindow/Blocks/ProviderSetupControl.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/Spinner.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Design/WrappingLabel.h"

namespace {

using Phase = ProviderSetup::Phase;
using State = ProviderStatusStore::State;

QHBoxLayout* row(int spacing) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

}  // namespace

ProviderSetupControl::ProviderSetupControl(ProviderID id, ProviderSetupServices& services,
                                           bool compact, QWidget* parent)
    : QWidget(parent), id_(id), services_(services), compact_(compact) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&services_, &ProviderSetupServices::changed, this, &ProviderSetupControl::rebuild);
    rebuild();
}

void ProviderSetupControl::rebuild() {
    // Replaced whole: what shows is a function of (phase, status) alone. The old content goes
    // later, as the button whose click led here may still be in its signal.
    if (content_) {
        layout()->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    content_ = new QWidget(this);
    layout()->addWidget(content_);
    const Phase phase = services_.phase(id_);
    // A failure message wraps over the whole width it is given, so that no line is lost;
    // everything else keeps its natural size at the trailing edge.
    if (phase.kind != Phase::Kind::failed)
        layout()->setAlignment(content_, Qt::AlignRight | Qt::AlignVCenter);

    switch (phase.kind) {
        case Phase::Kind::idle: {
            QHBoxLayout* layout = row(0);
            content_->setLayout(layout);
            addPrimary(layout);
            break;
        }
        case Phase::Kind::installing: {
            QHBoxLayout* layout = row(0);
            content_->setLayout(layout);
            addProgress(layout, tr("Wird installiert …"));
            break;
        }
        case Phase::Kind::waitingForLogin: {
            QHBoxLayout* layout = row(8);
            content_->setLayout(layout);
            addProgress(layout, tr("Anmeldung im Browser …"));
            if (phase.url) {
                auto* open = new StyledButton(tr("Seite öffnen"), ButtonStyle::secondary(24, 7));
                const QUrl url = *phase.url;
                connect(open, &QAbstractButton::clicked, this,
                        [this, url] { services_.openPage(url); });
                layout->addWidget(open);
            }
            auto* cancel = new StyledButton(tr("Abbrechen"), ButtonStyle::quiet());
            connect(cancel, &QAbstractButton::clicked, this, [this] { services_.cancel(id_); });
            layout->addWidget(cancel);
            break;
        }
        case Phase::Kind::failed: {
            auto* column = new QVBoxLayout;
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(6);
            content_->setLayout(column);
            // The message comes from the tool: a wrapping label shows it as plain text.
            column->addWidget(new WrappingLabel(phase.message, DS::Font::footnote(),
                                                DS::Palette::errorText, Qt::AlignRight));
            QHBoxLayout* buttons = row(6);
            buttons->addStretch(1);
            // A terminal can sign in only to a tool that is there; one that is missing or not
            // yet looked for would only say "command not found".
            const State::Kind status = services_.state(id_).kind;
            if (status == State::Kind::notLoggedIn || status == State::Kind::ready) {
                auto* terminal = new StyledButton(tr("Im Terminal anmelden"), ButtonStyle::quiet());
                connect(terminal, &QAbstractButton::clicked, this,
                        [this] { services_.openLogin(id_); });
                buttons->addWidget(terminal);
            }
            addPrimary(buttons);
            column->addLayout(buttons);
            break;
        }
    }
    content_->show();
    updateGeometry();
}

void ProviderSetupControl::addPrimary(QBoxLayout* layout) {
    const State state = services_.state(id_);
    switch (state.kind) {
        case State::Kind::unknown:
        case State::Kind::checking:
            layout->addWidget(new Spinner, 0, Qt::AlignVCenter);
            return;
        case State::Kind::notFound: {
            auto* install = new StyledButton(tr("Installieren"), ButtonStyle::primary(26, 7));
            connect(install, &QAbstractButton::clicked, this, [this] { services_.install(id_); });
            layout->addWidget(install, 0, Qt::AlignVCenter);
            return;
        }
        case State::Kind::notLoggedIn: {
            auto* login = new StyledButton(tr("Anmelden"), ButtonStyle::primary(26, 7));
            connect(login, &QAbstractButton::clicked, this, [this] { services_.login(id_); });
            layout->addWidget(login, 0, Qt::AlignVCenter);
            return;
        }
        case State::Kind::ready:
            if (compact_) {
                layout->addWidget(
                    new SymbolLabel(QStringLiteral("checkmark.circle.fill"), tr("Verbunden"),
                                    DS::Font::system(12, QFont::Medium), DS::Palette::successText),
                    0, Qt::AlignVCenter);
                return;
            }
            auto* again = new StyledButton(tr("Neu anmelden"), ButtonStyle::secondary(26, 7));
            connect(again, &QAbstractButton::clicked, this, [this] { services_.login(id_); });
            layout->addWidget(again, 0, Qt::AlignVCenter);
            return;
    }
}

void ProviderSetupControl::addProgress(QBoxLayout* layout, const QString& text) {
    QHBoxLayout* progress = row(6);
    progress->addWidget(new Spinner, 0, Qt::AlignVCenter);
    auto* label = new ElidedLabel(text);
    label->setFont(DS::Font::footnote());
    label->setColor(DS::Palette::secondary);
    // Never shortened: a row without room for it puts the control under the tool's name.
    label->setMinimumWidth(label->sizeHint().width());
    progress->addWidget(label, 0, Qt::AlignVCenter);
    layout->addLayout(progress);
}
