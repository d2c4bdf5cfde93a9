#pragma once

#include <QObject>
#include <memory>

#include "Platform/MicrophoneAccess.h"
#include "Platform/linux/BackgroundProbe.h"

namespace Platform {

// The microphone counts as granted when a PulseAudio server (PipeWire's included) answers and
// has a default source that is a real input, not the monitor of an output. Linux has no
// prompt: the status is "not determined" only until the first probe has answered, "denied"
// (the sound settings can fix it) when there is no server or no input. A request probes
// afresh and completes when that probe has answered.
class PulseMicrophoneAccess final : public MicrophoneAccess {
public:
    PulseMicrophoneAccess();
    ~PulseMicrophoneAccess() override;

    AuthorizationStatus status() override;
    void requestAccess(std::function<void()> done) override;

    // One blocking probe with a time limit (also for tests).
    static bool hasDefaultInput();

private:
    // Receives the completions on the main thread; destroyed after the probe, so a late
    // completion is dropped with it.
    QObject mainThread_;
    std::unique_ptr<BackgroundProbe<bool>> probe_;
};

}  // namespace Platform
