#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

#include "AI/AIFailure.h"

// A provider's reply as it is written: chunks (see Chunk.h), then one end.
//
// Consumer side: connect to `chunk` and `finished` right after the provider returned the
// stream; nothing is lost, because chunks wait in the stream (without limit) and are emitted
// from the event loop of the stream's thread, in order. `finished` is emitted exactly once,
// after the last chunk, with no failure when the tool succeeded. cancel() or destroying the
// stream ends it early: nothing more is emitted and the producer is told to stop (its child
// process ends). Deleting the stream from inside one of its slots is allowed.
//
// Producer side: yield() and finish() may be called from any thread; whatever comes after
// the first finish() or after a cancel is dropped. The cancel handler runs once, on the
// consumer's thread, when the consumer ends the stream before it finished. Producer objects
// that are children of the stream die with it.
class ChunkStream final : public QObject {
    Q_OBJECT

public:
    explicit ChunkStream(QObject* parent = nullptr);
    ~ChunkStream() override;

    void cancel();
    // True once `finished` was emitted or the stream was cancelled.
    bool isEnded() const;

    void yield(const QString& chunk);
    void finish();
    void finish(const AIFailure& failure);
    void setCancelHandler(std::function<void()> handler);
    // Text chunks that wait together go out as one (control chunks keep their place): a
    // consumer that keeps the whole reply pays for each chunk with the reply's length, and a
    // tool streams a long reply in thousands of small pieces.
    void setMergesText(bool merges);
    bool isCancelled() const;

signals:
    void chunk(const QString& chunk);
    void finished(const std::optional<AIFailure>& failure);

private:
    void end(std::optional<AIFailure> failure);
    void scheduleDelivery();
    void deliver();

    mutable QMutex m_mutex;
    std::deque<QString> m_pending;
    std::optional<std::optional<AIFailure>> m_end;
    std::function<void()> m_cancelHandler;
    bool m_deliveryScheduled = false;
    bool m_finishedEmitted = false;
    bool m_cancelled = false;
    bool m_mergesText = false;
};
