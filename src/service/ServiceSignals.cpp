#include "service/ServiceSignals.h"

#include <QCoreApplication>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace veska::service {

namespace {

sigset_t serviceSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

} // namespace

void blockServiceSignals() {
    const sigset_t set = serviceSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ServiceSignals::ServiceSignals(std::function<void()> reload, QObject* parent)
    : QObject(parent), reload_(std::move(reload)) {
    const sigset_t set = serviceSignals();
    fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ServiceSignals::readSignals);
}

ServiceSignals::~ServiceSignals() {
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void ServiceSignals::readSignals() {
    signalfd_siginfo info{};
    bool reload = false;
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo != SIGHUP) {
            QCoreApplication::exit(0);
            return;
        }
        reload = true;
    }
    if (reload && reload_)
        reload_();
}

} // namespace veska::service
