#include "AI/AIProvider.h"

#include "AI/Chunk.h"

std::unique_ptr<ChunkStream> AIProvider::complete(const AIRequest& request,
                                                  TextCompletion done) const {
    std::unique_ptr<ChunkStream> stream = this->stream(request);
    auto text = std::make_shared<QString>();
    const QString reset = Chunk::reset();
    QObject::connect(stream.get(), &ChunkStream::chunk, stream.get(),
                     [text, reset](const QString& chunk) {
                         if (chunk == reset)
                             text->clear();
                         else if (!Chunk::isControl(chunk))
                             text->append(chunk);
                     });
    QObject::connect(stream.get(), &ChunkStream::finished, stream.get(),
                     [text, done = std::move(done)](const std::optional<AIFailure>& failure) {
                         // The callback may destroy the stream and with it this slot.
                         const TextCompletion callback = done;
                         if (failure)
                             callback(*failure);
                         else
                             callback(std::move(*text));
                     });
    return stream;
}
