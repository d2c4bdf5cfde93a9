#include "App/ShortcutConflictNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/SymbolLabel.h"
#include "Design/Theme.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/Recorder.h"

namespace {

constexpr int kPadding = 12;
constexpr qreal kRadius = 12;

}  // namespace

ShortcutConflictNotice::ShortcutConflictNotice(ShortcutConflicts::Services services,
                                               GlobalShortcuts::Name main,
                                               GlobalShortcuts::Name dictateOnly, QWidget* parent)
    : QWidget(parent),
      services_(services),
      main_(std::move(main)),
      dictateOnly_(std::move(dictateOnly)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    row->setSpacing(10);
    auto* symbol = new SymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), QString(),
                                   DS::Font::system(13), DS::Palette::warning, this);
    row->addWidget(symbol, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    text_ = new QLabel(this);
    // Names come from other programs' files and the window manager: never markup.
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setFont(DS::Font::footnote());
    column->addWidget(text_);
    recorder_ = new GlobalShortcuts::Recorder(
        services_.shortcuts, main_, [this](const std::optional<GlobalShortcuts::Shortcut>& s) {
            ShortcutConflicts::keepDictateOnlyApart(services_.shortcuts, dictateOnly_, s);
            recompute();
        });
    column->addWidget(recorder_, 0, Qt::AlignLeft);
    row->addLayout(column, 1);

    // Another recorder of the main shortcut (the settings' own row) may choose a free one: the
    // warning goes with the conflict, not only after a recording in its own recorder.
    connect(&services_.shortcuts, &GlobalShortcuts::NamedShortcuts::shortcutByNameDidChange, this,
            [this](const GlobalShortcuts::Name& name) {
                if (name == main_ || name == dictateOnly_)
                    recompute();
            });
    connect(&services_.shortcuts, &GlobalShortcuts::NamedShortcuts::enabledChanged, this,
            [this](const GlobalShortcuts::Name& name, bool) {
                if (name == main_)
                    recompute();
            });
    if (Theme* theme = Theme::current())
        connect(theme, &Theme::changed, this, &ShortcutConflictNotice::applyColors);
    applyColors();
    recompute();
}

QString ShortcutConflictNotice::text() const {
    return text_->text();
}

void ShortcutConflictNotice::recompute() {
    apps_ = ShortcutConflicts::current(services_, main_);
    const auto shortcut = services_.shortcuts.getShortcut(main_);
    if (apps_.isEmpty() || !shortcut) {
        text_->setText(QString());
    } else {
        std::optional<QString> suggestion;
        if (const auto free =
                ShortcutConflicts::freeSuggestion(services_.shortcuts, main_, dictateOnly_))
            suggestion = services_.shortcuts.describe(*free);
        text_->setText(ShortcutConflicts::message(
            apps_, services_.shortcuts.describe(*shortcut), suggestion));
    }
    // Shown only inside its parent: shown before it has one, it would open as a window of its
    // own for a moment.
    if (apps_.isEmpty())
        hide();
    else if (parentWidget())
        show();
}

void ShortcutConflictNotice::applyColors() {
    QPalette palette = text_->palette();
    palette.setColor(QPalette::WindowText, DS::Palette::label.resolve(this));
    text_->setPalette(palette);
    update();
}

void ShortcutConflictNotice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, QRectF(rect()), kRadius, DS::Palette::warningSoft.resolve(this));
}
