#pragma once
// The window's error boundary (core/HandlerGuard.h): by default a failure is reported in the
// default error dialog.

#include "app/MessageBoxes.h"
#include "core/HandlerGuard.h"

#include <utility>

namespace veska::app {

using veska::reportOnStandardError;
using veska::runGuarded;

template <class Work> bool runGuarded(MessageBoxes& boxes, Work&& work) noexcept {
    return runGuarded(std::forward<Work>(work),
                      [&boxes](const QString& message) { boxes.showError(message); });
}

} // namespace veska::app
