#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <vector>

#include "Platform/fake/SampleAudioSource.h"

// Real speech for the engines: espeak-ng speaks the phrase, sox makes it mono 16 kHz. The
// phrase comes twice: a fresh decoder mishears its first utterance of a synthetic voice
// until it has adapted to it.
namespace SpeechSample {

inline const char* kPhrase = "go forward ten meters. go forward ten meters.";

// The WAV file's path; empty when the tools are missing or fail.
inline QString wavPath() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString raw = folder.filePath("spoken.wav");
        const QString wav = folder.filePath("speech.wav");
        if (QProcess::execute("espeak-ng", {"-v", "en-us", "-s", "150", "-w", raw, kPhrase}) != 0)
            return QString();
        // Without dither (-D): sox adds random noise when it narrows the resampled sound to
        // 16 bits, so every run decoded a slightly different sample, and one in three came out
        // as other words.
        if (QProcess::execute("sox", {"-D", raw, "-r", "16000", "-c", "1", "-b", "16", wav, "gain",
                                      "-n", "-3"}) != 0)
            return QString();
        return wav;
    }();
    return path;
}

inline std::vector<float> samples() {
    const QString path = wavPath();
    return path.isEmpty() ? std::vector<float>() : Platform::SampleAudioSource::readWav(path);
}

}  // namespace SpeechSample
