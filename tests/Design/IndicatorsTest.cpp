#include <gtest/gtest.h>

#include <QPainter>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "Design/Palette.h"
#include "Design/PrivacyNote.h"
#include "Design/PulsingDot.h"
#include "Design/Shimmer.h"
#include "Design/Spinner.h"
#include "Design/TypingDots.h"
#include "Design/Waveform.h"
#include "Rendering.h"
#include "ThemeRig.h"

using namespace std::chrono_literals;

namespace {

TEST(IndicatorsTest, AWaveformBarStaysInItsFrameWhateverTheLevel) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float level;
        qreal height;
    };
    const Case cases[] = {{0, 7.7},     {1, 22},    {0.5f, 14.85}, {nan, 7.7},
                          {-0.3f, 7.7}, {1.7f, 22}, {inf, 22},     {-inf, 7.7}};
    for (const Case& c : cases)
        EXPECT_NEAR(Waveform::barHeight(c.level), c.height, 1e-6) << c.level;
}

TEST(IndicatorsTest, AWaveformEasesToNewLevelsAndThenStops) {
    ThemeRig rig;
    Waveform wave;
    wave.show();
    EXPECT_EQ(wave.sizeHint(), QSize(0, 22));
    wave.setLevels({0, 1});
    EXPECT_EQ(wave.sizeHint(), QSize(8, 22));
    rig.clock.advance(200ms);
    EXPECT_EQ(rig.clock.pendingTimers(), 0);
    EXPECT_NEAR(wave.shownHeights()[1], 22, 1e-9);

    wave.setLevels({1, 0});
    const std::vector<qreal> start = wave.shownHeights();
    EXPECT_NEAR(start[0], 7.7, 1e-9);
    rig.clock.advance(40ms);
    const std::vector<qreal> middle = wave.shownHeights();
    // Ease-out: past half way at half time.
    EXPECT_GT(middle[0], (7.7 + 22) / 2);
    EXPECT_LT(middle[0], 22);
    rig.clock.advance(100ms);
    EXPECT_NEAR(wave.shownHeights()[0], 22, 1e-9);
    EXPECT_NEAR(wave.shownHeights()[1], 7.7, 1e-9);
    EXPECT_EQ(rig.clock.pendingTimers(), 0);
}

TEST(IndicatorsTest, UnderReduceMotionTheDotsRestFullyOpaqueAndTheShimmerIsGone) {
    ThemeRig rig;
    rig.appearance.setReduceMotion(true);
    const QColor accent = DS::Palette::accent.resolve(false);

    TypingDots dots;
    dots.show();
    const QImage dotsImage = rendered(dots);
    for (const int x : {2, 9, 16})
        EXPECT_TRUE(near(dotsImage.pixelColor(x, 2), accent)) << x;

    PulsingDot pulse;
    pulse.show();
    EXPECT_TRUE(near(rendered(pulse).pixelColor(3, 3), accent));

    QWidget content;
    content.resize(100, 20);
    Shimmer* shimmer = Shimmer::apply(&content);
    content.show();
    QImage overlay(100, 20, QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::transparent);
    shimmer->render(&overlay);
    EXPECT_EQ(overlay, [] {
        QImage empty(100, 20, QImage::Format_ARGB32_Premultiplied);
        empty.fill(Qt::transparent);
        return empty;
    }());
    EXPECT_EQ(rig.clock.pendingTimers(), 0);
}

TEST(IndicatorsTest, PulsesStayInTheirRangeAndEachDotLagsTheOneBefore) {
    for (double t = 0; t < 3; t += 0.01) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(TypingDots::opacity(i, t), 0.35 - 1e-12);
            EXPECT_LE(TypingDots::opacity(i, t), 1 + 1e-12);
        }
        EXPECT_GE(PulsingDot::opacity(t), 0.4 - 1e-12);
        EXPECT_LE(PulsingDot::opacity(t), 1 + 1e-12);
        // Dot 1 shows now what dot 0 showed 0.14 s earlier.
        EXPECT_NEAR(TypingDots::opacity(1, t + 0.14), TypingDots::opacity(0, t), 1e-9);
    }
}

TEST(IndicatorsTest, TheShimmerSweepsFromWhollyLeftToWhollyRightAndStartsAgain) {
    struct Case {
        double elapsed;
        double phase;
    };
    for (const Case& c :
         {Case{0, -1}, Case{0.8, 0}, Case{1.2, 0.5}, Case{1.6, -1}, Case{2.4, 0}, Case{-1, -1}})
        EXPECT_NEAR(Shimmer::phase(c.elapsed), c.phase, 1e-9) << c.elapsed;
}

TEST(IndicatorsTest, APrivacyNoteWrapsAndNeverCutsOff) {
    ThemeRig rig;
    PrivacyNote centred(Qt::AlignHCenter);
    PrivacyNote leading(Qt::AlignLeft);
    EXPECT_LE(centred.sizeHint().width(), 380);
    EXPECT_EQ(centred.maximumWidth(), 380);
    EXPECT_EQ(leading.maximumWidth(), QWIDGETSIZE_MAX);
    // Narrower means more lines, never a cut line.
    EXPECT_GT(centred.heightForWidth(150), centred.heightForWidth(380));
    EXPECT_GT(leading.heightForWidth(150), leading.heightForWidth(600));
}

}  // namespace

namespace {

TEST(IndicatorsTest, TheShimmerLightsOnlyTheContentsOwnPixels) {
    ThemeRig rig;
    QWidget content;
    content.resize(100, 20);
    // Opaque on the left half only.
    struct Half : QWidget {
        using QWidget::QWidget;
        void paintEvent(QPaintEvent*) override {
            QPainter(this).fillRect(QRect(0, 0, 50, 20), Qt::black);
        }
    };
    auto* half = new Half(&content);
    half->resize(100, 20);
    Shimmer* shimmer = Shimmer::apply(&content);
    content.show();
    // The band's middle is at 0.3·W + phase·1.6·W: at phase 0 over x = 30.
    rig.clock.advance(800ms);
    QImage overlay(100, 20, QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::transparent);
    shimmer->render(&overlay);
    EXPECT_GT(qAlpha(overlay.pixel(30, 10)), 60);
    EXPECT_EQ(qAlpha(overlay.pixel(70, 10)), 0);
    // Inside the band but where the content is clear.
    EXPECT_EQ(qAlpha(overlay.pixel(52, 10)), 0);
}

}  // namespace

// The clock counts seconds since 2001, so real times are large: the spinner must show the same
// phase at such a time as at the same fraction of a second near zero.
TEST(SpinnerTest, RealClockTimesTurnLikeSmallOnes) {
    const auto draw = [](double seconds) {
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        Spinner::paintSpokes(painter, QRectF(0, 0, 32, 32), Qt::black, seconds);
        return image;
    };
    const double now = 850'000'000.0;  // late 2027
    for (int step = 0; step < 12; ++step) {
        const double fraction = (step + 0.5) / 12.0;
        EXPECT_EQ(draw(now + fraction), draw(fraction)) << step;
    }
}
