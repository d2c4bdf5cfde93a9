#include <gtest/gtest.h>


#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Voice/SpeechSample.h"

using Platform::SpeechDecoder;

namespace {

// Decodes samples [from, to) in buffers of the given sizes, taken in turn (30 ms each unless
// told), and gathers the final words.
QStringList decode(SpeechDecoder& decoder, const std::vector<float>& samples, std::size_t from,
                   std::size_t to, const std::vector<std::size_t>& sizes = {480}) {
    QStringList words;
    for (std::size_t at = from, turn = 0; at < to; ++turn) {
        const std::size_t size = std::min(sizes[turn % sizes.size()], to - at);
        for (const auto& result :
             decoder.decode(std::span<const float>(samples).subspan(at, size)))
            if (result.final)
                words += result.words;
        at += size;
    }
    return words;
}

QStringList heard(SpeechDecoder& decoder, const std::vector<float>& samples,
                  const std::vector<std::size_t>& sizes = {480}) {
    decoder.begin();
    QStringList words = decode(decoder, samples, 0, samples.size(), sizes);
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
    auto inUse = recognizer.decoder("en-us", &error);
    ASSERT_TRUE(inUse) << error.toStdString();
    // Released halfway through a dictation: the decoder goes on as if nothing happened.
    inUse->begin();
    QStringList words = decode(*inUse, speech, 0, speech.size() / 2);
    EXPECT_EQ(recognizer.releaseIdle(), 0);
    words += decode(*inUse, speech, speech.size() / 2, speech.size());
    for (const auto& result : inUse->end())
        words += result.words;
    EXPECT_TRUE(words.contains("forward")) << words.join(' ').toStdString();

    // Dropped after the release, it is kept for the next dictation as usual: the next one
    // takes it instead of loading a second (which would leave two idle ones here).
    inUse.reset();
    auto again = recognizer.decoder("en-us", &error);
    ASSERT_TRUE(again);
    again.reset();
    EXPECT_EQ(recognizer.releaseIdle(), 1);
    EXPECT_EQ(recognizer.releaseIdle(), 0);

    auto reloaded = recognizer.decoder("en-us", &error);
    ASSERT_TRUE(reloaded) << error.toStdString();
    EXPECT_TRUE(heard(*reloaded, speech).contains("forward"));
}

// The sound server hands over audio in pieces whose sizes depend on timing; the same speech
// must read the same however it was cut up.
TEST(PocketsphinxRecognizerTest, TheWordsDoNotDependOnHowTheAudioArrives) {
    const std::vector<float> speech = SpeechSample::samples();
    ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
    const auto wordsOf = [&](const std::vector<std::size_t>& sizes) {
        // A decoder of its own each time: a used one has adapted to the voice already.
        Platform::PocketsphinxRecognizer recognizer;
        QString error;
        auto decoder = recognizer.decoder("en-us", &error);
        EXPECT_TRUE(decoder) << error.toStdString();
        return decoder ? heard(*decoder, speech, sizes) : QStringList();
    };
    const QStringList inEvenBuffers = wordsOf({480});
    EXPECT_TRUE(inEvenBuffers.contains("forward")) << inEvenBuffers.join(' ').toStdString();
    // Odd sizes, a single sample, and a second and a half at once.
    EXPECT_EQ(wordsOf({333, 1, 24000, 1021}), inEvenBuffers);
}
