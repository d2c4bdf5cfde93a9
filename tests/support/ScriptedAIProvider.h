#pragma once

#include <QStringList>
#include <memory>
#include <optional>

#include "AI/AIProvider.h"

// A provider that answers every request with the same chunks and end, for tests of the code
// that consumes streams. With `keepOpen` the stream stays open after the chunks.
class ScriptedAIProvider : public AIProvider {
public:
    QStringList chunks;
    std::optional<AIFailure> failure;
    bool keepOpen = false;
    std::shared_ptr<int> cancellations = std::make_shared<int>(0);

    std::unique_ptr<ChunkStream> stream(const AIRequest&) const override {
        auto stream = std::make_unique<ChunkStream>();
        stream->setCancelHandler([count = cancellations] { ++*count; });
        for (const QString& chunk : chunks)
            stream->yield(chunk);
        if (keepOpen)
            return stream;
        if (failure)
            stream->finish(*failure);
        else
            stream->finish();
        return stream;
    }
};
