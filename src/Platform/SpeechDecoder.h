#pragma once

#include <QStringList>
#include <span>
#include <vector>

namespace Platform {

// Turns a stream of mono 16 kHz samples into words. The stream falls into utterances at the
// pauses the decoder's voice-activity detection finds. Used by one thread at a time.
class SpeechDecoder {
public:
    struct Result {
        // Lower-case words without the decoder's filler tokens (silence, noise).
        QStringList words;
        // True for an utterance that ended; false for the running utterance's hypothesis.
        bool final = false;
        bool operator==(const Result&) const = default;
    };

    virtual ~SpeechDecoder() = default;

    // Starts a new stream.
    virtual void begin() = 0;
    // Decodes the samples. Gives a final result for every utterance that ended within them and
    // a non-final one when the running utterance's hypothesis changed.
    virtual std::vector<Result> decode(std::span<const float> samples) = 0;
    // End of audio: the running utterance as a final result; nothing when it holds no words.
    virtual std::vector<Result> end() = 0;
};

}  // namespace Platform
