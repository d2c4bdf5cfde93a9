#include "SettingsWindow/Tabs/MemoryEntryRow.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/SymbolLabel.h"
#include "Design/WrappingLabel.h"
#include "Platform/InterfaceLocale.h"
#include "SettingsWindow/Blocks/MinusButton.h"

MemoryEntryRow::MemoryEntryRow(const MemoryEntry& entry, QWidget* parent)
    : QWidget(parent), forget_(new MinusButton(tr("Vergessen"))) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 9, 14, 9);
    layout->setSpacing(10);
    const bool viewed = entry.kind == MemoryEntry::Kind::viewed;
    auto* symbol =
        new SymbolLabel(viewed ? QStringLiteral("eye") : QStringLiteral("square.and.pencil"),
                        QString(), DS::Font::system(11), DS::Palette::tertiary);
    symbol->setFixedWidth(14);
    symbol->setContentsMargins(0, 3, 0, 0);
    layout->addWidget(symbol, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* text = new WrappingLabel(displayText(entry.text), DS::Font::body(), DS::Palette::label);
    // Three lines at most: a long note must not push the rest of the tab away.
    text->setMaximumHeight(3 * QFontMetrics(DS::Font::body()).lineSpacing() + 1);
    texts->addWidget(text);
    texts->addWidget(new WrappingLabel(detail(entry), DS::Font::footnote(), DS::Palette::tertiary));
    layout->addLayout(texts, 1);
    layout->addWidget(forget_, 0, Qt::AlignTop);
}

QString MemoryEntryRow::displayText(const QString& text) {
    QString shown = text;
    shown.remove(QStringLiteral("Viewed: "));
    shown.replace(QStringLiteral("User asked: "), QStringLiteral("→ "));
    return shown;
}

QString MemoryEntryRow::detail(const MemoryEntry& entry) {
    const QLocale locale = InterfaceLocale::locale();
    const QDateTime local = entry.date.toLocalTime();
    const QString when = locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                         locale.toString(local.time(), QLocale::ShortFormat);
    if (!entry.app)
        return when;
    return *entry.app + QStringLiteral(" · ") + when;
}
