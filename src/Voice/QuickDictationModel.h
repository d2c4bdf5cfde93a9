#pragma once

#include <QObject>
#include <QString>
#include <QVector>

// What the dictation status display shows: the status, the live text and the recent audio
// levels. Main thread; every setter notifies only on a real change.
class QuickDictationModel : public QObject {
    Q_OBJECT

public:
    static constexpr int kLevelCount = 14;

    struct Status {
        enum class Kind {
            transforming,  // AI or routing work, with the text to show
            failed,        // with the message to show
            listening,
            inserted,
            toPanel,
            toPanelDraft,
            remembered,
            empty,
        };
        Kind kind = Kind::listening;
        QString text;  // only for transforming and failed

        static Status transforming(QString text) { return {Kind::transforming, std::move(text)}; }
        static Status failed(QString text) { return {Kind::failed, std::move(text)}; }
        static Status of(Kind kind) { return {kind, {}}; }
        bool operator==(const Status& other) const {
            const bool withText = kind == Kind::transforming || kind == Kind::failed;
            return kind == other.kind && (!withText || text == other.text);
        }
    };

    explicit QuickDictationModel(QObject* parent = nullptr);

    const Status& status() const { return status_; }
    bool verbatim() const { return verbatim_; }
    const QString& confirmed() const { return confirmed_; }
    const QString& tentative() const { return tentative_; }
    // Oldest first; always kLevelCount values in 0…1.
    const QVector<float>& levels() const { return levels_; }

    void setStatus(const Status& status);
    void setVerbatim(bool verbatim);
    void setConfirmed(const QString& confirmed);
    void setTentative(const QString& tentative);
    // Drops the oldest level and appends `level`.
    void pushLevel(float level);
    // Back to a fresh dictation: listening, no text, silent levels.
    void reset(bool verbatim);

signals:
    void statusChanged();
    void verbatimChanged();
    void confirmedChanged();
    void tentativeChanged();
    void levelsChanged();

private:
    Status status_;
    bool verbatim_ = false;
    QString confirmed_;
    QString tentative_;
    QVector<float> levels_ = QVector<float>(kLevelCount, 0.0f);
};
