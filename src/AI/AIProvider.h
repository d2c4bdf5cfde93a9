#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "AI/AIRequest.h"
#include "AI/AIResult.h"
#include "AI/ChunkStream.h"

// The one seam between Tavrin and an AI command-line tool.
class AIProvider {
public:
    virtual ~AIProvider() = default;

    // Starts answering at once and returns the reply's stream (see ChunkStream for the
    // contract). The caller owns the stream; destroying it stops the tool. Call on the main
    // thread.
    virtual std::unique_ptr<ChunkStream> stream(const AIRequest& request) const = 0;

    using TextCompletion = std::function<void(AIResult<QString>)>;

    // The whole reply text: the text chunks since the last reset, untrimmed and possibly
    // empty, or the failure the stream ended with (the text gathered so far is dropped).
    // `done` runs once on the main thread unless the returned handle is destroyed or
    // cancelled first.
    std::unique_ptr<ChunkStream> complete(const AIRequest& request, TextCompletion done) const;
};
