#include "Panel/MarkdownBlock.h"

#include "Storage/Blanks.h"

namespace {

bool isFence(const QString& trimmed) {
    return trimmed.startsWith(QStringLiteral("```"));
}

// "## Title" gives 2: one to six hashes followed by a space.
std::optional<int> headingLevel(const QString& line) {
    int level = 0;
    while (level < line.size() && line.at(level) == u'#') {
        ++level;
    }
    if (level < 1 || level > 6 || level >= line.size() || line.at(level) != u' ') {
        return std::nullopt;
    }
    return level;
}

// "12) Text" gives ("12.", "Text"): one to three numeric characters (any script's digits, also
// outside the basic plane), then "." or ")", then a space.
std::optional<std::pair<QString, QString>> numberedText(const QString& line) {
    qsizetype end = 0;
    int digits = 0;
    while (end < line.size()) {
        char32_t c = line.at(end).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && end + 1 < line.size() &&
            line.at(end + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(line.at(end), line.at(end + 1));
            width = 2;
        }
        if (!QChar::isNumber(c)) {
            break;
        }
        end += width;
        ++digits;
    }
    if (digits < 1 || digits > 3 || end + 1 >= line.size()) {
        return std::nullopt;
    }
    const QChar delimiter = line.at(end);
    if ((delimiter != u'.' && delimiter != u')') || line.at(end + 1) != u' ') {
        return std::nullopt;
    }
    return std::pair{line.left(end) + u'.', line.mid(end + 2)};
}

int leadingSpaces(const QString& line) {
    int n = 0;
    while (n < line.size() && line.at(n) == u' ') {
        ++n;
    }
    return n;
}

class Parser {
public:
    QList<MarkdownBlock> run(const QString& text) {
        const QStringList lines = text.split(u'\n');
        for (const QString& line : lines) {
            handle(line);
        }
        if (code_) {
            blocks_.append({MarkdownBlock::Code{code_->join(u'\n')}});
        }
        flush();
        return blocks_;
    }

private:
    void handle(const QString& line) {
        if (code_) {
            if (isFence(Blanks::trimmed(line))) {
                blocks_.append({MarkdownBlock::Code{code_->join(u'\n')}});
                code_.reset();
            } else {
                code_->append(line);
            }
            return;
        }
        QString working = line;
        working.replace(u'\t', QStringLiteral("    "));
        const QString trimmed = Blanks::trimmed(working);
        if (isFence(trimmed)) {
            flush();
            code_ = QStringList();
            return;
        }
        if (trimmed.isEmpty()) {
            flush();
            return;
        }
        if (trimmed == u"---" || trimmed == u"***" || trimmed == u"___") {
            flush();
            blocks_.append({MarkdownBlock::Rule{}});
            return;
        }
        if (const auto level = headingLevel(trimmed)) {
            flush();
            blocks_.append({MarkdownBlock::Heading{*level, trimmed.mid(*level + 1)}});
            return;
        }
        const int spaces = leadingSpaces(working);
        const int indent = spaces > 7 ? 3 : spaces / 2;
        for (const char* marker : {"- ", "* ", "\u2022 ", "+ "}) {
            if (trimmed.startsWith(QString::fromUtf8(marker))) {
                addItem({indent, std::nullopt, trimmed.mid(2)});
                return;
            }
        }
        if (const auto numbered = numberedText(trimmed)) {
            addItem({indent, numbered->first, numbered->second});
            return;
        }
        if (trimmed.startsWith(u'>')) {
            if (!paragraph_.isEmpty() || !items_.isEmpty()) {
                flush();
            }
            quote_.append(Blanks::trimmed(trimmed.mid(1)));
            return;
        }
        if (!items_.isEmpty() && spaces >= 2) {
            items_.last().text += u'\n' + trimmed;
            return;
        }
        if (!items_.isEmpty() || !quote_.isEmpty()) {
            flush();
        }
        paragraph_.append(trimmed);
    }

    // A paragraph or quote ends before an item, but the list itself goes on.
    void addItem(MarkdownBlock::Item item) {
        if (!paragraph_.isEmpty() || !quote_.isEmpty()) {
            const QList<MarkdownBlock::Item> keep = std::exchange(items_, {});
            flush();
            items_ = keep;
        }
        items_.append(std::move(item));
    }

    void flush() {
        if (!paragraph_.isEmpty()) {
            blocks_.append({MarkdownBlock::Paragraph{paragraph_.join(u'\n')}});
        }
        if (!items_.isEmpty()) {
            blocks_.append({MarkdownBlock::List{items_}});
        }
        if (!quote_.isEmpty()) {
            blocks_.append({MarkdownBlock::Quote{quote_.join(u'\n')}});
        }
        paragraph_.clear();
        items_.clear();
        quote_.clear();
    }

    QList<MarkdownBlock> blocks_;
    QStringList paragraph_;
    QList<MarkdownBlock::Item> items_;
    QStringList quote_;
    std::optional<QStringList> code_;
};

}  // namespace

QList<MarkdownBlock> MarkdownBlock::parse(const QString& text) {
    return Parser().run(text);
}
