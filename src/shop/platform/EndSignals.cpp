#include "shop/platform/EndSignals.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace veska::shop::platform {

namespace {

sigset_t endSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

} // namespace

void blockEndSignals() {
    const sigset_t set = endSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

EndSignals::EndSignals() {
    const sigset_t set = endSignals();
    fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

EndSignals::~EndSignals() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<int> EndSignals::take() {
    std::vector<int> signals;
    signalfd_siginfo info{};
    while (fd_ >= 0 && ::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        signals.push_back(static_cast<int>(info.ssi_signo));
    return signals;
}

} // namespace veska::shop::platform
