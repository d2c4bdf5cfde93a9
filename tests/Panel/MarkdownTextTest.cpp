#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>

#include "Panel/MarkdownText.h"
#include "Platform/fake/FakeUrlOpener.h"

namespace {

// The links of the shown document, in order.
QStringList anchors(const QTextDocument& doc) {
    QStringList found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                found.append(it.fragment().charFormat().anchorHref());
    return found;
}

QString shown(const QTextDocument& doc) {
    return doc.toPlainText().replace(QChar::LineSeparator, u'\n');
}

TEST(MarkdownTextTest, ShowsMarkupAndForeignLinksAsTheirCharacters) {
    struct Case {
        const char* name;
        QString source;
        QString text;
        QStringList links;
    };
    const Case cases[] = {
        {"image tag", "<img src=x>", "<img src=x>", {}},
        {"anchor tag", "<a href='file:///etc'>x</a>", "<a href='file:///etc'>x</a>", {}},
        {"file link", "[x](file:///etc/passwd)", "[x](file:///etc/passwd)", {}},
        {"script link", "[x](javascript:alert(1))", "[x](javascript:alert(1))", {}},
        {"desktop file",
         "[x](/usr/share/applications/x.desktop)",
         "[x](/usr/share/applications/x.desktop)",
         {}},
        {"web link", "[Seite](https://example.org/a)", "Seite", {"https://example.org/a"}},
        {"mail link", "<a@b.de>", "a@b.de", {"mailto:a@b.de"}},
        // A text that reads as one address while the link opens another shows the target.
        {"address text, other target",
         "[https://github.com/acme/app/issues/42](https://evil.example/login?next=github)",
         "https://github.com/acme/app/issues/42 (https://evil.example/login?next=github)",
         {"https://evil.example/login?next=github"}},
        {"bare host text, other target",
         "[github.com](https://evil.example)",
         "github.com (https://evil.example)",
         {"https://evil.example"}},
        {"mail link with an attachment",
         "[support@acme.example](mailto:support@acme.example?attach=/etc/passwd&body=Hallo)",
         "support@acme.example",
         {"mailto:support@acme.example?body=Hallo"}},
        {"html entity", "&lt;b&gt;", "&lt;b&gt;", {}},
        {"heading with tag", "# <b>fett</b>", "<b>fett</b>", {}},
        {"code keeps markup", "```\n<script>x</script>\n```", "<script>x</script>", {}},
    };
    for (const Case& c : cases) {
        MarkdownText view;
        view.setSource(c.source);
        EXPECT_EQ(shown(view.document()), c.text) << c.name;
        EXPECT_EQ(anchors(view.document()), c.links) << c.name;
    }
}

TEST(MarkdownTextTest, OpensOnlyWebAndMailLinksThroughTheOpener) {
    Platform::FakeUrlOpener opener;
    MarkdownText view(&opener);
    view.setSource(QStringLiteral("[a](https://example.org)"));
    view.show();
    const QUrl link = view.linkAt(QPoint(2, view.height() / 2));
    ASSERT_EQ(link, QUrl("https://example.org"));
    auto* browser = view.findChild<QTextBrowser*>();
    // The pointer over the link names its target; away from it, nothing.
    emit browser->highlighted(link);
    EXPECT_EQ(browser->toolTip(), "https://example.org");
    emit browser->highlighted(QUrl());
    EXPECT_EQ(browser->toolTip(), "");
    emit browser->anchorClicked(link);
    // An address that reached the view some other way is refused where it would leave.
    emit browser->anchorClicked(QUrl("file:///etc/passwd"));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl("https://example.org")});
}

TEST(MarkdownTextTest, AGrowingReplyShowsTheSameAsOneWrittenAtOnce) {
    const QString reply = QStringLiteral(
        "# Plan\n\nErst *das*, dann **das**.\n\n1. eins\n2. zwei\n   weiter\n- punkt\n\n"
        "> zitat\n> zwei\n\n```cpp\nint x;\n\tint y;\n```\n---\nEnde mit `code` und "
        "[Link](https://x.org).");
    MarkdownText whole;
    whole.setSource(reply);
    MarkdownText growing;
    for (qsizetype end = 1; end <= reply.size(); end += 3)
        growing.setSource(reply.left(end));
    growing.setSource(reply);
    EXPECT_EQ(shown(growing.document()), shown(whole.document()));
    EXPECT_EQ(growing.document().blockCount(), whole.document().blockCount());
    EXPECT_EQ(anchors(growing.document()), anchors(whole.document()));
    EXPECT_EQ(growing.sizeHint(), whole.sizeHint());

    // A rewrite that shortens the reply (the model's reset) drops what went.
    growing.setSource(QStringLiteral("# Plan\n\nneu"));
    EXPECT_EQ(shown(growing.document()), QStringLiteral("Plan\nneu"));
    growing.setSource(QStringLiteral("# Plan"));
    EXPECT_EQ(shown(growing.document()), QStringLiteral("Plan"));
    EXPECT_EQ(growing.document().blockCount(), 1);
}

TEST(MarkdownTextTest, ShortRepliesMakeNarrowTextAndLongOnesWrapAtTheWrapWidth) {
    MarkdownText view;
    view.setWrapWidth(300);
    view.setSource(QStringLiteral("Hallo"));
    const QSize small = view.sizeHint();
    EXPECT_LT(small.width(), 100);
    view.setSource(QString(40, u'x') + QStringLiteral(" ") + QString(40, u'y') + " z z z z");
    EXPECT_LE(view.sizeHint().width(), 300);
    EXPECT_GT(view.sizeHint().height(), small.height());
}

}  // namespace
