#pragma once

#include <QObject>

#include "Platform/SpeechRecognitionAccess.h"

namespace Platform {

// Speech recognition runs offline with pocketsphinx: it is authorized when a model for any
// language is installed. Without it the status is "restricted": no settings pane can install it, so
// the permission flow sends the user nowhere. There is no prompt; a request completes at once.
class OfflineSpeechRecognitionAccess final : public SpeechRecognitionAccess {
public:
    AuthorizationStatus status() override;
    void requestAuthorization(std::function<void()> done) override;

private:
    QObject mainThread_;
};

}  // namespace Platform
