#include "AI/ChunkStream.h"

#include <QMutexLocker>
#include <QPointer>

#include "AI/Chunk.h"

ChunkStream::ChunkStream(QObject* parent) : QObject(parent) {}

ChunkStream::~ChunkStream() {
    cancel();
}

void ChunkStream::cancel() {
    std::function<void()> handler;
    {
        QMutexLocker lock(&m_mutex);
        if (m_cancelled || m_finishedEmitted)
            return;
        m_cancelled = true;
        m_pending.clear();
        handler = std::move(m_cancelHandler);
    }
    if (handler)
        handler();
}

bool ChunkStream::isEnded() const {
    QMutexLocker lock(&m_mutex);
    return m_cancelled || m_finishedEmitted;
}

bool ChunkStream::isCancelled() const {
    QMutexLocker lock(&m_mutex);
    return m_cancelled;
}

void ChunkStream::yield(const QString& chunk) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_cancelled || m_end)
            return;
        m_pending.push_back(chunk);
    }
    scheduleDelivery();
}

void ChunkStream::finish() {
    end(std::nullopt);
}

void ChunkStream::finish(const AIFailure& failure) {
    end(failure);
}

void ChunkStream::end(std::optional<AIFailure> failure) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_cancelled || m_end)
            return;
        m_end = std::move(failure);
    }
    scheduleDelivery();
}

void ChunkStream::setCancelHandler(std::function<void()> handler) {
    {
        QMutexLocker lock(&m_mutex);
        if (!m_cancelled) {
            m_cancelHandler = std::move(handler);
            return;
        }
    }
    // Cancelled before the producer got round to it: stop at once.
    if (handler)
        handler();
}

void ChunkStream::scheduleDelivery() {
    {
        QMutexLocker lock(&m_mutex);
        if (m_deliveryScheduled)
            return;
        m_deliveryScheduled = true;
    }
    // Always through the event loop, so that a consumer that connects right after the
    // producer started (and yielded) sees everything.
    QMetaObject::invokeMethod(this, &ChunkStream::deliver, Qt::QueuedConnection);
}

void ChunkStream::setMergesText(bool merges) {
    QMutexLocker lock(&m_mutex);
    m_mergesText = merges;
}

void ChunkStream::deliver() {
    QPointer<ChunkStream> self(this);
    for (;;) {
        QString next;
        bool ending = false;
        std::optional<AIFailure> failure;
        {
            QMutexLocker lock(&m_mutex);
            if (m_cancelled || m_finishedEmitted) {
                m_deliveryScheduled = false;
                return;
            }
            if (m_pending.empty()) {
                m_deliveryScheduled = false;
                if (!m_end)
                    return;
                m_finishedEmitted = true;
                ending = true;
                failure = *m_end;
            } else {
                next = std::move(m_pending.front());
                m_pending.pop_front();
                while (m_mergesText && !Chunk::isControl(next) && !m_pending.empty() &&
                       !Chunk::isControl(m_pending.front())) {
                    next += m_pending.front();
                    m_pending.pop_front();
                }
            }
        }
        if (!ending) {
            emit chunk(next);
            if (!self)
                return;
            continue;
        }
        emit finished(failure);
        return;
    }
}
