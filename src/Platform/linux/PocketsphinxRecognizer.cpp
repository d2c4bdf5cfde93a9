#include "Platform/linux/PocketsphinxRecognizer.h"

#include <dlfcn.h>
#include <malloc.h>
#include <pocketsphinx.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/linux/PocketsphinxModel.h"

namespace Platform {

namespace {

// Silence, breath and noise markers ("<s>", "<sil>", "[NOISE]", "++UH++") are no words.
bool isFiller(const QString& token) {
    return token.isEmpty() || token.startsWith(QLatin1Char('<')) ||
           token.startsWith(QLatin1Char('[')) || token.startsWith(QLatin1Char('+'));
}

QStringList wordsOf(const char* hypothesis) {
    QStringList words;
    if (!hypothesis)
        return words;
    for (QString token :
         QString::fromUtf8(hypothesis).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (isFiller(token))
            continue;
        // Alternative pronunciations come as "word(2)".
        const qsizetype variant = token.indexOf(QLatin1Char('('));
        if (variant > 0)
            token.truncate(variant);
        words << token.toLower();
    }
    return words;
}

// The speech library and its numeric libraries are loaded at the first dictation, not at
// every start of the program, which they slowed by a few milliseconds.
struct Pocketsphinx {
    decltype(&::ps_args) args = nullptr;
    decltype(&::ps_init) init = nullptr;
    decltype(&::ps_free) release = nullptr;
    decltype(&::ps_start_utt) startUtt = nullptr;
    decltype(&::ps_end_utt) endUtt = nullptr;
    decltype(&::ps_process_raw) processRaw = nullptr;
    decltype(&::ps_get_in_speech) getInSpeech = nullptr;
    decltype(&::ps_get_hyp) getHyp = nullptr;
    decltype(&::cmd_ln_init) cmdLnInit = nullptr;
    decltype(&::cmd_ln_free_r) cmdLnFree = nullptr;

    // None when the library or one of its functions is missing.
    static const Pocketsphinx* get() {
        static const std::optional<Pocketsphinx> library = load();
        return library ? &*library : nullptr;
    }

private:
    static std::optional<Pocketsphinx> load() {
        // The library stays loaded for the program's life; only the decoders (the models'
        // memory) are freed when dictation has rested a while.
        void* handle = dlopen("libpocketsphinx.so.3", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return std::nullopt;
        Pocketsphinx p;
        const bool found =
            resolve(handle, "ps_args", p.args) && resolve(handle, "ps_init", p.init) &&
            resolve(handle, "ps_free", p.release) && resolve(handle, "ps_start_utt", p.startUtt) &&
            resolve(handle, "ps_end_utt", p.endUtt) &&
            resolve(handle, "ps_process_raw", p.processRaw) &&
            resolve(handle, "ps_get_in_speech", p.getInSpeech) &&
            resolve(handle, "ps_get_hyp", p.getHyp) &&
            resolve(handle, "cmd_ln_init", p.cmdLnInit) &&
            resolve(handle, "cmd_ln_free_r", p.cmdLnFree);
        return found ? std::optional(p) : std::nullopt;
    }
    template <typename Function>
    static bool resolve(void* handle, const char* name, Function& function) {
        function = reinterpret_cast<Function>(dlsym(handle, name));
        return function != nullptr;
    }
};

std::int16_t toPcm(float sample) {
    if (!std::isfinite(sample))
        return 0;
    // The inverse of the usual 16-bit to float scaling, so 16-bit input comes back unchanged.
    return static_cast<std::int16_t>(std::clamp(std::lround(sample * 32768.0f), -32768L, 32767L));
}

}  // namespace

// Loaded decoders per model, kept idle between dictations.
class PocketsphinxRecognizer::Pool {
public:
    ~Pool() {
        for (auto& [path, idle] : idle_)
            for (ps_decoder_t* decoder : idle)
                Pocketsphinx::get()->release(decoder);
    }

    ps_decoder_t* take(const QString& key) {
        std::lock_guard lock(mutex_);
        auto& idle = idle_[key];
        if (idle.empty())
            return nullptr;
        ps_decoder_t* decoder = idle.back();
        idle.pop_back();
        return decoder;
    }

    void give(const QString& key, ps_decoder_t* decoder) {
        std::lock_guard lock(mutex_);
        auto& idle = idle_[key];
        // One idle decoder per model is enough for one dictation at a time; more only cost
        // memory.
        if (!idle.empty()) {
            Pocketsphinx::get()->release(decoder);
            return;
        }
        idle.push_back(decoder);
    }

    // Takes the idle decoders out under the lock, so that a dictation starting meanwhile
    // loads afresh instead of getting one that is being freed.
    int releaseIdle() {
        std::vector<ps_decoder_t*> freed;
        {
            std::lock_guard lock(mutex_);
            for (auto& [key, idle] : idle_)
                freed.insert(freed.end(), idle.begin(), idle.end());
            idle_.clear();
        }
        if (freed.empty())
            return 0;
        std::lock_guard lock(loading);
        for (ps_decoder_t* decoder : freed)
            Pocketsphinx::get()->release(decoder);
        // glibc keeps freed heap for later: without the trim half of a model's ~90 MB stayed
        // resident after the first free, and all of it after later ones.
        malloc_trim(0);
        return static_cast<int>(freed.size());
    }

    // Loading and freeing models are not known to be thread-safe in pocketsphinx; one at a
    // time.
    std::mutex loading;

private:
    std::mutex mutex_;
    std::map<QString, std::vector<ps_decoder_t*>> idle_;
};

namespace {

class PocketsphinxDecoder final : public SpeechDecoder {
public:
    PocketsphinxDecoder(std::shared_ptr<PocketsphinxRecognizer::Pool> pool, QString key,
                        ps_decoder_t* decoder)
        : pool_(std::move(pool)), key_(std::move(key)), decoder_(decoder) {}

    ~PocketsphinxDecoder() override {
        if (inUtterance_)
            Pocketsphinx::get()->endUtt(decoder_);
        pool_->give(key_, decoder_);
    }

    void begin() override {
        if (inUtterance_)
            Pocketsphinx::get()->endUtt(decoder_);
        inUtterance_ = Pocketsphinx::get()->startUtt(decoder_) >= 0;
        inSpeech_ = false;
        hypothesis_.clear();
    }

    std::vector<Result> decode(std::span<const float> samples) override {
        std::vector<Result> results;
        if (!inUtterance_)
            return results;
        pcm_.resize(samples.size());
        std::transform(samples.begin(), samples.end(), pcm_.begin(), toPcm);
        Pocketsphinx::get()->processRaw(decoder_, pcm_.data(), pcm_.size(), FALSE, FALSE);
        const bool speaking = Pocketsphinx::get()->getInSpeech(decoder_) != 0;
        if (speaking) {
            inSpeech_ = true;
            const QStringList words = wordsOf(Pocketsphinx::get()->getHyp(decoder_, nullptr));
            if (words != hypothesis_) {
                hypothesis_ = words;
                results.push_back({words, false});
            }
        } else if (inSpeech_) {
            // The voice-activity detection heard the utterance end: close it and listen on.
            if (auto final = closeUtterance())
                results.push_back(*final);
            inUtterance_ = Pocketsphinx::get()->startUtt(decoder_) >= 0;
        }
        return results;
    }

    std::vector<Result> end() override {
        std::vector<Result> results;
        if (!inUtterance_)
            return results;
        if (auto final = closeUtterance())
            results.push_back(*final);
        return results;
    }

private:
    std::optional<Result> closeUtterance() {
        Pocketsphinx::get()->endUtt(decoder_);
        inUtterance_ = false;
        const bool spoke = inSpeech_;
        inSpeech_ = false;
        hypothesis_.clear();
        if (!spoke)
            return std::nullopt;
        QStringList words = wordsOf(Pocketsphinx::get()->getHyp(decoder_, nullptr));
        if (words.isEmpty())
            return std::nullopt;
        return Result{std::move(words), true};
    }

    std::shared_ptr<PocketsphinxRecognizer::Pool> pool_;
    QString key_;
    ps_decoder_t* decoder_;
    bool inUtterance_ = false;
    bool inSpeech_ = false;
    QStringList hypothesis_;
    std::vector<std::int16_t> pcm_;
};

}  // namespace

PocketsphinxRecognizer::PocketsphinxRecognizer(QStringList dataFolders)
    : dataFolders_(std::move(dataFolders)), pool_(std::make_shared<Pool>()) {
    // A model loads on a dictation's worker, into one of glibc's per-thread heaps. Such a heap
    // gives its free top back only when that exceeds the trim threshold, which glibc raises on
    // its own (up to 64 MB) as a model's large blocks come and go, and malloc_trim() leaves it
    // alone. Fixed at glibc's default, the heaps keep shrinking: without it an idle Tavrin
    // kept 10 MB of freed model after the first release and 30 MB after the second.
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
}

PocketsphinxRecognizer::~PocketsphinxRecognizer() = default;

std::optional<QString> PocketsphinxRecognizer::supportedLocale(const QString& locale) {
    const auto model = PocketsphinxModel::locate(locale, dataFolders_);
    if (!model)
        return std::nullopt;
    return model->tag();
}

std::unique_ptr<SpeechDecoder> PocketsphinxRecognizer::decoder(const QString& modelLocale,
                                                               QString* error) {
    const auto model = PocketsphinxModel::locate(modelLocale, dataFolders_);
    if (!model) {
        if (error)
            *error = QStringLiteral("no speech model for %1").arg(modelLocale);
        return nullptr;
    }
    const QString key = model->acousticModel + QLatin1Char('|') + model->languageModel;
    if (ps_decoder_t* idle = pool_->take(key))
        return std::make_unique<PocketsphinxDecoder>(pool_, key, idle);

    const Pocketsphinx* library = Pocketsphinx::get();
    if (!library) {
        if (error)
            *error = QStringLiteral("the speech library libpocketsphinx.so.3 could not be loaded");
        return nullptr;
    }
    std::lock_guard lock(pool_->loading);
    const QByteArray hmm = QFile::encodeName(model->acousticModel);
    const QByteArray lm = QFile::encodeName(model->languageModel);
    const QByteArray dict = QFile::encodeName(model->dictionary);
    // The library logs every parameter and load step; none of it is ours to show.
    cmd_ln_t* config = library->cmdLnInit(nullptr, library->args(), TRUE, "-hmm", hmm.constData(),
                                          "-lm", lm.constData(), "-dict", dict.constData(),
                                          "-logfn", "/dev/null", nullptr);
    ps_decoder_t* decoder = config ? library->init(config) : nullptr;
    if (config)
        library->cmdLnFree(config);
    if (!decoder) {
        if (error)
            *error = QStringLiteral("the speech model in %1 could not be loaded")
                         .arg(model->acousticModel);
        return nullptr;
    }
    return std::make_unique<PocketsphinxDecoder>(pool_, key, decoder);
}

int PocketsphinxRecognizer::releaseIdle() {
    return pool_->releaseIdle();
}

}  // namespace Platform
