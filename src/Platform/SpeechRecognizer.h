#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "Platform/SpeechDecoder.h"

namespace Platform {

// The installed offline speech models. Every operation may be called from any thread.
class SpeechRecognizer {
public:
    virtual ~SpeechRecognizer() = default;

    // The model that serves `locale` ("de-DE", "en_US"): the one for that very locale, else one
    // for its language. Its locale tag, or none when no model speaks the language. Fast (a few
    // file look-ups).
    virtual std::optional<QString> supportedLocale(const QString& locale) = 0;

    // A decoder on the model supportedLocale() named. Loading a model takes up to a second the
    // first time; later decoders reuse what was loaded. Blocking: call it off the main thread.
    // Null, with `error` set, when the model cannot be loaded.
    virtual std::unique_ptr<SpeechDecoder> decoder(const QString& modelLocale, QString* error) = 0;

    // Frees the loaded decoders no one uses and gives their memory back to the system; the
    // next decoder() loads its model again. A decoder in use stays and, once dropped, is kept
    // as usual. How many it freed. Blocking (tens of milliseconds): call it off the main thread.
    virtual int releaseIdle() = 0;
};

}  // namespace Platform
