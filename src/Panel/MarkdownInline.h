#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// The inline Markdown inside one block of a reply: emphasis, strong emphasis, strike-through,
// code spans and links. The result is plain styled runs, never markup: the panel inserts them
// into its text document one by one, so nothing the model wrote is ever read as HTML.
// Line breaks and runs of spaces survive; markers that do not pair up stay visible as text.
namespace MarkdownInline {

struct Run {
    QString text;
    bool strong = false;
    bool emphasis = false;
    bool strikethrough = false;
    bool code = false;
    QUrl link;  // only http, https and mailto addresses; empty otherwise
    bool operator==(const Run&) const = default;
};

// Neighbouring runs of the same style are merged; an empty text gives no runs.
QList<Run> parse(const QString& text);

}  // namespace MarkdownInline
