#include "Panel/StoredTextPreview.h"

#include <QStringList>
#include <algorithm>

#include "Platform/DirectionControls.h"

namespace {

// Wrapped, the preview never needs to cut a line: it shows them all.
constexpr int kAllLines = 10000;
// From this length on, a run of white space inside a line is counted rather than drawn: drawn,
// tabs or non-breaking spaces would wrap over whole lines of nothing and push what follows
// out of sight, and spaces would set it on a line of its own as if it were another command.
constexpr qsizetype kLongSpace = 10;

bool isSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') ||
           c.category() == QChar::Separator_Space;
}

// A character that draws nothing, or that the editor draws as a line break although neither
// bash nor the AI reads one there.
bool isInvisible(QChar c) {
    const QChar::Category category = c.category();
    return (category == QChar::Other_Control && c != QLatin1Char('\t')) ||
           category == QChar::Separator_Line || category == QChar::Separator_Paragraph ||
           DirectionControls::isControl(c.unicode());
}

bool isBlank(const QString& line) {
    return std::all_of(line.cbegin(), line.cend(), isSpace);
}

QString shownLine(const QString& line) {
    QString shown;
    for (qsizetype i = 0; i < line.size();) {
        const QChar c = line[i];
        qsizetype end = i + 1;
        if (isSpace(c)) {
            while (end < line.size() && isSpace(line[end]))
                ++end;
            shown += end - i >= kLongSpace ? StoredTextPreview::tr("[%1 Leerzeichen]").arg(end - i)
                                           : line.mid(i, end - i);
        } else if (isInvisible(c)) {
            while (end < line.size() && line[end] == c)
                ++end;
            const QString code =
                QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
            shown += end - i == 1 ? QStringLiteral("[%1]").arg(code)
                                  : QStringLiteral("[%1 ×%2]").arg(code).arg(end - i);
        } else {
            shown += c;
        }
        i = end;
    }
    return shown;
}

}  // namespace

StoredTextPreview::StoredTextPreview(const DS::Color& color, QWidget* parent)
    : ClampedText(kAllLines, 2, color, parent) {}

void StoredTextPreview::setStoredText(const QString& text) {
    stored_ = text;
    setText(shown(text));
}

QString StoredTextPreview::shown(const QString& text) {
    // A run of blank lines, which would push the next line out of view, is one line that says
    // how many there are.
    QStringList shown;
    int blanks = 0;
    const auto flush = [&] {
        if (blanks == 1)
            shown.append(QString());
        else if (blanks > 1)
            shown.append(tr("… %1 Leerzeilen …").arg(blanks));
        blanks = 0;
    };
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (isBlank(line)) {
            ++blanks;
            continue;
        }
        flush();
        shown.append(shownLine(line));
    }
    flush();
    return shown.join(QLatin1Char('\n'));
}
