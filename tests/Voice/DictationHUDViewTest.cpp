#include <gtest/gtest.h>

#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QPainter>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/Theme.h"
#include "Design/Waveform.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"
#include "Voice/DictationHUD.h"
#include "Voice/DictationHUDView.h"
#include "Voice/QuickDictationModel.h"
#include "support/MaskedPixels.h"

using Status = QuickDictationModel::Status;
using Kind = Status::Kind;

namespace {

ElidedLabel& labelOf(DictationHUDView& view) {
    return *view.findChild<ElidedLabel*>();
}

std::size_t barsOf(DictationHUDView& view) {
    const auto* waveform = view.findChild<Waveform*>();
    return waveform ? waveform->levels().size() : 0;
}

const QString kLong =
    "und dann sind wir noch einmal ganz langsam den ganzen Weg zurück zum Bahnhof gegangen, "
    "weil der letzte Zug schon weg war";

}  // namespace

TEST(DictationHUDViewTest, ShowsTheTextAndSymbolsOfEachStatus) {
    const struct {
        Status status;
        bool verbatim;
        QString confirmed;
        QString tentative;
        QString text;
        std::size_t bars;
    } rows[] = {
        {Status::of(Kind::listening), true, "", "", "Nur diktieren … loslassen fügt wörtlich ein",
         7},
        {Status::of(Kind::listening), false, "", "", "Sprich jetzt … loslassen fügt ein", 10},
        {Status::of(Kind::listening), false, "go forward", " ten", "go forward ten", 10},
        {Status::transforming("Formatiert …"), false, "", "", "Formatiert …", 0},
        {Status::failed("Mikrofon und Spracherkennung müssen erlaubt sein."), false, "x", "",
         "Mikrofon und Spracherkennung müssen erlaubt sein.", 0},
        {Status::of(Kind::inserted), false, "x", "", "Eingefügt", 0},
        {Status::of(Kind::toPanel), false, "", "", "Kein Textfeld – ich antworte im Panel", 0},
        {Status::of(Kind::toPanelDraft), false, "", "",
         "Ein Auftrag – ich schreibe den Entwurf im Panel", 0},
        {Status::of(Kind::remembered), false, "", "", "Gemerkt – findest du unter Erinnerungen", 0},
        {Status::of(Kind::empty), false, "", "", "Nichts verstanden", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        QuickDictationModel model;
        DictationHUDView view(model);
        // The view follows the model after it was built.
        model.reset(row.verbatim);
        model.setConfirmed(row.confirmed);
        model.setTentative(row.tentative);
        model.setStatus(row.status);
        EXPECT_EQ(labelOf(view).text(), row.text);
        EXPECT_EQ(barsOf(view), row.bars);
    }
}

TEST(DictationHUDViewTest, LongTextsKeepTheirNewestWordsOrShrinkFirst) {
    QuickDictationModel model;
    DictationHUDView view(model);
    view.show();
    model.setConfirmed(kLong);
    ElidedLabel& label = labelOf(view);
    // Dictation cuts at the head, at full size.
    EXPECT_TRUE(label.shownText().startsWith(QStringLiteral("…")));
    EXPECT_TRUE(label.shownText().endsWith(QStringLiteral("schon weg war")));
    EXPECT_DOUBLE_EQ(DS::Font::pixels(label.font()), 13);

    // Other texts shrink to 80 % before their end is cut off.
    model.setStatus(Status::transforming("Formatiert gerade einen längeren Text, der kaum passt"));
    EXPECT_LT(DS::Font::pixels(label.font()), 13);
    EXPECT_GE(DS::Font::pixels(label.font()), 13 * 0.8 - 0.01);
    EXPECT_FALSE(label.shownText().startsWith(QStringLiteral("…")));
    model.setStatus(Status::transforming(kLong));
    EXPECT_NEAR(DS::Font::pixels(label.font()), 13 * 0.8, 0.01);
    EXPECT_TRUE(label.shownText().endsWith(QStringLiteral("…")));
}

TEST(DictationHUDViewTest, LevelBarsShowTheNewestLevels) {
    QuickDictationModel model;
    DictationHUDView view(model);
    for (int i = 1; i <= 14; ++i)
        model.pushLevel(i / 14.0f);
    const auto* waveform = view.findChild<Waveform*>();
    ASSERT_TRUE(waveform);
    ASSERT_EQ(waveform->levels().size(), 10u);
    EXPECT_FLOAT_EQ(waveform->levels().front(), 5 / 14.0f);
    EXPECT_FLOAT_EQ(waveform->levels().back(), 1.0f);
}

// Without a compositor the window is cut to the capsule: every pixel the cut keeps must be
// painted, or it shows black.
TEST(DictationHUDViewTest, WithoutACompositorEveryPixelInsideTheCutIsPainted) {
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        Platform::FakeClock clock;
        Theme theme(appearance, clock);
        QuickDictationModel model;
        DictationHUDView view(model);
        view.setOpaque(true);
        view.resize(DictationHUD::kSize.toSize());
        EXPECT_EQ(translucentPixelsInside(view.grab().toImage(), DictationHUD::mask()), 0) << dark;
    }
}

TEST(DictationHUDViewTest, ANewStatusFadesInAndSettles) {
    for (const bool reduceMotion : {false, true}) {
        SCOPED_TRACE(reduceMotion ? "reduce motion" : "motion");
        Platform::FakeAppearance appearance;
        appearance.setReduceMotion(reduceMotion);
        Platform::FakeClock clock(QDateTime(QDate(2026, 1, 15), QTime(9, 0), Qt::UTC));
        Theme theme(appearance, clock);
        QuickDictationModel model;
        DictationHUDView view(model);
        view.show();
        model.setStatus(Status::of(Kind::inserted));
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(labelOf(view).graphicsEffect());
        if (reduceMotion) {
            EXPECT_EQ(fade, nullptr);
            continue;
        }
        ASSERT_TRUE(fade);
        clock.advance(std::chrono::milliseconds(68));
        EXPECT_GT(fade->opacity(), 0.2);
        EXPECT_LT(fade->opacity(), 1.0);
        clock.advance(std::chrono::milliseconds(300));
        EXPECT_EQ(labelOf(view).graphicsEffect(), nullptr);
    }
}
