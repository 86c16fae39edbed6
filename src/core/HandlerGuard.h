#pragma once
// The error boundary of every handler and timer tick: a failure ends that handler only and
// is reported; the program goes on. Nothing gets through it: a failure that is not one of
// ours is reported with its text, and a failure of the report itself ends up on standard
// error.

#include "core/Errors.h"

#include <QString>
#include <cstdio>
#include <exception>
#include <utility>

namespace veska {

// The last resort: the message on standard error, whatever happens.
inline void reportOnStandardError(const QString& message) noexcept {
    try {
        std::fprintf(stderr, "error: %s\n", message.toLocal8Bit().constData());
        std::fflush(stderr);
    } catch (...) {
        std::fputs("error: (the message could not be written)\n", stderr);
    }
}

template <class Work, class Report> bool runGuarded(Work&& work, Report&& report) noexcept {
    QString message;
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Error& error) {
        message = error.text();
    } catch (const std::exception& error) {
        message = QString::fromLocal8Bit(error.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    try {
        std::forward<Report>(report)(message);
    } catch (...) {
        reportOnStandardError(message);
    }
    return false;
}

} // namespace veska
