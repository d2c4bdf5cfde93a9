#pragma once

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <memory>
#include <optional>

#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/SampleAudioSource.h"
#include "Platform/linux/QtClock.h"
#include "Voice/DictationBackends.h"
#include "Voice/DictationService.h"

// The system around an engine: granted permissions, the given recognizer, microphones that
// play `samples`, and a record of what the engine reported and on which thread.
struct EngineHarness {
    explicit EngineHarness(std::shared_ptr<Platform::SpeechRecognizer> recognizer,
                           Platform::Clock* clock = nullptr)
        : recognizer(std::move(recognizer)), clock(clock ? *clock : realClock) {
        microphone.current = Platform::AuthorizationStatus::authorized;
        speech.current = Platform::AuthorizationStatus::authorized;
    }

    DictationBackends backends() {
        return {microphone,
                speech,
                recognizer,
                [this] {
                    auto source = std::make_unique<Platform::SampleAudioSource>(samples, speed);
                    source->failAfterSamplesWith = failAfterSamples;
                    source->failOpenWith = failOpen;
                    source->spokenSince = spokenSince;
                    sources.push_back(source->record());
                    return source;
                },
                clock,
                systemLocale,
                log};
    }

    void watch(DictationService& engine) {
        engine.onPartial = [this](const QString& confirmed, const QString& tentative) {
            offMainThread |= QThread::currentThread() != qApp->thread();
            partials.push_back({confirmed, tentative});
        };
        engine.onLevel = [this](float) {
            offMainThread |= QThread::currentThread() != qApp->thread();
            ++levels;
        };
        engine.onError = [this](const QString& message) { errors << message; };
    }

    // Starts and waits for the answer.
    std::optional<QString> start(DictationService& engine, int limitMs = 10000) {
        bool answered = false;
        std::optional<QString> error;
        engine.start([&](const std::optional<QString>& e) {
            answered = true;
            error = e;
        });
        if (!QTest::qWaitFor([&] { return answered; }, limitMs))
            return QStringLiteral("no answer from start()");
        return error;
    }

    Platform::SampleAudioSource::Record& source(std::size_t index = 0) {
        return *sources.at(index);
    }

    Platform::QtClock realClock;
    Platform::FakeMicrophoneAccess microphone;
    Platform::FakeSpeechRecognitionAccess speech;
    std::shared_ptr<Platform::SpeechRecognizer> recognizer;
    Platform::Clock& clock;
    QString systemLocale = QStringLiteral("de_DE");
    Platform::FakeSystemLog log;
    std::vector<float> samples;
    double speed = 1.0;
    QString failAfterSamples;
    QString failOpen;
    std::optional<std::chrono::steady_clock::time_point> spokenSince;
    std::vector<std::shared_ptr<Platform::SampleAudioSource::Record>> sources;

    std::vector<std::pair<QString, QString>> partials;
    QStringList errors;
    int levels = 0;
    bool offMainThread = false;
};
