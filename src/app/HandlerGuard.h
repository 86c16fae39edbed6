#pragma once
// Every handler and timer tick runs under this guard: a failure ends that handler only and
// is shown in the default error dialog; the program goes on.

#include "app/MessageBoxes.h"
#include "core/Errors.h"

#include <exception>
#include <utility>

namespace veska::app {

template <class Work> bool runGuarded(MessageBoxes& boxes, Work&& work) noexcept {
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Error& error) {
        boxes.showError(error.text());
    } catch (const std::exception& error) {
        boxes.showError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

} // namespace veska::app
