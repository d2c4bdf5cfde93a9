#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Voice/SpeechSample.h"

using Platform::SpeechDecoder;

namespace {

// Decodes samples [from, to) in buffers of 30 ms and gathers the final words.
QStringList decode(SpeechDecoder& decoder, const std::vector<float>& samples, std::size_t from,
                   std::size_t to) {
    QStringList words;
    for (std::size_t at = from; at < to; at += 480)
        for (const auto& result : decoder.decode(
                 std::span<const float>(samples).subspan(at, std::min<std::size_t>(480, to - at))))
            if (result.final)
                words += result.words;
    return words;
}

QStringList heard(SpeechDecoder& decoder, const std::vector<float>& samples) {
    decoder.begin();
    QStringList words = decode(decoder, samples, 0, samples.size());
    for (const auto& result : decoder.end())
        words += result.words;
    return words;
}

}  // namespace

// On the installed model. The sanitizer would catch a decoder freed while it decodes.
TEST(PocketsphinxRecognizerTest, ReleaseFreesIdleDecodersOnlyAndTheModelLoadsAgain) {
    const std::vector<float> speech = SpeechSample::samples();
    ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
    Platform::PocketsphinxRecognizer recognizer;
    EXPECT_EQ(recognizer.releaseIdle(), 0);

    QString error;
    QElapsedTimer timer;
    timer.start();
    auto inUse = recognizer.decoder("en-us", &error);
    const qint64 loadNs = timer.nsecsElapsed();
    ASSERT_TRUE(inUse) << error.toStdString();
    // Released halfway through a dictation: the decoder goes on as if nothing happened.
    inUse->begin();
    QStringList words = decode(*inUse, speech, 0, speech.size() / 2);
    EXPECT_EQ(recognizer.releaseIdle(), 0);
    words += decode(*inUse, speech, speech.size() / 2, speech.size());
    for (const auto& result : inUse->end())
        words += result.words;
    EXPECT_TRUE(words.contains("forward")) << words.join(' ').toStdString();

    // Dropped after the release, it is kept for the next dictation as usual: no second load.
    inUse.reset();
    timer.restart();
    auto again = recognizer.decoder("en-us", &error);
    EXPECT_LT(timer.nsecsElapsed(), loadNs / 10);
    ASSERT_TRUE(again);
    again.reset();
    EXPECT_EQ(recognizer.releaseIdle(), 1);
    EXPECT_EQ(recognizer.releaseIdle(), 0);

    auto reloaded = recognizer.decoder("en-us", &error);
    ASSERT_TRUE(reloaded) << error.toStdString();
    EXPECT_TRUE(heard(*reloaded, speech).contains("forward"));
}
