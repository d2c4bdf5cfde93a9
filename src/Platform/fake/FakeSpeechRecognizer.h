#pragma once

#include <QStringList>
#include <condition_variable>
#include <map>
#include <mutex>

#include "Platform/SpeechRecognizer.h"

namespace Platform {

// A recognizer whose models and results the test sets. Thread-safe like the real one.
class FakeSpeechRecognizer final : public SpeechRecognizer {
public:
    // What a decoder says: `results` once it has decoded `afterSamples` samples in all.
    struct Step {
        std::size_t afterSamples = 0;
        std::vector<SpeechDecoder::Result> results;
    };
    struct Script {
        std::vector<Step> steps;
        // What end() gives.
        std::vector<SpeechDecoder::Result> atEnd;
    };

    // Model tags ("en-us", "de-de"); a locale is served by its own tag or one of its language.
    explicit FakeSpeechRecognizer(QStringList models = {QStringLiteral("en-us")});

    void setScript(Script script);
    // While held, decoder() blocks (a model that takes long to load).
    void holdLoading();
    // While held, a decoder's end() blocks (a decoder that never finishes).
    void holdEnd();
    void release();
    // Waits until a call is blocked in a hold.
    bool waitUntilHeld(std::chrono::milliseconds limit);
    int loads() const;
    int releases() const;
    // Waits until releaseIdle() has been called `count` times in all.
    bool waitForReleases(int count, std::chrono::milliseconds limit);
    // The model locale of the last decoder() call.
    QString lastLoaded() const;
    QString loadError;  // decoder() fails with this when set

    std::optional<QString> supportedLocale(const QString& locale) override;
    std::unique_ptr<SpeechDecoder> decoder(const QString& modelLocale, QString* error) override;
    int releaseIdle() override;

    // Used by the fake decoder.
    void waitWhileHeld(bool atEnd);

private:
    QStringList models_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Script script_;
    bool holdLoading_ = false;
    bool holdEnd_ = false;
    QString lastLoaded_;
    int waiting_ = 0;
    int loads_ = 0;
    int releases_ = 0;
};

}  // namespace Platform
