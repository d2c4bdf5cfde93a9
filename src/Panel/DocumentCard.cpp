#include "Panel/DocumentCard.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Spinner.h"
#include "Design/StyledButton.h"
#include "Design/SymbolPainter.h"
#include "Output/DocumentStore.h"
#include "Panel/ClampedText.h"
#include "Platform/Clipboard.h"
#include "Platform/DirectionControls.h"
#include "Platform/FileRevealer.h"
#include "Platform/UrlOpener.h"

namespace {

constexpr int kIconSide = 28;
constexpr int kPreviewLines = 6;
constexpr int kShownLines = 5;

}  // namespace

DocumentCard::DocumentCard(Services services, QWidget* parent)
    : CardFrame(DS::Palette::stroke, 1, 0.5, 8, parent), services_(services) {
    setObjectName(QStringLiteral("documentCard"));
    QVBoxLayout* column = this->column();

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    // The symbol on its soft tile is painted by the card into this place.
    icon_ = new QWidget(this);
    icon_->setFixedSize(kIconSide, kIconSide);
    header->addWidget(icon_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    title_ = line(DS::Font::system(13, QFont::DemiBold), DS::Palette::label, this);
    title_->setObjectName(QStringLiteral("documentTitle"));
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(title_);
    subtitle_ = line(DS::Font::hint(), DS::Palette::tertiary, this);
    subtitle_->setObjectName(QStringLiteral("documentSubtitle"));
    subtitle_->setElideMode(Qt::ElideMiddle);
    subtitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(subtitle_);
    header->addLayout(texts, 1);
    spinner_ = new Spinner(this, 12);
    header->addWidget(spinner_);
    column->addLayout(header);

    preview_ = new ClampedText(kShownLines, 2, DS::Palette::secondary, this);
    preview_->setObjectName(QStringLiteral("documentPreview"));
    preview_->setFont(DS::Font::system(12));
    column->addWidget(preview_);

    buttons_ = new QWidget(this);
    auto* row = new QHBoxLayout(buttons_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* open = button(tr("Öffnen"), ButtonStyle::primary(26, 7), "openDocument", buttons_);
    connect(open, &QAbstractButton::clicked, this, &DocumentCard::open);
    auto* reveal = button(tr("Im Dateimanager zeigen"), ButtonStyle::secondary(26, 7),
                          "revealDocument", buttons_);
    connect(reveal, &QAbstractButton::clicked, this, &DocumentCard::reveal);
    auto* copy = button(tr("Kopieren"), ButtonStyle::quiet(), "copyDocument", buttons_);
    connect(copy, &QAbstractButton::clicked, this, &DocumentCard::copy);
    for (StyledButton* each : {open, reveal, copy})
        row->addWidget(each);
    row->addStretch(1);
    column->addWidget(buttons_);

    setTurn(turn_, false);
}

QString DocumentCard::title(const ConversationTurn& turn) {
    // The reply's own words, shown in the order they are stored.
    if (turn.display)
        return DirectionControls::shown(*turn.display);
    const QString title = DocumentStore::split(turn.reply).title;
    return title.isEmpty() ? tr("Dokument") : DirectionControls::shown(title);
}

QString DocumentCard::subtitle(const ConversationTurn& turn, bool isWriting) {
    if (isWriting)
        return tr("Schreibt …");
    if (!turn.documentURL)
        return QStringLiteral("Markdown");
    return DirectionControls::shown(QFileInfo(turn.documentURL->path()).fileName());
}

QString DocumentCard::preview(const QString& reply) {
    const QStringList pieces =
        DocumentStore::split(reply).body.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList lines;
    for (QString line : pieces.mid(0, kPreviewLines)) {
        qsizetype marks = 0;
        while (marks < line.size() &&
               (line[marks] == QLatin1Char('#') || line[marks] == QLatin1Char('>')))
            ++marks;
        line.remove(0, marks);
        line.remove(QStringLiteral("**"));
        qsizetype begin = 0;
        qsizetype end = line.size();
        const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
        while (begin < end && blank(line[begin]))
            ++begin;
        while (end > begin && blank(line[end - 1]))
            --end;
        lines.append(line.mid(begin, end - begin));
    }
    return DirectionControls::shown(lines.join(QLatin1Char('\n')));
}

void DocumentCard::setTurn(const ConversationTurn& turn, bool isWriting) {
    turn_ = turn;
    isWriting_ = isWriting;
    title_->setText(title(turn));
    subtitle_->setText(subtitle(turn, isWriting));
    spinner_->setVisible(isWriting);
    preview_->setText(preview(turn.reply));
    preview_->setVisible(!preview_->text().isEmpty());
    buttons_->setVisible(turn.documentURL.has_value() && !isWriting);
}

void DocumentCard::open() {
    if (turn_.documentURL && services_.opener)
        services_.opener->open(*turn_.documentURL);
}

void DocumentCard::reveal() {
    if (turn_.documentURL && services_.revealer)
        services_.revealer->reveal(turn_.documentURL->toLocalFile());
}

void DocumentCard::copy() {
    if (!services_.clipboard)
        return;
    const QString body = DocumentStore::split(turn_.reply).body;
    Platform::ClipboardItem item;
    item.representations = {{QStringLiteral("text/plain"), body.toUtf8()}};
    services_.clipboard->write({item});
}

void DocumentCard::paintEvent(QPaintEvent* event) {
    CardFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile = icon_->geometry();
    RoundedBox::fill(painter, tile, 7, DS::Palette::accentSoft.resolve(this));
    const qreal side = 13;
    SymbolPainter::paint(painter, QStringLiteral("doc.text"),
                         QRectF(tile.center() - QPointF(side / 2, side / 2), QSizeF(side, side)),
                         DS::Palette::accentText.resolve(this), QFont::DemiBold);
}
