#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target needs: the input as bytes or text, and a check that keeps the
// input as a crash when an expectation about the result fails.

inline QByteArray inputBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString inputText(const uint8_t* data, size_t size) {
    return QString::fromUtf8(inputBytes(data, size));
}

inline void require(bool condition, const char* expectation) {
    if (condition)
        return;
    std::fprintf(stderr, "expectation failed: %s\n", expectation);
    std::abort();
}
