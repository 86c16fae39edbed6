#include "app/platform/SessionEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace veska::app::platform {

namespace {

sigset_t sessionEndSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaddset(&set, signal);
    return set;
}

} // namespace

void blockSessionEndSignals() {
    const sigset_t set = sessionEndSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {
    const sigset_t set = sessionEndSignals();
    fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        QCoreApplication::exit(0);
    });
}

SessionEnd::~SessionEnd() {
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace veska::app::platform
