#include "AI/QuoteExtractor.h"
#include "FuzzInput.h"

// The model's answers about a screenshot: the quoted message and the thread around it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString answer = inputText(data, size);
    if (const auto quote = QuoteExtractor::parse(answer))
        require(!quote->text.trimmed().isEmpty(), "a quote has a message");
    require(QuoteExtractor::parseThread(answer).size() <= 15, "a thread keeps at most 15");
    return 0;
}
