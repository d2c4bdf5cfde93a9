#pragma once

#include <QLocale>

// Makes `locale` the default for one scope, as the user's own would be.
class ScopedLocale {
public:
    explicit ScopedLocale(const QLocale& locale) : old_(QLocale()) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(old_); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    QLocale old_;
};
