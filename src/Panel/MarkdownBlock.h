#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <variant>

// One block of an assistant reply: the panel splits replies into blocks with this small
// line-based parser and draws each block itself, so a reply never reaches a general Markdown
// or HTML engine. Only the text inside a block goes through the inline parser.
struct MarkdownBlock {
    struct Heading {
        int level = 1;  // 1 to 6
        QString text;
        bool operator==(const Heading&) const = default;
    };
    struct Paragraph {
        QString text;  // lines joined with "\n"
        bool operator==(const Paragraph&) const = default;
    };
    struct Item {
        int indent = 0;                 // nesting level 0 to 3
        std::optional<QString> number;  // "12." for a numbered item, none for a bullet
        QString text;                   // continuation lines follow after "\n"
        bool operator==(const Item&) const = default;
    };
    struct List {
        QList<Item> items;
        bool operator==(const List&) const = default;
    };
    struct Quote {
        QString text;
        bool operator==(const Quote&) const = default;
    };
    struct Code {
        QString text;  // the raw lines of the fence, joined with "\n"
        bool operator==(const Code&) const = default;
    };
    struct Rule {
        bool operator==(const Rule&) const = default;
    };

    std::variant<Heading, Paragraph, List, Quote, Code, Rule> value;

    bool operator==(const MarkdownBlock&) const = default;

    // Never fails; an empty text gives no blocks.
    static QList<MarkdownBlock> parse(const QString& text);
};
