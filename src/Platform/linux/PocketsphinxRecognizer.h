#pragma once

#include <QStringList>
#include <memory>

#include "Platform/SpeechRecognizer.h"

namespace Platform {

// Speech recognition with pocketsphinx on the installed models. A loaded model stays in memory
// until releaseIdle() (decoders go back to a pool when dropped), so only the first of a run of
// dictations in a language waits for the load; it also keeps the decoder's adaptation to the
// microphone from one dictation to the next.
class PocketsphinxRecognizer final : public SpeechRecognizer {
public:
    // `dataFolders`: where to look for models (the system data folders when empty).
    explicit PocketsphinxRecognizer(QStringList dataFolders = {});
    ~PocketsphinxRecognizer() override;

    std::optional<QString> supportedLocale(const QString& locale) override;
    std::unique_ptr<SpeechDecoder> decoder(const QString& modelLocale, QString* error) override;
    int releaseIdle() override;

    class Pool;

private:
    QStringList dataFolders_;
    // Shared with the decoders handed out, which may outlive the recognizer.
    std::shared_ptr<Pool> pool_;
};

}  // namespace Platform
