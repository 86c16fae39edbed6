#include "service/ServiceSignals.h"

#include <QCoreApplication>
#include <csignal>

namespace veska::service {

ServiceSignals::ServiceSignals(std::function<void()> reload, QObject* parent)
    : QObject(parent), reload_(std::move(reload)) {
    if (signals_.fd() < 0)
        return;
    notifier_ = new QSocketNotifier(signals_.fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ServiceSignals::readSignals);
}

ServiceSignals::~ServiceSignals() {
    delete notifier_;
}

void ServiceSignals::readSignals() {
    bool reload = false;
    for (const int signal : signals_.take()) {
        if (signal != SIGHUP) {
            QCoreApplication::exit(0);
            return;
        }
        reload = true;
    }
    if (reload && reload_)
        reload_();
}

} // namespace veska::service
