#include <gtest/gtest.h>

#include <QStringList>
#include <QTest>
#include <QThread>
#include <memory>

#include "AI/Chunk.h"
#include "AI/ChunkStream.h"

namespace {

// What a consumer saw, in order: chunks, then "end" or "end:<failure>".
struct Recorder {
    QStringList events;

    void listen(ChunkStream* stream) {
        QObject::connect(stream, &ChunkStream::chunk, [this](const QString& c) { events << c; });
        QObject::connect(stream, &ChunkStream::finished,
                         [this](const std::optional<AIFailure>& failure) {
                             events << (failure ? "end:" + failure->errorDescription() : "end");
                         });
    }
};

}  // namespace

TEST(ChunkStreamTest, DeliversWhatWasYieldedBeforeTheConsumerConnectedAndEndsOnce) {
    ChunkStream stream;
    stream.yield("a");
    stream.yield("b");
    stream.finish(AIError::failed("weg"));
    stream.yield("late");
    stream.finish();

    Recorder recorder;
    recorder.listen(&stream);
    EXPECT_TRUE(recorder.events.isEmpty()) << "delivery waits for the event loop";
    QTest::qWait(10);
    EXPECT_EQ(recorder.events, (QStringList{"a", "b", "end:weg"}));
    EXPECT_TRUE(stream.isEnded());
    EXPECT_FALSE(stream.isCancelled());
}

TEST(ChunkStreamTest, CancellingStopsDeliveryAndRunsTheHandlerOnce) {
    struct Case {
        const char* name;
        bool finishFirst;
        bool cancelExplicitly;
        int handlerRuns;
    };
    const Case cases[] = {
        {"cancel, then destroy", false, true, 1},
        {"destroy while open", false, false, 1},
        {"destroy after the end was delivered", true, false, 0},
    };
    for (const Case& c : cases) {
        int handlerRuns = 0;
        Recorder recorder;
        auto stream = std::make_unique<ChunkStream>();
        stream->setCancelHandler([&] { ++handlerRuns; });
        recorder.listen(stream.get());
        if (c.finishFirst) {
            stream->finish();
            QTest::qWait(5);
        }
        stream->yield("pending");
        if (c.cancelExplicitly) {
            stream->cancel();
            stream->cancel();
            EXPECT_TRUE(stream->isEnded()) << c.name;
        }
        stream.reset();
        QTest::qWait(5);
        EXPECT_EQ(handlerRuns, c.handlerRuns) << c.name;
        EXPECT_FALSE(recorder.events.contains("pending")) << c.name;
    }
}

TEST(ChunkStreamTest, ConsumerMayDestroyTheStreamInsideItsSlots) {
    int handlerRuns = 0;
    QStringList seen;
    auto* stream = new ChunkStream;
    stream->setCancelHandler([&] { ++handlerRuns; });
    QObject::connect(stream, &ChunkStream::chunk, [&](const QString& c) {
        seen << c;
        delete stream;
    });
    stream->yield("first");
    stream->yield("second");
    stream->finish();
    QTest::qWait(10);
    EXPECT_EQ(seen, QStringList{"first"});
    EXPECT_EQ(handlerRuns, 1);

    auto* ending = new ChunkStream;
    bool ended = false;
    QObject::connect(ending, &ChunkStream::finished, [&] {
        ended = true;
        delete ending;
    });
    ending->finish();
    QTest::qWait(10);
    EXPECT_TRUE(ended);
}

TEST(ChunkStreamTest, ChunksFromAnotherThreadArriveInOrderOnTheStreamsThread) {
    ChunkStream stream;
    Recorder recorder;
    recorder.listen(&stream);
    bool onOwnThread = true;
    QObject::connect(&stream, &ChunkStream::chunk,
                     [&] { onOwnThread &= QThread::currentThread() == stream.thread(); });
    std::unique_ptr<QThread> producer(QThread::create([&] {
        for (int i = 0; i < 1000; ++i)
            stream.yield(QString::number(i));
        stream.finish();
    }));
    producer->start();
    producer->wait();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.events.size() == 1001; }, 2000));

    QStringList expected;
    for (int i = 0; i < 1000; ++i)
        expected << QString::number(i);
    expected << "end";
    EXPECT_EQ(recorder.events, expected);
    EXPECT_TRUE(onOwnThread);
}

// A consumer that keeps the whole reply gets the text chunks that waited together as one, each
// control chunk in its place; every other consumer gets each chunk as it was written.
TEST(ChunkStreamTest, TextThatWaitedTogetherGoesOutAsOneWhereAsked) {
    for (const bool merges : {true, false}) {
        SCOPED_TRACE(merges ? "merging" : "chunk by chunk");
        ChunkStream stream;
        stream.setMergesText(merges);
        for (const QString& chunk :
             {QStringLiteral("Hal"), QStringLiteral("lo"), Chunk::thinking(), QStringLiteral(" An"),
              QStringLiteral("na")})
            stream.yield(chunk);
        stream.finish();
        Recorder recorder;
        recorder.listen(&stream);
        QTest::qWait(10);
        const QStringList expected =
            merges ? QStringList{"Hallo", Chunk::thinking(), " Anna", "end"}
                   : QStringList{"Hal", "lo", Chunk::thinking(), " An", "na", "end"};
        EXPECT_EQ(recorder.events, expected);
    }
}
