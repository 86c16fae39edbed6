#include "server/WakeSignal.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace termserver {

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0)
        ::close(fd_);
}

void WakeSignal::set(bool pending) {
    if (fd_ < 0 || pending == raised_)
        return;
    std::uint64_t value = 1;
    // Non-blocking and far below the counter's limit: neither call can wait or fail short.
    const auto done =
        pending ? ::write(fd_, &value, sizeof value) : ::read(fd_, &value, sizeof value);
    if (done == static_cast<ssize_t>(sizeof value))
        raised_ = pending;
}

} // namespace termserver
