#include "app/platform/SessionEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace veska::app::platform {

namespace {

int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

SessionEnd::SessionEnd() = default;

SessionEnd::~SessionEnd() {
    delete notifier_.data();
}

bool SessionEnd::sleepUnlessEnded(std::chrono::milliseconds delay) {
    const int64_t until = nowMs() + delay.count();
    for (;;) {
        const int64_t left = until - nowMs();
        if (left <= 0)
            return true;
        if (signals_.fd() < 0) {
            ::usleep(static_cast<useconds_t>(std::min<int64_t>(left, 1000) * 1000));
            continue;
        }
        pollfd wait{signals_.fd(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(std::min<int64_t>(left, 1 << 30)));
        if (ready > 0)
            return false;
        if (ready < 0 && errno != EINTR)
            return true;
    }
}

void SessionEnd::watch() {
    if (signals_.fd() < 0 || notifier_ != nullptr)
        return;
    // It goes with the application object, before this object does.
    notifier_ =
        new QSocketNotifier(signals_.fd(), QSocketNotifier::Read, QCoreApplication::instance());
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::ended);
}

void SessionEnd::ended() {
    signals_.take();
    if (!started_)
        std::_Exit(0);
    QCoreApplication::exit(0);
}

} // namespace veska::app::platform
