#include "Platform/fake/FakeSpeechRecognizer.h"

namespace Platform {

namespace {

QString tagOf(const QString& locale) {
    return locale.toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
}

class FakeSpeechDecoder final : public SpeechDecoder {
public:
    FakeSpeechDecoder(FakeSpeechRecognizer& owner, FakeSpeechRecognizer::Script script)
        : owner_(owner), script_(std::move(script)) {}

    void begin() override {
        decoded_ = 0;
        next_ = 0;
    }
    std::vector<Result> decode(std::span<const float> samples) override {
        decoded_ += samples.size();
        std::vector<Result> results;
        while (next_ < script_.steps.size() && script_.steps[next_].afterSamples <= decoded_) {
            const auto& step = script_.steps[next_++].results;
            results.insert(results.end(), step.begin(), step.end());
        }
        return results;
    }
    std::vector<Result> end() override {
        owner_.waitWhileHeld(true);
        return script_.atEnd;
    }

private:
    FakeSpeechRecognizer& owner_;
    FakeSpeechRecognizer::Script script_;
    std::size_t decoded_ = 0;
    std::size_t next_ = 0;
};

}  // namespace

FakeSpeechRecognizer::FakeSpeechRecognizer(QStringList models) : models_(std::move(models)) {}

void FakeSpeechRecognizer::setScript(Script script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void FakeSpeechRecognizer::holdLoading() {
    std::lock_guard lock(mutex_);
    holdLoading_ = true;
}

void FakeSpeechRecognizer::holdEnd() {
    std::lock_guard lock(mutex_);
    holdEnd_ = true;
}

QString FakeSpeechRecognizer::lastLoaded() const {
    std::lock_guard lock(mutex_);
    return lastLoaded_;
}

void FakeSpeechRecognizer::release() {
    {
        std::lock_guard lock(mutex_);
        holdLoading_ = false;
        holdEnd_ = false;
    }
    changed_.notify_all();
}

bool FakeSpeechRecognizer::waitUntilHeld(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return waiting_ > 0; });
}

int FakeSpeechRecognizer::loads() const {
    std::lock_guard lock(mutex_);
    return loads_;
}

int FakeSpeechRecognizer::releases() const {
    std::lock_guard lock(mutex_);
    return releases_;
}

bool FakeSpeechRecognizer::waitForReleases(int count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return releases_ >= count; });
}

int FakeSpeechRecognizer::releaseIdle() {
    {
        std::lock_guard lock(mutex_);
        ++releases_;
    }
    changed_.notify_all();
    return 0;
}

void FakeSpeechRecognizer::waitWhileHeld(bool atEnd) {
    std::unique_lock lock(mutex_);
    const auto held = [&] { return atEnd ? holdEnd_ : holdLoading_; };
    if (!held())
        return;
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !held(); });
    --waiting_;
}

std::optional<QString> FakeSpeechRecognizer::supportedLocale(const QString& locale) {
    const QString tag = tagOf(locale);
    if (models_.contains(tag))
        return tag;
    const QString language = tag.section(QLatin1Char('-'), 0, 0);
    for (const QString& model : models_)
        if (model.section(QLatin1Char('-'), 0, 0) == language)
            return model;
    return std::nullopt;
}

std::unique_ptr<SpeechDecoder> FakeSpeechRecognizer::decoder(const QString& modelLocale,
                                                             QString* error) {
    waitWhileHeld(false);
    std::lock_guard lock(mutex_);
    ++loads_;
    lastLoaded_ = modelLocale;
    if (!loadError.isEmpty() || !models_.contains(modelLocale)) {
        if (error)
            *error = loadError.isEmpty() ? QStringLiteral("no model") : loadError;
        return nullptr;
    }
    return std::make_unique<FakeSpeechDecoder>(*this, script_);
}

}  // namespace Platform
