#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QTest>
#include <functional>
#include <memory>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Keycap.h"
#include "Design/Palette.h"
#include "Design/SymbolLabel.h"
#include "Design/WrappingLabel.h"

namespace {

// Every label of the kit, made with a short text.
const std::pair<const char*, std::function<TextWidget*(QWidget*)>> labels[] = {
    {"elided", [](QWidget* p) { return new ElidedLabel(QStringLiteral("kurz"), p); }},
    {"symbol",
     [](QWidget* p) {
         return new SymbolLabel(QStringLiteral("checkmark"), QStringLiteral("kurz"),
                                DS::Font::body(), DS::Palette::secondary, p);
     }},
    {"keycap", [](QWidget* p) { return new Keycap(QStringLiteral("kurz"), p); }},
    {"wrapping",
     [](QWidget* p) {
         return new WrappingLabel(QStringLiteral("kurz"), DS::Font::body(), DS::Palette::label,
                                  Qt::AlignLeft, p);
     }},
};

TEST(TextWidgetTest, ANewTextRenamesTheLabelAndWidensItInItsLayout) {
    for (const auto& [name, make] : labels) {
        SCOPED_TRACE(name);
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        TextWidget* label = make(&window);
        layout->addWidget(label);
        layout->addStretch();
        window.resize(900, 200);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(label->accessibleName(), QStringLiteral("kurz"));
        const int before = label->width();

        const QString longer = QStringLiteral("ein deutlich längerer Text");
        label->setText(longer);
        QTest::qWait(0);
        EXPECT_EQ(label->text(), longer);
        EXPECT_EQ(label->accessibleName(), longer);
        EXPECT_GT(label->width(), before);
    }
}

}  // namespace
